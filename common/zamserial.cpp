#include "zamserial.h"

#include <QStringList>

#include <algorithm>

namespace zam {

namespace {

constexpr int kLongMessage = 22;

QByteArray Head(quint8 marker, quint8 byte3, quint8 block) {
  QByteArray m(kLongMessage, '\0');
  m[0] = char(0xFF);
  m[1] = char(marker);
  m[2] = char(0x11);
  m[3] = char(byte3);
  m[4] = char(block);
  return m;
}

QByteArray KeyMessage(quint8 code) {
  QByteArray m(3, '\0');
  m[0] = char(0xFF);
  m[1] = char(0x55);
  m[2] = char(code);
  return m;
}

QString Dotted(const QByteArray& d, int from) {
  return QStringLiteral("%1.%2.%3.%4")
      .arg(quint8(d[from]))
      .arg(quint8(d[from + 1]))
      .arg(quint8(d[from + 2]))
      .arg(quint8(d[from + 3]));
}

QString TrimBlanks(const QString& text) {
  qsizetype b = 0, e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  return text.mid(b, e - b);
}

QString Hex2(quint8 v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); }

bool IsReplySize(const QByteArray& reply) { return reply.size() == kSerialReplySize; }

}  // namespace

QByteArray BuildSerialMessage(int kind, int code, quint8 block, const QByteArray& data) {
  switch (kind) {
    case 1:
      // A key code is one byte; anything else cannot be sent.
      if (code < 0 || code > 255) return {};
      return KeyMessage(quint8(code));
    case 2:
      return Head(0xBB, 0xFF, block);
    case 3:
      return Head(0xDD, 0xFF, block);
    case 5: {
      QByteArray m = Head(0xCC, 0xFF, block);
      const int n = int(qMin<qsizetype>(data.size(), kSerialReplySize));
      std::copy_n(data.constData(), n, m.data() + 5);
      return m;
    }
    default:
      return {};
  }
}

QByteArray BuildPortMessage(int kind, quint8 code, quint8 block) {
  QByteArray m;
  switch (kind) {
    case 1:
      return KeyMessage(code);
    case 2:
      return Head(0xBB, 0xFF, block);
    case 3:
      return Head(0xDD, 0xFF, block);
    case 4:
      m = Head(0xAA, 0xFE, block);
      break;
    case 5:
      m = Head(0xCC, 0xFE, block);
      break;
    default:
      return {};
  }
  m[5] = char(code);
  return m;
}

QByteArray BuildSettingsWrite(quint8 ethernetMode, quint8 dhcpMode,
                              const std::array<quint8, 4>& ip,
                              const std::array<quint8, 4>& mask,
                              const std::array<quint8, 4>& gateway) {
  QByteArray m = Head(0xAA, 0xFE, kBlockSettings);
  m[5] = char(ethernetMode);
  m[6] = char(dhcpMode);
  for (int i = 0; i < 4; ++i) {
    m[7 + i] = char(ip[i]);
    m[11 + i] = char(mask[i]);
    m[15 + i] = char(gateway[i]);
  }
  return m;
}

int ParseSerialRequest(const QByteArray& stream, SerialRequest& out) {
  out = SerialRequest();
  const int n = int(stream.size());
  if (n == 0) return 0;
  auto at = [&stream](int i) { return quint8(stream[i]); };
  // Not a message here: skip this byte and whatever runs up to the next FF.
  auto skip = [&stream, n]() {
    const int next = int(stream.indexOf(char(0xFF), 1));
    return next < 0 ? n : next;
  };

  if (at(0) != 0xFF) return skip();
  if (n < 2) return 0;
  const quint8 marker = at(1);
  if (marker == 0x55) {
    if (n < 3) return 0;
    out.kind = SerialRequest::Kind::Key;
    out.code = at(2);
    return 3;
  }
  if (marker != 0xBB && marker != 0xDD && marker != 0xCC && marker != 0xAA) return skip();
  if (n >= 3 && at(2) != 0x11) return skip();
  if (n >= 4 && at(3) != 0xFF && at(3) != 0xFE) return skip();
  if (n < kLongMessage) return 0;

  out.settingsPage = at(3) == 0xFE;
  out.block = at(4);
  switch (marker) {
    case 0xBB:
      out.kind = SerialRequest::Kind::ReadBlock;
      break;
    case 0xDD:
      out.kind = SerialRequest::Kind::ReadInfo;
      break;
    case 0xCC:
      if (out.settingsPage) {
        out.kind = SerialRequest::Kind::PortCommand;
        out.code = at(5);
      } else {
        out.kind = SerialRequest::Kind::WriteBlock;
        out.data = stream.mid(5, kSerialReplySize);
      }
      break;
    case 0xAA:
      out.kind = SerialRequest::Kind::WriteSettings;
      out.code = at(5);
      out.data = stream.mid(5, 14);
      break;
  }
  return kLongMessage;
}

