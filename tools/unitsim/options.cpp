#include "options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "zamtcp.h"

#include <cstdio>

namespace unitsim {

namespace {

std::optional<qint64> ParseNumber(const QString& text, int base = 10) {
  bool ok = false;
  QString t = text.trimmed();
  if (base == 16 && t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) t = t.mid(2);
  const qint64 v = t.toLongLong(&ok, base);
  if (!ok) return std::nullopt;
  return v;
}

// Decimal, or hexadecimal with 0x.
std::optional<qint64> ParseAnyNumber(const QString& text) {
  const QString t = text.trimmed();
  if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) return ParseNumber(t, 16);
  return ParseNumber(t, 10);
}

std::optional<quint8> ParseByte(const QString& text) {
  const auto v = ParseAnyNumber(text);
  if (!v || *v < 0 || *v > 0xFF) return std::nullopt;
  return static_cast<quint8>(*v);
}

std::optional<quint16> ParsePort(const QString& text) {
  const auto v = ParseNumber(text);
  if (!v || *v < 0 || *v > 0xFFFF) return std::nullopt;
  return static_cast<quint16>(*v);
}

QByteArray Latin1(const QString& text) { return text.toLatin1(); }

// --silent-to: an explicit "tcp:", "udp:" or "serial:" prefix, or told apart
// by value: a TCP type has its low 16 bits zero, a datagram type fits 16 bits,
// a serial block fits one byte.
bool AddSilent(const QString& text, Options& o) {
  QString t = text.trimmed();
  QString link;
  const int colon = t.indexOf(QLatin1Char(':'));
  if (colon > 0) {
    link = t.left(colon).toLower();
    t = t.mid(colon + 1);
  }
  const auto v = ParseNumber(t, 16);
  if (!v || *v < 0 || *v > 0xFFFFFFFFLL) return false;
  const quint32 value = static_cast<quint32>(*v);
  if (link.isEmpty()) {
    if (value <= 0xFF) link = QStringLiteral("serial");
    else if (value <= 0xFFFF) link = QStringLiteral("udp");
    else link = QStringLiteral("tcp");
  }
  if (link == QLatin1String("serial") && value <= 0xFF) {
    o.silentSerial.insert(static_cast<quint8>(value));
  } else if (link == QLatin1String("udp") && value <= 0xFFFF) {
    o.silentUdp.insert(static_cast<quint16>(value));
  } else if (link == QLatin1String("tcp")) {
    // "0x0502" and "0x05020000" both name the LED request.
    o.silentTcp.insert(value <= 0xFFFF ? value << 16 : value);
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::pair<quint8, quint8>> ParseVersion(const QString& text) {
  const QStringList parts = text.trimmed().split(QLatin1Char('.'));
  if (parts.size() != 2) return std::nullopt;
  const auto major = ParseNumber(parts[0]);
  const auto minor = ParseNumber(parts[1]);
  if (!major || !minor || *major < 0 || *major > 255 || *minor < 0 || *minor > 255)
    return std::nullopt;
  return std::pair<quint8, quint8>(static_cast<quint8>(*major), static_cast<quint8>(*minor));
}

std::optional<QByteArray> ParseMac(const QString& text) {
  QString t = text.trimmed();
  t.replace(QLatin1Char(':'), QLatin1Char('-'));
  const QStringList groups = t.split(QLatin1Char('-'));
  if (groups.size() != 6) return std::nullopt;
  QByteArray mac;
  for (const QString& g : groups) {
    if (g.size() != 2) return std::nullopt;
    const auto v = ParseNumber(g, 16);
    if (!v) return std::nullopt;
    mac.append(static_cast<char>(*v));
  }
  return mac;
}

std::optional<Ip4> ParseIp4(const QString& text) {
  const QStringList parts = text.trimmed().split(QLatin1Char('.'));
  if (parts.size() != 4) return std::nullopt;
  Ip4 ip{};
  for (int i = 0; i < 4; ++i) {
    const auto v = ParseNumber(parts[i]);
    if (!v || *v < 0 || *v > 255) return std::nullopt;
    ip[i] = static_cast<quint8>(*v);
  }
  return ip;
}

bool IsStandardBaud(int baud) {
  switch (baud) {
    case 1200: case 2400: case 4800: case 9600: case 19200: case 38400: case 57600:
    case 115200:
      return true;
    default:
      return false;
  }
}

std::optional<Options> ParseOptions(const QStringList& arguments, QString* error) {
  QCommandLineParser p;
  p.setApplicationDescription(QStringLiteral(
      "Plays a unit on TCP, on a pseudo-terminal and on UDP discovery, for tests and demos."));
  // No --version flag: --version sets the unit's firmware version.
  p.addHelpOption();
  const auto opt = [&p](const QString& name, const QString& help, const QString& value = {}) {
    QCommandLineOption o(name, help, value);
    p.addOption(o);
    return o;
  };
  const auto tcp = opt("tcp", "TCP address and port to listen on (default 127.0.0.1:1024; "
                              "port 0 picks a free one).", "addr:port");
  const auto noTcp = opt("no-tcp", "No TCP side.");
  const auto udpAddress = opt("udp-address", "UDP bind address (default 127.0.0.1).", "addr");
  const auto udpPort = opt("udp-port", "UDP discovery port (default 8092; 0 picks one).", "n");
  const auto noUdp = opt("no-udp", "No UDP side.");
  const auto pty = opt("pty", "Serial side on a new pseudo-terminal; prints \"pty: PATH\".");
  const auto ptyLink = opt("pty-link", "Symbolic link to the pseudo-terminal (implies --pty).",
                           "path");
  const auto baud = opt("baud", "The only baud rate the serial side answers at (default 9600).",
                        "n");
  const auto type = opt("type", "Unit type 1 or 4 (default 4).", "1|4");
  const auto unitClass = opt("class", "Unit class byte of the login reply and discovery "
                                      "(default 0x80).", "byte");
  const auto version = opt("version", "Firmware version MAJOR.MINOR (default 1.40).", "v");
  const auto modelId = opt("model-id", "Model id, hex (default 0169).", "hex");
  const auto name = opt("name", "Unit name (default Sim Unit).", "text");
  const auto name2 = opt("name2", "Second text of the status record.", "text");
  const auto modelName = opt("model-name", "Model name of the discovery reply "
                                           "(default ZAM1 or ZAM4).", "text");
  const auto serial = opt("serial", "Serial number (default SIM0000001).", "text");
  const auto mac = opt("mac", "MAC address (default 00-0A-1B-2C-3D-4E).", "mac");
  const auto password = opt("password", "Unit password (default qmpv).", "text");
  const auto led = opt("led", "Initial LED byte.", "byte");
  const auto alarmMode = opt("alarm-mode", "Alarm mode (default 0).", "n");
  const auto ip = opt("ip", "Address the discovery reply reports (default: UDP bind address).",
                      "a.b.c.d");
  const auto mask = opt("mask", "Subnet mask of the network settings (default 255.255.255.0).", "a.b.c.d");
  const auto gateway = opt("gateway", "Gateway of the network settings (default: the address "
                                      "with 1 as its last part).", "a.b.c.d");
  const auto listenPort = opt("listen-port", "Listen port of the discovery reply "
                                             "(default: the TCP port).", "n");
  const auto discoveryLength = opt("discovery-length", "Discovery reply length 63, 70, 73 or "
                                                       "77 (default 77).", "n");
  const auto streamMode = opt("stream-mode", "Stream mode of the discovery reply.", "n");
  const auto comboRows = opt("combo-rows", "Rows of 16 bytes in the combo block (default 240).",
                             "n");
  const auto clockOffset = opt("clock-offset", "Start the combo block's clock n seconds off this "
                                               "PC's local time (negative: behind); it runs.", "n");
  const auto comboFault = opt("combo-store-fault", "Store every written combo block with data byte "
                                                  "n changed.", "n");
  const auto silentTo = opt("silent-to", "Never answer this message: TCP type (0x05020000), "
                                         "datagram type (0x0100) or serial block (B6); "
                                         "may repeat.", "type");
  const auto delay = opt("delay-ms", "Delay every reply by n ms.", "n");
  const auto chunk = opt("chunk", "Send TCP replies in pieces of n bytes.", "n");
  const auto chunkGap = opt("chunk-gap-ms", "Pause between pieces (default 20).", "n");
  const auto closeAfterLogin = opt("close-after-login", "Close the connection after the "
                                                        "login reply.");
  const auto appendBytes = opt("append-bytes", "Write the first n bytes (1 to 10) of an LED "
                                                "reply right behind every TCP reply, in the "
                                                "same write.", "n");
  const auto replyBroadcast = opt("reply-broadcast", "Send discovery and set-IP replies to this "
                                                    "broadcast address (255.255.255.255 or a "
                                                    "subnet's) instead of the sender.", "addr");
  const auto loginResult = opt("login-result", "Force the login result byte (0, 1, 2).", "n");
  const auto halfReply = opt("half-reply", "Send only the first half of the reply to this TCP "
                                           "request type, then nothing more on that link; may repeat.",
                             "type");
  const auto resetOn = opt("reset-on", "Reset the TCP connection on this request type; may repeat.",
                           "type");
  const auto garbageFlood = opt("garbage-flood", "After the login reply, flood the TCP link with "
                                                 "garbage for n seconds.", "n");
  const auto discoveryFlood = opt("discovery-flood", "Answer each discovery request with n replies, "
                                                     "each from another unit.", "n");
  const auto log = opt("log", "Write every received message as a JSON line to this file.",
                       "file");
  const auto readyFile = opt("ready-file", "Write this file once listening.", "file");

  if (!p.parse(arguments)) {
    *error = p.errorText();
    return std::nullopt;
  }
  if (p.isSet(QStringLiteral("help"))) p.showHelp(0);
  if (!p.positionalArguments().isEmpty()) {
    *error = QStringLiteral("unexpected argument: %1").arg(p.positionalArguments().first());
    return std::nullopt;
  }

  Options o;
  const auto bad = [error](const QString& option, const QString& value) {
    *error = QStringLiteral("bad value for --%1: %2").arg(option, value);
    return std::nullopt;
  };

  if (p.isSet(tcp)) {
    const QString v = p.value(tcp);
    const int colon = v.lastIndexOf(QLatin1Char(':'));
    const QHostAddress addr(v.left(colon));
    const auto port = colon > 0 ? ParsePort(v.mid(colon + 1)) : std::nullopt;
    if (colon <= 0 || addr.isNull() || !port) return bad("tcp", v);
    o.tcpAddress = addr;
    o.tcpPort = *port;
  }
  o.tcpEnabled = !p.isSet(noTcp);
  if (p.isSet(udpAddress)) {
    const QHostAddress addr(p.value(udpAddress));
    if (addr.isNull()) return bad("udp-address", p.value(udpAddress));
    o.udpAddress = addr;
  }
  if (p.isSet(udpPort)) {
    const auto port = ParsePort(p.value(udpPort));
    if (!port) return bad("udp-port", p.value(udpPort));
    o.udpPort = *port;
  }
  o.udpEnabled = !p.isSet(noUdp);
  o.ptyLink = p.value(ptyLink);
  o.pty = p.isSet(pty) || !o.ptyLink.isEmpty();
  if (p.isSet(baud)) {
    const auto v = ParseNumber(p.value(baud));
    if (!v || !IsStandardBaud(static_cast<int>(*v))) return bad("baud", p.value(baud));
    o.baud = static_cast<int>(*v);
  }
  if (p.isSet(type)) {
    const QString v = p.value(type);
    if (v != QLatin1String("1") && v != QLatin1String("4")) return bad("type", v);
    o.unitType = static_cast<quint8>(v.toInt());
  }
  if (p.isSet(unitClass)) {
    const auto v = ParseByte(p.value(unitClass));
    if (!v) return bad("class", p.value(unitClass));
    o.unitClass = *v;
  }
  if (p.isSet(version)) {
    const auto v = ParseVersion(p.value(version));
    if (!v) return bad("version", p.value(version));
    o.versionMajor = v->first;
    o.versionMinor = v->second;
  }
  if (p.isSet(modelId)) {
    const auto v = ParseNumber(p.value(modelId), 16);
    if (!v || *v < 0 || *v > 0xFFFF) return bad("model-id", p.value(modelId));
    o.modelId = static_cast<quint16>(*v);
  }
  if (p.isSet(name)) o.name = Latin1(p.value(name));
  if (p.isSet(name2)) o.name2 = Latin1(p.value(name2));
  if (p.isSet(modelName)) o.modelName = Latin1(p.value(modelName));
  if (o.modelName.isEmpty()) o.modelName = o.unitType == 1 ? "ZAM1" : "ZAM4";
  if (p.isSet(serial)) o.serialNo = Latin1(p.value(serial));
  if (p.isSet(mac)) {
    const auto v = ParseMac(p.value(mac));
    if (!v) return bad("mac", p.value(mac));
    o.mac = *v;
  }
  if (p.isSet(password)) o.password = p.value(password);
  if (p.isSet(led)) {
    const auto v = ParseByte(p.value(led));
    if (!v) return bad("led", p.value(led));
    o.led = *v;
  }
  if (p.isSet(alarmMode)) {
    const auto v = ParseByte(p.value(alarmMode));
    if (!v) return bad("alarm-mode", p.value(alarmMode));
    o.alarmMode = *v;
  }
  if (p.isSet(ip)) {
    const auto v = ParseIp4(p.value(ip));
    if (!v) return bad("ip", p.value(ip));
    o.ip = *v;
  }
  if (p.isSet(mask)) {
    const auto v = ParseIp4(p.value(mask));
    if (!v) return bad("mask", p.value(mask));
    o.mask = *v;
  }
  if (p.isSet(gateway)) {
    const auto v = ParseIp4(p.value(gateway));
    if (!v) return bad("gateway", p.value(gateway));
    o.gateway = *v;
  }
  if (p.isSet(listenPort)) {
    const auto v = ParsePort(p.value(listenPort));
    if (!v) return bad("listen-port", p.value(listenPort));
    o.listenPort = *v;
  }
  if (p.isSet(discoveryLength)) {
    const auto v = ParseNumber(p.value(discoveryLength));
    if (!v || (*v != 63 && *v != 70 && *v != 73 && *v != 77))
      return bad("discovery-length", p.value(discoveryLength));
    o.discoveryLength = static_cast<int>(*v);
  }
  if (p.isSet(streamMode)) {
    const auto v = ParseByte(p.value(streamMode));
    if (!v) return bad("stream-mode", p.value(streamMode));
    o.streamMode = *v;
  }
  if (p.isSet(comboRows)) {
    // The data block length travels as 16 bits.
    const auto v = ParseNumber(p.value(comboRows));
    if (!v || *v < 1 || *v > 2047) return bad("combo-rows", p.value(comboRows));
    o.comboRows = static_cast<int>(*v);
  }
  if (p.isSet(clockOffset)) {
    // Within the century the block's two-digit year can carry.
    const auto v = ParseNumber(p.value(clockOffset));
    if (!v || *v < -1000000000LL || *v > 1000000000LL) return bad("clock-offset", p.value(clockOffset));
    o.clockOffsetS = *v;
  }
  if (p.isSet(comboFault)) {
    const auto v = ParseNumber(p.value(comboFault));
    if (!v || *v < 0 || *v >= 2047 * 16) return bad("combo-store-fault", p.value(comboFault));
    o.comboStoreFault = static_cast<int>(*v);
  }
  for (const QString& v : p.values(silentTo)) {
    if (!AddSilent(v, o)) return bad("silent-to", v);
  }
  const auto nonNegative = [&p](const QCommandLineOption& option, int& out, int max) {
    if (!p.isSet(option)) return true;
    const auto v = ParseNumber(p.value(option));
    if (!v || *v < 0 || *v > max) return false;
    out = static_cast<int>(*v);
    return true;
  };
  if (!nonNegative(delay, o.delayMs, 600000)) return bad("delay-ms", p.value(delay));
  if (!nonNegative(chunk, o.chunk, 1 << 20)) return bad("chunk", p.value(chunk));
  if (!nonNegative(chunkGap, o.chunkGapMs, 60000)) return bad("chunk-gap-ms", p.value(chunkGap));
  o.closeAfterLogin = p.isSet(closeAfterLogin);
  if (!nonNegative(appendBytes, o.appendLedBytes, 10) || (p.isSet(appendBytes) && o.appendLedBytes == 0))
    return bad("append-bytes", p.value(appendBytes));
  if (p.isSet(loginResult)) {
    const auto v = ParseByte(p.value(loginResult));
    if (!v) return bad("login-result", p.value(loginResult));
    o.loginResult = *v;
  }
  if (p.isSet(replyBroadcast)) {
    const QHostAddress addr(p.value(replyBroadcast));
    if (addr.isNull() || addr.protocol() != QAbstractSocket::IPv4Protocol)
      return bad("reply-broadcast", p.value(replyBroadcast));
    o.replyBroadcast = addr;
  }
  const auto tcpType = [](const QString& text) -> std::optional<quint32> {
    const auto v = ParseNumber(text, 16);
    if (!v || *v <= 0 || *v > 0xFFFFFFFFLL) return std::nullopt;
    return *v <= 0xFFFF ? quint32(*v) << 16 : quint32(*v);
  };
  for (const QString& v : p.values(halfReply)) {
    const auto type = tcpType(v);
    if (!type) return bad("half-reply", v);
    o.halfReplyTcp.insert(quint32(zam::ReplyType(qint32(*type))));
  }
  for (const QString& v : p.values(resetOn)) {
    const auto type = tcpType(v);
    if (!type) return bad("reset-on", v);
    o.resetOnTcp.insert(*type);
  }
  if (!nonNegative(garbageFlood, o.garbageFloodS, 3600)) return bad("garbage-flood", p.value(garbageFlood));
  if (!nonNegative(discoveryFlood, o.discoveryFlood, 1000000))
    return bad("discovery-flood", p.value(discoveryFlood));

  o.logFile = p.value(log);
  o.readyFile = p.value(readyFile);
  if (!o.tcpEnabled && !o.udpEnabled && !o.pty) {
    *error = QStringLiteral("nothing to do: TCP and UDP are off and no --pty");
    return std::nullopt;
  }
  return o;
}

}  // namespace unitsim
