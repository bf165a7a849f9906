#pragma once
// The named fields of a unit's settings block: one table, shared by the
// settings window, the backup file, the comparison and the command line.
// Each field has a stable key ("camera.2.title", "time_zone", ...), a label
// for people, and a text form that reads back to the same value.
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

#include <corvel/records.h>

namespace zam {

enum class UnitFieldKind { Title, Clock, Choice, Password };

// Groups of fields a copy to other units can carry.
enum class UnitFieldGroup {
  Titles, Clock, ZoneAndDaylight, Formats, Display, KeyboardLock, AlarmLatch, Password
};

struct UnitFieldInfo {
  QString key;
  QString label;
  UnitFieldKind kind = UnitFieldKind::Choice;
  UnitFieldGroup group = UnitFieldGroup::Formats;
  QStringList choices;  // the accepted texts of a Choice field, in value order
};

// Field texts by key.
using UnitFieldValues = QMap<QString, QString>;

namespace unitfields {

constexpr int kTitleLength = 16;
constexpr int kPasswordLength = 4;
inline const QString kClock = QStringLiteral("clock");
inline const QString kPassword = QStringLiteral("password");
inline const QString kTimeZone = QStringLiteral("time_zone");

// "camera.N.title" with N counted from 1.
QString TitleKey(int camera);
// The camera index (from 0) of a title key, or -1.
int TitleIndex(const QString& key);

// The fields of a block, in the window's order: the titles of its cameras,
// the clock, the choices, and the password when the block holds one.
QList<UnitFieldInfo> Fields(const COMBO_BLOCK& block);
// One field by key (title keys of any camera number are known); nullopt for
// an unknown key.
std::optional<UnitFieldInfo> Field(const QString& key);
// Every key the table knows apart from the titles, for help texts.
QStringList FixedKeys();

// The field's text in the block ("" for a title past Count).
QString Text(const COMBO_BLOCK& block, const QString& key);
// Every field of Fields(block) as text. The password only when asked.
UnitFieldValues Texts(const COMBO_BLOCK& block, bool withPassword);
// Checks a text for the field without changing anything: empty when it is
// good, else the reason. A block is needed for the title count.
QString Check(const COMBO_BLOCK& block, const QString& key, const QString& text);
// Stores a checked text; false (block unchanged) with the reason otherwise.
// The clock goes to DateTime.Value; the password to Password.EthernetNew.
bool Set(COMBO_BLOCK& block, const QString& key, const QString& text, QString* error);

// The unit's clock: DateTime.Value <-> a local date and time without zone
// (held as UTC so that no daylight-saving gap moves it).
std::optional<QDateTime> ClockOf(const COMBO_BLOCK& block);
QString ClockValue(const QDateTime& clock);        // "M/D/YYYY H:m:s" of the block
QString ClockText(const QDateTime& clock);         // "YYYY-MM-DD HH:MM:SS" of the field
std::optional<QDateTime> ParseClockText(const QString& text);
// Years the block can carry (two digits: 1960-2059).
bool ClockInRange(const QDateTime& clock);

// The TIME_ZONE whose offset equals offsetSeconds, if one does.
std::optional<qint32> ZoneForOffset(int offsetSeconds);
// "3 min 12 s", "3 h 0 min 5 s", "0 s" of a span.
QString SpanText(qint64 seconds);
// "the unit was 3 min 12 s behind" / "... ahead" / "the unit's clock was right"
// for unit - pc in seconds.
QString DriftText(qint64 unitMinusPcSeconds);

}  // namespace unitfields
}  // namespace zam