std::optional<InfoBlock> ParseInfoBlock(const QByteArray& reply) {
  if (!IsReplySize(reply)) return std::nullopt;
  InfoBlock b;
  QStringList groups;
  for (int i = 0; i < 6; ++i) groups << Hex2(quint8(reply[i]));
  b.macAddress = groups.join(u'-');
  b.versionMajor = quint8(reply[6]);
  b.versionMinor = quint8(reply[7]);
  b.version = QString::number(b.versionMajor) + u'.' +
              QStringLiteral("%1").arg(b.versionMinor, 2, 10, QLatin1Char('0'));
  b.modelId = Hex2(quint8(reply[10])) + Hex2(quint8(reply[11]));
  return b;
}

std::optional<UnitBlock> ParseUnitBlock(const QByteArray& reply) {
  if (!IsReplySize(reply)) return std::nullopt;
  UnitBlock b;
  b.unitType = quint8(reply[0]);
  QByteArray name = reply.mid(2, 14);
  const int nul = int(name.indexOf('\0'));
  if (nul >= 0) name.truncate(nul);
  b.name = TrimBlanks(QString::fromLatin1(name));
  return b;
}

std::optional<quint8> ParseAlarmBlock(const QByteArray& reply) {
  if (!IsReplySize(reply)) return std::nullopt;
  return quint8(reply[10]);
}

std::optional<quint8> ParseLedBlock(const QByteArray& reply, bool newFormat) {
  if (!IsReplySize(reply)) return std::nullopt;
  return quint8(reply[newFormat ? 9 : 15]);
}

std::optional<EthernetSettingsBlock> ParseSettingsBlock(const QByteArray& reply) {
  if (!IsReplySize(reply)) return std::nullopt;
  EthernetSettingsBlock b;
  b.ethernetMode = quint8(reply[0]);
  b.dhcpMode = quint8(reply[1]);
  b.ipAddress = Dotted(reply, 2);
  b.subnetMask = Dotted(reply, 6);
  b.gateway = Dotted(reply, 10);
  return b;
}

QByteArray BuildInfoBlock(const QByteArray& mac6, quint8 major, quint8 minor, quint16 modelId) {
  QByteArray b(kSerialReplySize, '\0');
  std::copy_n(mac6.constData(), qMin<qsizetype>(mac6.size(), 6), b.data());
  b[6] = char(major);
  b[7] = char(minor);
  b[8] = char(major);  // the second version is not read; a unit repeats its own
  b[9] = char(minor);
  b[10] = char(modelId >> 8);
  b[11] = char(modelId);
  return b;
}

QByteArray BuildUnitBlock(quint8 unitType, const QByteArray& name) {
  QByteArray b(kSerialReplySize, '\0');
  b[0] = char(unitType);
  std::copy_n(name.constData(), qMin<qsizetype>(name.size(), 14), b.data() + 2);
  return b;
}

QByteArray BuildAlarmBlock(quint8 alarmMode) {
  QByteArray b(kSerialReplySize, '\0');
  b[10] = char(alarmMode);
  return b;
}

QByteArray BuildLedBlock(quint8 ledBits, bool newFormat) {
  QByteArray b(kSerialReplySize, '\0');
  b[newFormat ? 9 : 15] = char(ledBits);
  return b;
}

QByteArray BuildSettingsBlock(quint8 ethernetMode, quint8 dhcpMode,
                              const std::array<quint8, 4>& ip,
                              const std::array<quint8, 4>& mask,
                              const std::array<quint8, 4>& gateway, quint8 ledBits) {
  QByteArray b(kSerialReplySize, '\0');
  b[0] = char(ethernetMode);
  b[1] = char(dhcpMode);
  for (int i = 0; i < 4; ++i) {
    b[2 + i] = char(ip[i]);
    b[6 + i] = char(mask[i]);
    b[10 + i] = char(gateway[i]);
  }
  b[15] = char(ledBits);
  return b;
}

}  // namespace zam
