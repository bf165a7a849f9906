#include "zamtcp.h"

#include <QStringList>

#include <algorithm>
#include <limits>
#include <utility>

namespace zam {

namespace {

constexpr int kHeaderSize = 8;

quint32 ReadBe32(const QByteArray& d, int at) {
  return (quint32(quint8(d[at])) << 24) | (quint32(quint8(d[at + 1])) << 16) |
         (quint32(quint8(d[at + 2])) << 8) | quint32(quint8(d[at + 3]));
}

void AppendBe32(QByteArray& d, quint32 v) {
  d.append(char(v >> 24));
  d.append(char(v >> 16));
  d.append(char(v >> 8));
  d.append(char(v));
}

// 8-bit text up to the first 0 byte or the end of the field, blanks trimmed.
QString FieldText(const QByteArray& d, int from, int width) {
  if (from >= d.size()) return {};
  QByteArray field = d.mid(from, width);
  const int nul = field.indexOf('\0');
  if (nul >= 0) field.truncate(nul);
  QString text = QString::fromLatin1(field);
  qsizetype b = 0, e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  return text.mid(b, e - b);
}

}  // namespace

qint32 ReplyType(qint32 requestType) {
  const quint32 t = quint32(requestType);
  const quint32 high = ((t >> 24) + 0x64) & 0xFF;
  return qint32((high << 24) | (t & 0x00FF0000));
}

qint32 PasswordToCode(const QByteArray& password) {
  const int n = int(password.size());
  if (n != 3 && n != 4) return 0;
  qint64 sum = 0;
  for (int k = 1; k <= n; ++k) {
    qint64 term = 1;
    for (int i = 0; i < k; ++i) term *= quint8(password[k - 1]);
    sum += term;
  }
  if (sum > std::numeric_limits<qint32>::max()) return 0;
  return qint32(sum);
}

qint32 PasswordToCode(const QString& password) {
  return PasswordToCode(password.toLatin1());
}

QString ByteToBits(quint8 value) {
  QString bits(8, u'0');
  for (int i = 0; i < 8; ++i)
    if (value & (0x80 >> i)) bits[i] = u'1';
  return bits;
}

QByteArray BuildFrame(qint32 msgType, const QByteArray& payload) {
  QByteArray f;
  f.reserve(kHeaderSize + payload.size());
  f.append(char(0xFF));
  f.append(char(0xFF));
  f.append(char(quint32(msgType) >> 24));
  f.append(char(quint32(msgType) >> 16));
  AppendBe32(f, quint32(payload.size()));
  f.append(payload);
  return f;
}

QByteArray BuildConnectionRequest(quint8 clientByte, const QString& password) {
  QByteArray payload(1, char(clientByte));
  AppendBe32(payload, quint32(PasswordToCode(password)));
  return BuildFrame(ZAM_CONNECTION_REQUEST, payload);
}

QByteArray BuildSpiKeyFrame(quint8 code) {
  return BuildFrame(ZAM_SPI_KEY, QByteArray(1, char(code)));
}

std::optional<qint32> FrameType(const QByteArray& frame) {
  if (frame.size() < 4) return std::nullopt;
  return qint32((quint32(quint8(frame[2])) << 24) | (quint32(quint8(frame[3])) << 16));
}

std::optional<quint32> FramePayloadLength(const QByteArray& frame) {
  if (frame.size() < kHeaderSize) return std::nullopt;
  return ReadBe32(frame, 4);
}

// ---------------------------------------------------------------------------

void FrameAssembler::Reset() {
  rx_.Reset();
  building_.clear();
  pendingHeader_.clear();
  pendingAccepted_ = false;
  inFrame_ = false;
}

bool FrameAssembler::StartsFrame(const QByteArray& chunk) const {
  if (chunk.size() < 2 || quint8(chunk[0]) != 0xFF || quint8(chunk[1]) != 0xFF) return false;
  if (rule_ == Rule::Keyboard) return true;
  if (chunk.size() < 4) return false;
  const quint8 b2 = quint8(chunk[2]);
  return b2 >= 0x64 && b2 <= 0x74 && quint8(chunk[3]) != 0xFF;
}

// Too short to tell yet, but every byte there fits the start rule.
bool FrameAssembler::MayStartFrame(const QByteArray& bytes) const {
  const int decide = rule_ == Rule::Keyboard ? 2 : 4;
  if (bytes.isEmpty() || bytes.size() >= decide) return false;
  if (quint8(bytes[0]) != 0xFF) return false;
  if (bytes.size() >= 2 && quint8(bytes[1]) != 0xFF) return false;
  if (bytes.size() >= 3 && (quint8(bytes[2]) < 0x64 || quint8(bytes[2]) > 0x74)) return false;
  return true;
}

QList<QByteArray> FrameAssembler::Feed(const QByteArray& chunk) {
  QList<QByteArray> done;
  QByteArray rest = chunk;
  // A start whose header came short: its bytes lead the next chunk.
  bool accepted = false;
  // A chunk that starts a frame abandons a header still short of its length,
  // as it abandons an unfinished frame: a frame cut off (or a stray start)
  // must not swallow the next reply. Only a start marker alone may still
  // continue into the chunk.
  if (pendingHeader_.size() >= 2 && StartsFrame(chunk)) {
    pendingHeader_.clear();
    pendingAccepted_ = false;
  }
  if (!pendingHeader_.isEmpty()) {
    rest.prepend(pendingHeader_);
    accepted = pendingAccepted_;
    pendingHeader_.clear();
    pendingAccepted_ = false;
  }

  while (!rest.isEmpty()) {
    if (accepted || StartsFrame(rest)) {
      accepted = false;
      inFrame_ = false;  // a new start abandons an unfinished frame
      if (rest.size() < kHeaderSize) {
        pendingHeader_ = rest;
        pendingAccepted_ = true;
        return done;
      }
      const quint32 payload = ReadBe32(rest, 4);
      if (payload > quint32(kMaxFramePayload)) {
        // Refused unread: the rest of this frame arrives as strays and is dropped.
        rx_.Reset();
        building_.clear();
        return done;
      }
      rx_.PayloadLength = qint32(payload);
      rx_.TotalLength = qint32(payload) + kHeaderSize;
      building_ = QByteArray(rx_.TotalLength, '\0');
      rx_.Received = 0;
      inFrame_ = true;
    } else if (!inFrame_) {
      if (MayStartFrame(rest)) {
        pendingHeader_ = rest;
        pendingAccepted_ = false;
      }
      return done;  // stray bytes between frames
    }

    const int take = int(qMin<qsizetype>(rest.size(), rx_.TotalLength - rx_.Received));
    std::copy_n(rest.constData(), take, building_.data() + rx_.Received);
    rx_.Received += take;
    rest.remove(0, take);
    if (rx_.Received >= rx_.TotalLength) {
      inFrame_ = false;
      rx_.Data = std::exchange(building_, QByteArray());
      rx_.MsgType = *FrameType(rx_.Data);
      done.append(rx_.Data);
    }
  }
  return done;
}

// ---------------------------------------------------------------------------

std::optional<LoginReply> ParseLoginReply(const QByteArray& frame) {
  if (frame.size() < 12) return std::nullopt;
  return LoginReply{quint8(frame[8]), quint8(frame[11])};
}

bool IsKeyboardUnitClass(quint8 unitClass) { return unitClass == 0x80 || unitClass == 0x81; }

StatusRecord ParseStatusReply(const QByteArray& frame) {
  StatusRecord r;
  const auto holds = [&frame](int from, int width) { return frame.size() >= from + width; };
  if (holds(107, 1)) r.unitType = quint8(frame[107]);
  if (holds(35, 2)) r.version = QString::number(quint8(frame[35])) + u'.' + QString::number(quint8(frame[36]));
  if (holds(60, 20)) r.name = FieldText(frame, 60, 20);
  if (holds(80, 20)) r.name2 = FieldText(frame, 80, 20);
  if (holds(100, 6)) r.macAddress = MacToText(frame.mid(100, 6));
  r.complete = frame.size() >= kStatusReplySize;
  return r;
}

std::optional<quint8> ParseLedReply(const QByteArray& frame) {
  if (frame.size() < 10) return std::nullopt;
  return quint8(frame[9]);
}

QByteArray BuildLoginReply(quint8 result, quint8 unitClass) {
  QByteArray payload(4, '\0');
  payload[0] = char(result);
  payload[3] = char(unitClass);
  return BuildFrame(ZAM_CONNECTION_RESPONSE, payload);
}

QByteArray BuildStatusReply(const StatusFields& fields) {
  QByteArray payload(100, '\0');  // frame bytes 8..107
  auto put = [&payload](int frameOffset, const QByteArray& bytes, int width) {
    const int n = int(qMin<qsizetype>(bytes.size(), width));
    std::copy_n(bytes.constData(), n, payload.data() + frameOffset - kHeaderSize);
  };
  payload[35 - kHeaderSize] = char(fields.versionMajor);
  payload[36 - kHeaderSize] = char(fields.versionMinor);
  put(60, fields.name, 20);
  put(80, fields.name2, 20);
  put(100, fields.mac, 6);
  payload[107 - kHeaderSize] = char(fields.unitType);
  return BuildFrame(ZAM_STATUS_RESPONSE, payload);
}

QByteArray BuildLedReply(quint8 ledBits) {
  QByteArray payload(2, '\0');
  payload[1] = char(ledBits);
  return BuildFrame(ZAM_LED_STATUS_RESPONSE, payload);
}

QByteArray BuildRebootReply() { return BuildFrame(ZAM_REBOOT_RESPONSE); }

std::optional<LoginRequest> ParseConnectionRequest(const QByteArray& frame) {
  if (frame.size() < kHeaderSize + 5 || FrameType(frame) != ZAM_CONNECTION_REQUEST ||
      *FramePayloadLength(frame) < 5)
    return std::nullopt;
  return LoginRequest{quint8(frame[kHeaderSize]), qint32(ReadBe32(frame, kHeaderSize + 1))};
}

std::optional<quint8> ParseSpiKeyFrame(const QByteArray& frame) {
  if (frame.size() < kHeaderSize + 1 || FrameType(frame) != ZAM_SPI_KEY ||
      *FramePayloadLength(frame) < 1)
    return std::nullopt;
  return quint8(frame[kHeaderSize]);
}

QString MacToText(const QByteArray& sixBytes) {
  if (sixBytes.size() < 6) return {};
  QStringList groups;
  for (int i = 0; i < 6; ++i)
    groups << QStringLiteral("%1").arg(quint8(sixBytes[i]), 2, 16, QLatin1Char('0')).toUpper();
  return groups.join(u'-');
}

}  // namespace zam
