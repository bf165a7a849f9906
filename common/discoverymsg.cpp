#include "discoverymsg.h"

#include "zamtcp.h"

#include <QStringList>

#include <algorithm>

namespace zam {

namespace {

constexpr int kHeaderSize = 6;
constexpr int kSetIpRequestSize = 33;

QByteArray Header(quint16 type) {
  QByteArray d(kHeaderSize, '\0');
  d[0] = char(0xFF);
  d[1] = char(0xFF);
  d[2] = char(0xCC);
  d[3] = char(0xCC);
  d[4] = char(type >> 8);
  d[5] = char(type);
  return d;
}

QString TrimBlanks(const QString& text) {
  qsizetype b = 0, e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  return text.mid(b, e - b);
}

// Single-byte text from `from`, ending at the first 00 or after `width` bytes
// (width < 0: the end of the datagram).
QString TextAt(const QByteArray& d, int from, int width) {
  if (from >= d.size()) return {};
  QByteArray field = width < 0 ? d.mid(from) : d.mid(from, width);
  const qsizetype nul = field.indexOf('\0');
  if (nul >= 0) field.truncate(nul);
  return TrimBlanks(QString::fromLatin1(field));
}

quint16 Be16(const QByteArray& d, int at) {
  return quint16((quint8(d[at]) << 8) | quint8(d[at + 1]));
}

quint32 Be32(const QByteArray& d, int at) {
  return (quint32(quint8(d[at])) << 24) | (quint32(quint8(d[at + 1])) << 16) |
         (quint32(quint8(d[at + 2])) << 8) | quint32(quint8(d[at + 3]));
}

void PutBe16(QByteArray& d, int at, quint16 v) {
  d[at] = char(v >> 8);
  d[at + 1] = char(v);
}

void PutBe32(QByteArray& d, int at, quint32 v) {
  d[at] = char(v >> 24);
  d[at + 1] = char(v >> 16);
  d[at + 2] = char(v >> 8);
  d[at + 3] = char(v);
}

// Dotted address into four bytes; a part that is missing or not 0..255 is 0.
void PutAddress(QByteArray& d, int at, const QString& address) {
  const QStringList parts = address.split(u'.');
  for (int i = 0; i < 4 && i < parts.size(); ++i) {
    bool ok = false;
    const int v = parts[i].trimmed().toInt(&ok);
    d[at + i] = char(ok && v >= 0 && v <= 255 ? v : 0);
  }
}

}  // namespace

QString UnitIDText(quint8 id) {
  switch (id) {
    case 0x80: return QStringLiteral("ZAM1");
    case 0x81: return QStringLiteral("ZAM4");
    case 0x82: return QStringLiteral("CODEC");
    case 0x83: return QStringLiteral("IPCAM");
    default: return {};
  }
}

QString StreamModeText(quint8 m) {
  switch (m) {
    case 0: return QStringLiteral("Disable");
    case 1: return QStringLiteral("Receiver");
    case 2: return QStringLiteral("Sender");
    case 3: return QStringLiteral("Codec");
    default: return {};
  }
}

QByteArray BuildDiscoveryRequest() { return Header(DISCOVERY_REQUEST); }

bool IsDiscoveryDatagram(const QByteArray& d) {
  return d.size() >= 5 && quint8(d[0]) == 0xFF && quint8(d[1]) == 0xFF &&
         quint8(d[2]) == 0xCC && quint8(d[3]) == 0xCC && quint8(d[4]) == 0x01;
}

std::optional<quint16> DatagramType(const QByteArray& d) {
  if (d.size() < kHeaderSize) return std::nullopt;
  return Be16(d, 4);
}

QString UnitIDToken(quint8 id) {
  return QStringLiteral("0x") + QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper();
}

QString DiscoverySerialNo(const QByteArray& d) { return TextAt(d, 31, -1); }

std::optional<DISCOVER_UDP_INFO> ParseDiscoveryResponse(const QByteArray& d) {
  if (!IsDiscoveryDatagram(d) || DatagramType(d) != DISCOVERY_RESPONSE || d.size() < 31)
    return std::nullopt;
  const int n = int(d.size());
  DISCOVER_UDP_INFO u;
  u.UnitIDVal = quint8(d[6]);
  u.UnitIDStr = UnitIDText(u.UnitIDVal);
  u.SerialNo = DiscoverySerialNo(d);
  u.IPAddress = QStringLiteral("%1.%2.%3.%4")
                    .arg(quint8(d[7]))
                    .arg(quint8(d[8]))
                    .arg(quint8(d[9]))
                    .arg(quint8(d[10]));
  u.ModelName = TextAt(d, 11, 20);
  if (n >= 70) {
    QStringList groups;
    for (int i = 63; i < 69; ++i)
      groups << QStringLiteral("%1").arg(quint8(d[i]), 2, 16, QLatin1Char('0')).toUpper();
    u.MACAddress = groups.join(u'-');
    u.StreamModeVal = quint8(d[69]);
    u.StreamModeStr = StreamModeText(u.StreamModeVal);
  }
  if (n == 63) {
    u.Version = QStringLiteral("1.20");
    u.MACAddress = QStringLiteral("N/A");
  } else if (n == 70) {
    u.Version = QStringLiteral("1.30");
  } else if (n >= 73) {
    u.Version = QString::number(quint8(d[70])) + u'.' + QString::number(quint8(d[71])) +
                QChar(char16_t(quint8(d[72])));
  } else {
    u.Version = QStringLiteral("Unknown");
  }
  if (n >= 77) u.ListenPort = qint32(Be32(d, 73));
  return u;
}

QByteArray BuildSetIpRequest(const DISCOVER_SET_IP_REQ& req, quint16 ctrlPortTxFallback) {
  QByteArray d = Header(SET_IP_REQUEST);
  d.resize(kSetIpRequestSize, '\0');
  for (int g = 0; g < 6; ++g) {
    bool ok = false;
    const uint v = req.MACAddress.mid(g * 3, 2).trimmed().toUInt(&ok, 16);
    d[6 + g] = char(ok && v <= 0xFF ? v : 0);
  }
  PutBe32(d, 12, quint32(PasswordToCode(req.Password)));
  d[16] = char(req.DHCP);
  PutAddress(d, 17, req.IPAddress);
  PutAddress(d, 21, req.SubnetMask);
  PutAddress(d, 25, req.Gateway);
  PutBe16(d, 29, quint16(req.CtrlPort_Rx));
  PutBe16(d, 31, req.CtrlPort_Tx == 0 ? ctrlPortTxFallback : quint16(req.CtrlPort_Tx));
  return d;
}

std::optional<quint8> ParseSetIpResponse(const QByteArray& d) {
  if (d.size() < 7 || !IsDiscoveryDatagram(d) || DatagramType(d) != SET_IP_RESPONSE)
    return std::nullopt;
  return quint8(d[6]);
}

QString SetIpResultText(quint8 result) {
  switch (result) {
    case 0: return QStringLiteral("0 - Set OK");
    case 1: return QStringLiteral("1 - Invalid Password");
    default: return {};
  }
}

QByteArray BuildDiscoveryResponse(const DiscoveryReplyFields& f, int length) {
  QByteArray d = Header(DISCOVERY_RESPONSE);
  d.resize(77, '\0');
  d[6] = char(f.unitId);
  for (int i = 0; i < 4; ++i) d[7 + i] = char(f.ip[i]);
  std::copy_n(f.modelName.constData(), qMin<qsizetype>(f.modelName.size(), 20), d.data() + 11);
  std::copy_n(f.serialNo.constData(), qMin<qsizetype>(f.serialNo.size(), 32), d.data() + 31);
  std::copy_n(f.mac.constData(), qMin<qsizetype>(f.mac.size(), 6), d.data() + 63);
  d[69] = char(f.streamMode);
  d[70] = char(f.versionMajor);
  d[71] = char(f.versionMinor);
  d[72] = f.versionSuffix;
  PutBe32(d, 73, quint32(f.listenPort));
  d.resize(qMax(length, 0), '\0');
  return d;
}

std::optional<SetIpRequestFields> ParseSetIpRequest(const QByteArray& d) {
  if (d.size() < kSetIpRequestSize || !IsDiscoveryDatagram(d) || DatagramType(d) != SET_IP_REQUEST)
    return std::nullopt;
  SetIpRequestFields f;
  f.mac = d.mid(6, 6);
  f.passwordCode = qint32(Be32(d, 12));
  f.dhcp = quint8(d[16]);
  for (int i = 0; i < 4; ++i) {
    f.ip[i] = quint8(d[17 + i]);
    f.mask[i] = quint8(d[21 + i]);
    f.gateway[i] = quint8(d[25 + i]);
  }
  f.ctrlPortRx = Be16(d, 29);
  f.ctrlPortTx = Be16(d, 31);
  return f;
}

QByteArray BuildSetIpResponse(quint8 result) {
  QByteArray d = Header(SET_IP_RESPONSE);
  d.append(char(result));
  return d;
}

}  // namespace zam
