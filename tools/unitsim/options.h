#pragma once
// Command line of the simulator: who the unit is and which faults it plays.
#include <QByteArray>
#include <QHostAddress>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace unitsim {

using Ip4 = std::array<quint8, 4>;

struct Options {
  bool tcpEnabled = true;
  QHostAddress tcpAddress{QHostAddress::LocalHost};
  quint16 tcpPort = 1024;

  bool udpEnabled = true;
  QHostAddress udpAddress{QHostAddress::LocalHost};
  quint16 udpPort = 8092;

  bool pty = false;
  QString ptyLink;
  int baud = 9600;

  quint8 unitType = 4;
  quint8 unitClass = 0x80;
  quint8 versionMajor = 1;
  quint8 versionMinor = 40;
  quint16 modelId = 0x0169;
  QByteArray name = "Sim Unit";
  QByteArray name2;
  QByteArray modelName;  // empty: "ZAM1" / "ZAM4" from the unit type
  QByteArray serialNo = "SIM0000001";
  QByteArray mac = QByteArray::fromHex("000A1B2C3D4E");
  QString password = QStringLiteral("qmpv");
  quint8 led = 0;
  quint8 alarmMode = 0;
  std::optional<Ip4> ip;  // empty: the UDP bind address
  std::optional<Ip4> mask;     // empty: 255.255.255.0
  std::optional<Ip4> gateway;  // empty: the address with 1 as its last part
  std::optional<quint16> listenPort;  // empty: the TCP port
  int discoveryLength = 77;
  quint8 streamMode = 0;
  int comboRows = 240;
  // Set: the block's clock starts this many seconds off this PC's local
  // time and runs. Unset: it stands at the default block's time until a
  // block is written, and runs from what was written.
  std::optional<qint64> clockOffsetS;

  // Fault injection.
  QSet<quint32> silentTcp;    // TCP type codes (low 16 bits zero)
  QSet<quint16> silentUdp;    // datagram types
  QSet<quint8> silentSerial;  // serial block numbers
  int delayMs = 0;
  int chunk = 0;
  int chunkGapMs = 20;
  bool closeAfterLogin = false;
  int appendLedBytes = 0;  // bytes of an LED reply written with every TCP reply
  std::optional<quint8> loginResult;
  QHostAddress replyBroadcast;  // set: datagram replies go to this address

  // Link faults (TCP): a reply cut after half its bytes (the link then stays
  // mute), a request answered by a connection reset, garbage after login.
  QSet<quint32> halfReplyTcp;  // reply types
  QSet<quint32> resetOnTcp;    // request types
  int garbageFloodS = 0;
  // Combo-block fault: a written block is stored with this data byte changed.
  std::optional<int> comboStoreFault;

  // Link fault (UDP): every discovery request answered by this many replies,
  // each from another unit (serial number and address), as a flooded LAN.
  int discoveryFlood = 0;

  QString logFile;
  QString readyFile;
};

// Parses the arguments (argv[0] included). On a bad value returns nullopt
// with the reason in *error; --help and --version print and exit.
std::optional<Options> ParseOptions(const QStringList& arguments, QString* error);

// "1.40" -> {1, 40}; "00-0A-1B-2C-3D-4E" (or ':' separated) -> 6 bytes.
std::optional<std::pair<quint8, quint8>> ParseVersion(const QString& text);
std::optional<QByteArray> ParseMac(const QString& text);
std::optional<Ip4> ParseIp4(const QString& text);

// Termios speeds the serial side can tell apart.
bool IsStandardBaud(int baud);

}  // namespace unitsim
