#include "unitfields.h"

#include <QRegularExpression>
#include <QTimeZone>

#include "comboblock.h"

#include <array>

namespace zam::unitfields {

namespace {

struct ChoiceField {
  const char* key;
  const char* label;
  UnitFieldGroup group;
  QStringList (*choices)();
  qint32& (*ref)(COMBO_BLOCK&);
};

QStringList OffOn() { return {QStringLiteral("off"), QStringLiteral("on")}; }
QStringList TimeFormats() { return {QStringLiteral("12h"), QStringLiteral("24h")}; }
QStringList DateFormats() {
  return {QStringLiteral("MM/DD/YY"), QStringLiteral("DD/MM/YY"), QStringLiteral("YY/MM/DD")};
}
QStringList Daylights() {
  return {QStringLiteral("off"), QStringLiteral("usa"), QStringLiteral("eur"), QStringLiteral("aus")};
}
QStringList Zones() {
  QStringList z;
  for (int v = GMT_1200N; v <= GMT_1200P; ++v) z << TimeZoneText(v);
  return z;
}
QStringList Latches() {
  return {QStringLiteral("latched"), QStringLiteral("transparent"), QStringLiteral("timeout")};
}

using G = UnitFieldGroup;
const std::array<ChoiceField, 12> kChoices{{
    {"time_format", "Time format", G::Formats, TimeFormats,
     [](COMBO_BLOCK& b) -> qint32& { return b.DateTime.TimeFormat; }},
    {"date_format", "Date format", G::Formats, DateFormats,
     [](COMBO_BLOCK& b) -> qint32& { return b.DateTime.DateFormat; }},
    {"daylight_saving", "Daylight saving", G::ZoneAndDaylight, Daylights,
     [](COMBO_BLOCK& b) -> qint32& { return b.DateTime.Daylight; }},
    {"time_zone", "Time zone", G::ZoneAndDaylight, Zones,
     [](COMBO_BLOCK& b) -> qint32& { return b.DateTime.TimeZone; }},
    {"display.current_time_date", "Show the current time and date", G::Display, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.Display.CurrentTimeDate; }},
    {"display.playback_time_date", "Show the playback time and date", G::Display, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.Display.PlaybackTimeDate; }},
    {"display.record_capacity", "Show the record capacity", G::Display, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.Display.RecordCapacity; }},
    {"display.last_alarm", "Show the last alarm", G::Display, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.Display.LastAlarm; }},
    {"display.record_play_speed", "Show the record and play speed", G::Display, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.Display.RecordPlaySpeed; }},
    {"display.camera_title", "Show the camera titles", G::Display, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.Display.CameraTitle; }},
    {"keyboard_lock", "Lock the unit's keyboard", G::KeyboardLock, OffOn,
     [](COMBO_BLOCK& b) -> qint32& { return b.LockKeyboard; }},
    {"alarm_latch", "Alarm latch mode", G::AlarmLatch, Latches,
     [](COMBO_BLOCK& b) -> qint32& { return b.Alarms.AlarmLatch; }},
}};

const ChoiceField* FindChoice(const QString& key) {
  for (const ChoiceField& f : kChoices)
    if (key == QLatin1String(f.key)) return &f;
  return nullptr;
}

UnitFieldInfo InfoOf(const ChoiceField& f) {
  return {QString::fromLatin1(f.key), QString::fromLatin1(f.label), UnitFieldKind::Choice, f.group,
          f.choices()};
}

UnitFieldInfo TitleInfo(int camera) {
  return {TitleKey(camera), QStringLiteral("Camera %1 title").arg(camera + 1), UnitFieldKind::Title,
          G::Titles, {}};
}

UnitFieldInfo ClockInfo() { return {kClock, QStringLiteral("Clock"), UnitFieldKind::Clock, G::Clock, {}}; }
UnitFieldInfo PasswordInfo() {
  return {kPassword, QStringLiteral("Ethernet password"), UnitFieldKind::Password, G::Password, {}};
}

