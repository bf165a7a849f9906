#pragma once
// The unit settings backup file: versioned JSON, written atomically.
//   {"format": "kaymor-unit-settings", "version": 1,
//    "unit": {"address", "model", "serial", "mac"}, "read": ISO 8601,
//    "fields": {key: text, ...}}
// The password is a field only when asked for; such a file is made readable
// by its owner only.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

#include "unitfields.h"

namespace zam {

struct UnitTarget;
class UnitSettings;

struct UnitBackup {
  QString address, model, serial, mac;
  QDateTime read;
  UnitFieldValues fields;
};

namespace settingsfile {

inline const QString kFormat = QStringLiteral("kaymor-unit-settings");
constexpr int kVersion = 1;
inline const QString kSuffix = QStringLiteral("kayset");

// The block a session read, as a backup.
UnitBackup FromSession(const UnitSettings& session, bool withPassword);
QByteArray Write(const UnitBackup& backup);
// nullopt with the reason (naming `file`) for another format or version, a
// damaged file or a field whose text is not one of the field's.
std::optional<UnitBackup> Parse(const QByteArray& bytes, const QString& file, QString* error);

// Atomic: the old file stays whole until the new one is complete.
bool Save(const QString& path, const UnitBackup& backup, QString* error);
std::optional<UnitBackup> Load(const QString& path, QString* error);

// "SIMA001-2026-12-11.kayset"; the address stands in for a missing serial.
QString DefaultName(const QString& serial, const QString& address, const QDate& date);

}  // namespace settingsfile
}  // namespace zam
