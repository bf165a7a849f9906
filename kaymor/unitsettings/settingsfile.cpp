#include "settingsfile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTimeZone>

#include <cmath>
#include <sys/stat.h>

#include "unitsettings.h"
#include "unitsettingstexts.h"

namespace zam::settingsfile {

namespace texts = unitsettingstexts;
namespace uf = unitfields;

namespace {

// Room for every camera a block can count.
COMBO_BLOCK WidestBlock() {
  COMBO_BLOCK b;
  b.Camera.Count = 255;
  return b;
}

}  // namespace

UnitBackup FromSession(const UnitSettings& session, bool withPassword) {
  UnitBackup b;
  b.address = session.Target().host;
  b.model = session.Target().model;
  b.serial = session.Target().serial;
  b.mac = session.Target().mac;
  b.read = session.ReadTime();
  b.fields = session.Values(withPassword);
  return b;
}

QByteArray Write(const UnitBackup& backup) {
  QJsonObject unit{{"address", backup.address}, {"model", backup.model}, {"serial", backup.serial},
                   {"mac", backup.mac}};
  QJsonObject fields;
  for (auto it = backup.fields.cbegin(); it != backup.fields.cend(); ++it) fields.insert(it.key(), it.value());
  const QJsonObject root{{"format", kFormat},
                         {"version", kVersion},
                         {"unit", unit},
                         {"read", backup.read.toOffsetFromUtc(backup.read.offsetFromUtc()).toString(Qt::ISODate)},
                         {"fields", fields}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<UnitBackup> Parse(const QByteArray& bytes, const QString& file, QString* error) {
  const auto fail = [error](const QString& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  QJsonParseError pe;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
  if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
    // Our own format name in a file that does not parse: damaged rather than foreign.
    if (bytes.contains(kFormat.toLatin1())) return fail(texts::Damaged(file, pe.errorString()));
    return fail(texts::NotASettingsFile(file));
  }
  const QJsonObject root = doc.object();
  if (root.value(QLatin1String("format")).toString() != kFormat) return fail(texts::NotASettingsFile(file));
  const QJsonValue version = root.value(QLatin1String("version"));
  if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()))
    return fail(texts::Damaged(file, QStringLiteral("the version is not a number")));
  if (version.toInt() != kVersion) return fail(texts::OtherVersion(file, version.toInt(), kVersion));

  UnitBackup b;
  const QJsonValue unit = root.value(QLatin1String("unit"));
  if (!unit.isObject()) return fail(texts::Damaged(file, QStringLiteral("the unit is missing")));
  for (auto [name, target] : {std::pair{"address", &b.address}, {"model", &b.model}, {"serial", &b.serial},
                              {"mac", &b.mac}}) {
    const QJsonValue v = unit.toObject().value(QLatin1String(name));
    if (!v.isUndefined() && !v.isString())
      return fail(texts::Damaged(file, QStringLiteral("the unit's %1 is not a text").arg(QLatin1String(name))));
    *target = v.toString();
  }
  b.read = QDateTime::fromString(root.value(QLatin1String("read")).toString(), Qt::ISODate);
  if (!b.read.isValid()) return fail(texts::Damaged(file, QStringLiteral("the time of the read is missing")));

  const QJsonValue fields = root.value(QLatin1String("fields"));
  if (!fields.isObject()) return fail(texts::Damaged(file, QStringLiteral("the fields are missing")));
  const COMBO_BLOCK widest = WidestBlock();
  const QJsonObject f = fields.toObject();
  for (auto it = f.begin(); it != f.end(); ++it) {
    if (!uf::Field(it.key())) return fail(texts::Damaged(file, QStringLiteral("unknown field %1").arg(it.key())));
    if (!it.value().isString())
      return fail(texts::Damaged(file, QStringLiteral("field %1 is not a text").arg(it.key())));
    if (const QString why = uf::Check(widest, it.key(), it.value().toString()); !why.isEmpty())
      return fail(texts::Damaged(file, QStringLiteral("field %1: %2").arg(it.key(), why)));
    b.fields.insert(it.key(), it.value().toString());
  }
  if (!b.fields.contains(uf::kClock)) return fail(texts::Damaged(file, QStringLiteral("the clock is missing")));
  return b;
}

bool Save(const QString& path, const UnitBackup& backup, QString* error) {
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) {
    if (error) *error = texts::CannotWrite(path, out.errorString());
    return false;
  }
  // A password in the file: its owner only, before a byte of it is written.
  if (backup.fields.contains(uf::kPassword) && ::fchmod(out.handle(), S_IRUSR | S_IWUSR) != 0) {
    out.cancelWriting();
    if (error) *error = texts::CannotWrite(path, QStringLiteral("cannot make it private"));
    return false;
  }
  const QByteArray bytes = Write(backup);
  if (out.write(bytes) != bytes.size() || !out.commit()) {
    if (error) *error = texts::CannotWrite(path, out.errorString());
    return false;
  }
  return true;
}

std::optional<UnitBackup> Load(const QString& path, QString* error) {
  QFile in(path);
  // A settings file is small; anything far larger is not one.
  constexpr qint64 kMaxSize = 1 << 20;
  if (!in.open(QIODevice::ReadOnly)) {
    if (error) *error = texts::CannotRead(path, in.errorString());
    return std::nullopt;
  }
  if (in.size() > kMaxSize) {
    if (error) *error = texts::NotASettingsFile(path);
    return std::nullopt;
  }
  return Parse(in.read(kMaxSize + 1), QFileInfo(path).fileName(), error);
}

QString DefaultName(const QString& serial, const QString& address, const QDate& date) {
  QString stem = serial.trimmed();
  if (stem.isEmpty()) stem = address.trimmed();
  // Nothing of the name may lead out of the folder chosen.
  for (QChar& c : stem)
    if (!c.isLetterOrNumber() && c != u'-' && c != u'_') c = u'-';
  if (stem.isEmpty()) stem = QStringLiteral("unit");
  return QStringLiteral("%1-%2.%3").arg(stem, date.toString(Qt::ISODate), kSuffix);
}

}  // namespace zam::settingsfile