bool HasPassword(const COMBO_BLOCK& block) { return !block.Password.EthernetOld.isEmpty(); }

}  // namespace

QString TitleKey(int camera) { return QStringLiteral("camera.%1.title").arg(camera + 1); }

int TitleIndex(const QString& key) {
  static const QRegularExpression re(QStringLiteral(R"(^camera\.([1-9][0-9]{0,2})\.title$)"));
  const auto m = re.match(key);
  if (!m.hasMatch()) return -1;
  const int n = m.captured(1).toInt();
  return n <= 255 ? n - 1 : -1;
}

QList<UnitFieldInfo> Fields(const COMBO_BLOCK& block) {
  QList<UnitFieldInfo> out;
  for (int k = 0; k < block.Camera.Count; ++k) out << TitleInfo(k);
  out << ClockInfo();
  for (const ChoiceField& f : kChoices) out << InfoOf(f);
  if (HasPassword(block)) out << PasswordInfo();
  return out;
}

std::optional<UnitFieldInfo> Field(const QString& key) {
  if (const int k = TitleIndex(key); k >= 0) return TitleInfo(k);
  if (key == kClock) return ClockInfo();
  if (key == kPassword) return PasswordInfo();
  if (const ChoiceField* f = FindChoice(key)) return InfoOf(*f);
  return std::nullopt;
}

QStringList FixedKeys() {
  QStringList keys{kClock};
  for (const ChoiceField& f : kChoices) keys << QString::fromLatin1(f.key);
  keys << kPassword;
  return keys;
}

QString Text(const COMBO_BLOCK& block, const QString& key) {
  if (const int k = TitleIndex(key); k >= 0) return k < block.Camera.Title.size() ? block.Camera.Title[k] : QString();
  if (key == kClock) {
    const auto clock = ClockOf(block);
    return clock ? ClockText(*clock) : QString();
  }
  if (key == kPassword)
    return block.Password.EthernetNew.isEmpty() ? block.Password.EthernetOld : block.Password.EthernetNew;
  if (const ChoiceField* f = FindChoice(key)) {
    const qint32 v = f->ref(const_cast<COMBO_BLOCK&>(block));
    const QStringList choices = f->choices();
    return v >= 0 && v < choices.size() ? choices[v] : QString::number(v);
  }
  return QString();
}

UnitFieldValues Texts(const COMBO_BLOCK& block, bool withPassword) {
  UnitFieldValues out;
  for (const UnitFieldInfo& f : Fields(block))
    if (f.kind != UnitFieldKind::Password || withPassword) out.insert(f.key, Text(block, f.key));
  return out;
}

QString Check(const COMBO_BLOCK& block, const QString& key, const QString& text) {
  const auto info = Field(key);
  if (!info) return QStringLiteral("there is no field %1").arg(key);
  switch (info->kind) {
    case UnitFieldKind::Title: {
      const int k = TitleIndex(key);
      if (k >= block.Camera.Count)
        return QStringLiteral("the unit has %1 cameras, so no %2").arg(block.Camera.Count).arg(info->label);
      if (text.size() > kTitleLength)
        return QStringLiteral("a camera title has %1 characters at most").arg(kTitleLength);
      for (QChar c : text)
        if (c.unicode() == 0 || c.unicode() > 0xFF)
          return QStringLiteral("the unit cannot show the character \"%1\" in a title").arg(c);
      return QString();
    }
    case UnitFieldKind::Clock: {
      const auto clock = ParseClockText(text);
      if (!clock) return QStringLiteral("the clock is written YYYY-MM-DD HH:MM:SS");
      if (!ClockInRange(*clock)) return QStringLiteral("the unit's clock holds the years 1960 to 2059");
      return QString();
    }
    case UnitFieldKind::Password: {
      static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9]{4}$"));
      if (!re.match(text).hasMatch()) return QStringLiteral("the password is 4 letters or digits");
      return QString();
    }
    case UnitFieldKind::Choice:
      for (const QString& c : info->choices)
        if (c.compare(text, Qt::CaseInsensitive) == 0) return QString();
      return QStringLiteral("%1 is one of: %2").arg(info->label, info->choices.join(QStringLiteral(", ")));
  }
  return QString();
}

