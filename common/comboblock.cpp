#include "comboblock.h"

#include "zamtcp.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <array>

namespace zam {

namespace {

constexpr int kFrameHeader = 8;
constexpr int kSendFixedHeader = 6;  // H, P, 00 00
constexpr int kTitleWidth = 16;
constexpr int kPasswordWidth = 4;

quint16 Be16(const QByteArray& d, int at) {
  return quint16((quint8(d[at]) << 8) | quint8(d[at + 1]));
}

void PutBe16(QByteArray& d, int at, quint16 v) {
  d[at] = char(v >> 8);
  d[at + 1] = char(v);
}

std::optional<quint8> ByteAt(const QByteArray& d, int at) {
  if (at < 0 || at >= d.size()) return std::nullopt;
  return quint8(d[at]);
}

// Values outside a byte are left as the block had them.
void PutEnum(QByteArray& d, int at, qint32 v) {
  if (at < d.size() && v >= 0 && v <= 255) d[at] = char(v);
}

QString TrimBlanks(const QString& text) {
  qsizetype b = 0, e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  return text.mid(b, e - b);
}

struct DateFields {
  int hour, minute, second, month, day, year2;
};

// "M/D/YYYY H:m:s" as Unpack writes it; leading zeros, a two-digit year and
// a missing seconds or time part are accepted as well.
std::optional<DateFields> ParseValue(const QString& value) {
  static const QRegularExpression re(QStringLiteral(
      R"(^\s*(\d{1,2})/(\d{1,2})/(\d{2}|\d{4})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
  const QRegularExpressionMatch m = re.match(value);
  if (!m.hasMatch()) return std::nullopt;
  const int month = m.captured(1).toInt();
  const int day = m.captured(2).toInt();
  int year = m.captured(3).toInt();
  if (m.captured(3).size() == 2) year += year >= 60 ? 1900 : 2000;
  const int hour = m.captured(4).isEmpty() ? 0 : m.captured(4).toInt();
  const int minute = m.captured(5).isEmpty() ? 0 : m.captured(5).toInt();
  const int second = m.captured(6).isEmpty() ? 0 : m.captured(6).toInt();
  if (!QDate(year, month, day).isValid() || !QTime(hour, minute, second).isValid())
    return std::nullopt;
  return DateFields{hour, minute, second, month, day, year % 100};
}

}  // namespace

QString TimeZoneText(qint32 zone) {
  static const std::array<const char*, 31> names = {
      "GMT-12:00", "GMT-11:00", "GMT-10:00", "GMT-09:00", "GMT-08:00", "GMT-07:00",
      "GMT-06:00", "GMT-05:00", "GMT-04:00", "GMT-03:00", "GMT-03:30", "GMT-02:00",
      "GMT-01:00", "GMT 00:00", "GMT+01:00", "GMT+02:00", "GMT+03:00", "GMT+03:30",
      "GMT+04:00", "GMT+04:30", "GMT+05:00", "GMT+05:30", "GMT+06:00", "GMT+06:30",
      "GMT+07:00", "GMT+08:00", "GMT+09:00", "GMT+09:30", "GMT+10:00", "GMT+11:00",
      "GMT+12:00"};
  if (zone < 0 || zone >= qint32(names.size())) return {};
  return QString::fromLatin1(names[size_t(zone)]);
}

std::optional<RawComboBlock> SplitComboResponse(const QByteArray& frame) {
  if (frame.size() < kFrameHeader + 4) return std::nullopt;
  const quint32 p = *FramePayloadLength(frame);
  if (p > quint32(frame.size() - kFrameHeader)) return std::nullopt;
  RawComboBlock raw;
  raw.P = qint32(p);
  raw.H = Be16(frame, kFrameHeader);
  raw.D = Be16(frame, kFrameHeader + 2);
  // The header holds at least its own two lengths, and both parts fit the payload.
  if (raw.H < 4 || qint64(raw.H) + raw.D > raw.P) return std::nullopt;
  raw.header = frame.mid(kFrameHeader, raw.H);
  raw.data = frame.mid(kFrameHeader + raw.H, raw.D);
  raw.working = raw.data;
  raw.rows = raw.D / 16;
  return raw;
}

COMBO_BLOCK UnpackComboBlock(const RawComboBlock& raw) {
  const QByteArray& d = raw.data;
  COMBO_BLOCK cb;
  auto read = [&d](int at, qint32& field) {
    if (const auto v = ByteAt(d, at)) field = *v;
  };

  cb.Camera.Count = ByteAt(d, cbo::CameraCount).value_or(0);
  for (int k = 0; k < cb.Camera.Count; ++k) {
    QByteArray title = d.mid(k * kTitleWidth, kTitleWidth);
    const qsizetype nul = title.indexOf('\0');
    if (nul >= 0) title.truncate(nul);
    cb.Camera.Title << TrimBlanks(QString::fromLatin1(title));
  }

  read(cbo::RecordCapacity, cb.Display.RecordCapacity);
  read(cbo::LastAlarm, cb.Display.LastAlarm);
  read(cbo::RecordPlaySpeed, cb.Display.RecordPlaySpeed);
  read(cbo::PlaybackTimeDate, cb.Display.PlaybackTimeDate);
  read(cbo::CurrentTimeDate, cb.Display.CurrentTimeDate);
  read(cbo::CameraTitle, cb.Display.CameraTitle);
  read(cbo::Daylight, cb.DateTime.Daylight);
  read(cbo::TimeZone, cb.DateTime.TimeZone);
  read(cbo::TimeFormat, cb.DateTime.TimeFormat);
  read(cbo::DateFormat, cb.DateTime.DateFormat);
  read(cbo::AlarmLatch, cb.Alarms.AlarmLatch);
  read(cbo::LockKeyboard, cb.LockKeyboard);

  if (d.size() > cbo::Year) {
    const quint8 year = quint8(d[cbo::Year]);
    cb.DateTime.Value = QStringLiteral("%1/%2/%3%4 %5:%6:%7")
                            .arg(quint8(d[cbo::Month]))
                            .arg(quint8(d[cbo::Day]))
                            .arg(year >= 60 ? QStringLiteral("19") : QStringLiteral("20"))
                            .arg(year, 2, 10, QLatin1Char('0'))
                            .arg(quint8(d[cbo::Hour]))
                            .arg(quint8(d[cbo::Minute]))
                            .arg(quint8(d[cbo::Second]));
  }

  if (raw.rows > 240 && d.size() >= cbo::EthernetPassword + kPasswordWidth)
    cb.Password.EthernetOld = QString::fromLatin1(d.mid(cbo::EthernetPassword, kPasswordWidth));
  return cb;
}

bool PackComboBlock(const COMBO_BLOCK& block, RawComboBlock& raw) {
  // Always start from the block as received: a second pack must not grow it twice.
  const int receivedD = int(raw.data.size());
  const qint32 receivedP = raw.P - qMax(0, raw.D - receivedD);
  const int rows = receivedD / 16;
  QByteArray w = raw.data;
  if (w.size() <= cbo::Year) return false;

  const auto date = ParseValue(block.DateTime.Value);
  if (!date) return false;

  const QByteArray newPassword = block.Password.EthernetNew.toLatin1();
  int growth = 0;
  if (!newPassword.isEmpty()) {
    if (rows < 240) return false;  // no place for it
    if (rows == 240) growth = 16;
  }

  for (int k = 0; k < block.Camera.Count; ++k) {
    const QByteArray title =
        k < block.Camera.Title.size() ? block.Camera.Title[k].toLatin1() : QByteArray();
    for (int j = 0; j < kTitleWidth; ++j) {
      const int at = k * kTitleWidth + j;
      if (at >= w.size()) break;
      if (k == 0 && j == kTitleWidth - 1 && title.size() < kTitleWidth) continue;
      w[at] = j < title.size() ? title[j] : '\0';
    }
  }

  PutEnum(w, cbo::LockKeyboard, block.LockKeyboard);
  PutEnum(w, cbo::AlarmLatch, block.Alarms.AlarmLatch);
  PutEnum(w, cbo::Daylight, block.DateTime.Daylight);
  PutEnum(w, cbo::TimeZone, block.DateTime.TimeZone);
  PutEnum(w, cbo::TimeFormat, block.DateTime.TimeFormat);
  PutEnum(w, cbo::DateFormat, block.DateTime.DateFormat);

  w[cbo::Hour] = char(date->hour);
  w[cbo::Minute] = char(date->minute);
  w[cbo::Second] = char(date->second);
  w[cbo::Month] = char(date->month);
  w[cbo::Day] = char(date->day);
  w[cbo::Year] = char(date->year2);

  PutEnum(w, cbo::RecordCapacity, block.Display.RecordCapacity);
  PutEnum(w, cbo::LastAlarm, block.Display.LastAlarm);
  PutEnum(w, cbo::RecordPlaySpeed, block.Display.RecordPlaySpeed);
  PutEnum(w, cbo::PlaybackTimeDate, block.Display.PlaybackTimeDate);
  PutEnum(w, cbo::CurrentTimeDate, block.Display.CurrentTimeDate);
  PutEnum(w, cbo::CameraTitle, block.Display.CameraTitle);

  if (!newPassword.isEmpty()) {
    w.append(QByteArray(growth, '\0'));
    for (int i = 0; i < kPasswordWidth; ++i)
      w[cbo::EthernetPassword + i] = i < newPassword.size() ? newPassword[i] : '\0';
  }

  raw.working = w;
  raw.P = receivedP + growth;
  raw.D = receivedD + growth;
  return true;
}

QByteArray BuildComboBlockSend(const RawComboBlock& raw) {
  if (raw.H < 4 || raw.P < raw.H || raw.header.size() < raw.H) return {};
  QByteArray payload(raw.P, '\0');
  PutBe16(payload, 0, quint16(raw.H));
  PutBe16(payload, 2, quint16(raw.P));
  // Bytes 4-5 stay 00 00; the rest of the header goes back as it came.
  for (int i = kSendFixedHeader; i < raw.H; ++i) payload[i] = raw.header[i];
  const qsizetype n = qMin<qsizetype>(raw.working.size(), raw.P - raw.H);
  std::copy_n(raw.working.constData(), n, payload.data() + raw.H);
  return BuildFrame(ZAM_COMBO_BLOCK_SEND, payload);
}

QByteArray BuildComboResponse(const QByteArray& header, const QByteArray& data) {
  QByteArray h = header;
  if (h.size() < kSendFixedHeader) h.resize(kSendFixedHeader, '\0');
  PutBe16(h, 0, quint16(h.size()));
  PutBe16(h, 2, quint16(data.size()));
  return BuildFrame(ZAM_COMBO_BLOCK_REQUEST_RESPONSE, h + data);
}

std::optional<ComboSend> ParseComboSend(const QByteArray& frame) {
  if (frame.size() < kFrameHeader + kSendFixedHeader || FrameType(frame) != ZAM_COMBO_BLOCK_SEND)
    return std::nullopt;
  const quint32 p = *FramePayloadLength(frame);
  if (p > quint32(frame.size() - kFrameHeader)) return std::nullopt;
  ComboSend s;
  s.H = Be16(frame, kFrameHeader);
  s.P16 = Be16(frame, kFrameHeader + 2);
  if (s.H < 4 || quint32(s.H) > p) return std::nullopt;
  if (s.H > kSendFixedHeader)
    s.header = frame.mid(kFrameHeader + kSendFixedHeader, s.H - kSendFixedHeader);
  s.data = frame.mid(kFrameHeader + s.H, qsizetype(p) - s.H);
  return s;
}

QByteArray DefaultComboData(int rows, int cameras) {
  QByteArray d(qMax(rows, 0) * 16, '\0');
  auto put = [&d](int at, int v) {
    if (at < d.size()) d[at] = char(v);
  };
  for (int k = 0; k < cameras; ++k) {
    const QByteArray title = "Camera " + QByteArray::number(k + 1);
    for (int j = 0; j < title.size(); ++j) put(k * kTitleWidth + j, title[j]);
  }
  put(cbo::CameraCount, cameras);
  for (int at : {cbo::RecordCapacity, cbo::LastAlarm, cbo::RecordPlaySpeed,
                 cbo::PlaybackTimeDate, cbo::CurrentTimeDate, cbo::CameraTitle})
    put(at, Enabled);
  put(cbo::TimeFormat, TIME_24HR);
  put(cbo::DateFormat, MMDDYY);
  put(cbo::Daylight, OFF);
  put(cbo::TimeZone, GMT_0000);
  put(cbo::AlarmLatch, Latched);
  put(cbo::LockKeyboard, Disabled);
  put(cbo::Hour, 14);
  put(cbo::Minute, 30);
  put(cbo::Second, 5);
  put(cbo::Month, 12);
  put(cbo::Day, 7);
  put(cbo::Year, 23);
  if (rows > 240) {
    const QByteArray password = "qmpv";  // the units' default
    for (int i = 0; i < kPasswordWidth; ++i) put(cbo::EthernetPassword + i, password[i]);
  }
  return d;
}

}  // namespace zam