bool Set(COMBO_BLOCK& block, const QString& key, const QString& text, QString* error) {
  if (const QString why = Check(block, key, text); !why.isEmpty()) {
    if (error) *error = why;
    return false;
  }
  if (const int k = TitleIndex(key); k >= 0) {
    while (block.Camera.Title.size() < block.Camera.Count) block.Camera.Title << QString();
    block.Camera.Title[k] = text;
  } else if (key == kClock) {
    block.DateTime.Value = ClockValue(*ParseClockText(text));
  } else if (key == kPassword) {
    block.Password.EthernetNew = text == block.Password.EthernetOld ? QString() : text;
  } else if (const ChoiceField* f = FindChoice(key)) {
    const QStringList choices = f->choices();
    for (int v = 0; v < choices.size(); ++v)
      if (choices[v].compare(text, Qt::CaseInsensitive) == 0) f->ref(block) = v;
  }
  return true;
}

std::optional<QDateTime> ClockOf(const COMBO_BLOCK& block) {
  static const QRegularExpression re(
      QStringLiteral(R"(^(\d{1,2})/(\d{1,2})/(\d{4}) (\d{1,2}):(\d{1,2}):(\d{1,2})$)"));
  const auto m = re.match(block.DateTime.Value);
  if (!m.hasMatch()) return std::nullopt;
  const QDate date(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
  const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
  if (!date.isValid() || !time.isValid()) return std::nullopt;
  return QDateTime(date, time, Qt::UTC);
}

QString ClockValue(const QDateTime& clock) {
  const QDate d = clock.date();
  const QTime t = clock.time();
  return QStringLiteral("%1/%2/%3 %4:%5:%6")
      .arg(d.month()).arg(d.day()).arg(d.year()).arg(t.hour()).arg(t.minute()).arg(t.second());
}

QString ClockText(const QDateTime& clock) {
  return clock.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<QDateTime> ParseClockText(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})$)"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
  if (!date.isValid() || !time.isValid()) return std::nullopt;
  return QDateTime(date, time, Qt::UTC);
}

bool ClockInRange(const QDateTime& clock) {
  const int y = clock.date().year();
  return y >= 1960 && y <= 2059;
}

std::optional<qint32> ZoneForOffset(int offsetSeconds) {
  static const QRegularExpression re(QStringLiteral(R"(^GMT([+\- ])(\d{2}):(\d{2})$)"));
  for (qint32 v = GMT_1200N; v <= GMT_1200P; ++v) {
    const auto m = re.match(TimeZoneText(v));
    if (!m.hasMatch()) continue;
    const int sign = m.captured(1) == QLatin1String("-") ? -1 : 1;
    if (sign * (m.captured(2).toInt() * 3600 + m.captured(3).toInt() * 60) == offsetSeconds) return v;
  }
  return std::nullopt;
}

QString SpanText(qint64 seconds) {
  if (seconds < 0) seconds = -seconds;
  const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  if (h > 0) return QStringLiteral("%1 h %2 min %3 s").arg(h).arg(m).arg(s);
  if (m > 0) return QStringLiteral("%1 min %2 s").arg(m).arg(s);
  return QStringLiteral("%1 s").arg(s);
}

QString DriftText(qint64 unitMinusPcSeconds) {
  if (unitMinusPcSeconds == 0) return QStringLiteral("the unit's clock was right");
  return QStringLiteral("the unit was %1 %2")
      .arg(SpanText(unitMinusPcSeconds),
           unitMinusPcSeconds < 0 ? QStringLiteral("behind") : QStringLiteral("ahead"));
}

}  // namespace zam::unitfields
