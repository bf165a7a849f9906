// The simulator as a client sees it: requests are written here byte by byte
// and replies compared with bytes written out by hand, so that a fault in
// the shared formats shows up here too.
#include "simprocess.h"

#include "comboblock.h"
#include "eventpump.h"
#include "zamtcp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <chrono>
#include <memory>

namespace {

// The login code: sum of character code ^ position for 3 or 4 characters.
quint32 CodeOf(const QByteArray& password) {
  if (password.size() != 3 && password.size() != 4) return 0;
  qint64 sum = 0;
  for (int k = 0; k < password.size(); ++k) {
    qint64 term = 1;
    for (int i = 0; i <= k; ++i) term *= quint8(password[k]);
    sum += term;
  }
  return sum > 0x7FFFFFFF ? 0 : quint32(sum);
}

QByteArray Be32(quint32 v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = char(v >> (24 - 8 * i));
  return b;
}

QByteArray LoginRequest(const QByteArray& password) {
  return Hex("ff ff 05 00 00 00 00 05 14") + Be32(CodeOf(password));
}

const QByteArray kStatusRequest = Hex("ff ff 05 01 00 00 00 00");
const QByteArray kLedRequest = Hex("ff ff 05 02 00 00 00 00");
const QByteArray kRebootRequest = Hex("ff ff 10 0a 00 00 00 00");
const QByteArray kComboRequest = Hex("ff ff 04 03 00 00 00 00");
const QByteArray kRecordKey = Hex("ff ff 04 02 00 00 00 01 12");
const QByteArray kStopKey = Hex("ff ff 04 02 00 00 00 01 11");

QByteArray LedReply(quint8 led) { return Hex("ff ff 69 02 00 00 00 02 00") + char(led); }

const QByteArray kLoginAccepted = Hex("ff ff 69 00 00 00 00 04 01 00 00 80");
const QByteArray kLoginWrongPassword = Hex("ff ff 69 00 00 00 00 04 02 00 00 80");

// Block 0xB6 with the LED byte at 9.
QByteArray LedBlock(quint8 led) {
  QByteArray b(16, '\0');
  b[9] = char(led);
  return b;
}

// A 22-byte serial message: the head given, zeros after it.
QByteArray Serial22(const char* head) {
  QByteArray m = Hex(head);
  m.resize(22, '\0');
  return m;
}

std::unique_ptr<QTcpSocket> Connect(quint16 port) {
  auto s = std::make_unique<QTcpSocket>();
  s->connectToHost(QHostAddress::LocalHost, port);
  QTest::qWaitFor([&] { return s->state() == QAbstractSocket::ConnectedState; }, 5000);
  return s;
}

bool Login(QTcpSocket& s, const QByteArray& password = {}) {
  s.write(LoginRequest(password));
  const QByteArray reply = ReadBytes(s, 12);
  return reply.size() == 12 && reply[8] == 1;
}

// One whole frame: the header, then as many bytes as it announces.
QByteArray ReadFrame(QTcpSocket& s) {
  QByteArray frame = ReadBytes(s, 8);
  if (frame.size() < 8) return frame;
  const quint32 length = (quint32(quint8(frame[4])) << 24) | (quint32(quint8(frame[5])) << 16) |
                         (quint32(quint8(frame[6])) << 8) | quint32(quint8(frame[7]));
  return frame + ReadBytes(s, int(length));
}

bool WaitDisconnected(QTcpSocket& s) {
  return QTest::qWaitFor([&] { return s.state() == QAbstractSocket::UnconnectedState; }, 5000);
}

std::unique_ptr<QSerialPort> OpenSerial(const QString& path, int baud) {
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(path);
  if (!port->open(QIODevice::ReadWrite)) return nullptr;
  port->setBaudRate(baud);
  port->setDataBits(QSerialPort::Data8);
  port->setParity(QSerialPort::NoParity);
  port->setStopBits(QSerialPort::OneStop);
  port->setFlowControl(QSerialPort::NoFlowControl);
  return port;
}

// Sends a block request and returns what came back within the wait.
QByteArray SerialExchange(QSerialPort& port, const QByteArray& request, int waitMs = 3000) {
  // Drop stale replies only: requests still queued for writing must go out.
  port.clear(QSerialPort::Input);
  port.write(request);
  QByteArray reply = ReadBytes(port, 16, waitMs);
  // Exactly 16: nothing may follow.
  return reply + BytesWithin(port, reply.size() == 16 ? 200 : 0);
}

struct Udp {
  QUdpSocket socket;
  quint16 to = 0;
  explicit Udp(quint16 port) : to(port) { socket.bind(QHostAddress::LocalHost, 0); }
  // The reply to one datagram, empty when none came within the wait.
  QByteArray Ask(const QByteArray& datagram, int waitMs = 3000) {
    socket.writeDatagram(datagram, QHostAddress::LocalHost, to);
    QTest::qWaitFor([this] { return socket.hasPendingDatagrams(); }, waitMs);
    return socket.hasPendingDatagrams() ? socket.receiveDatagram().data() : QByteArray();
  }
};

const QByteArray kDiscoveryRequest = Hex("ff ff cc cc 01 00");

QByteArray SetIpRequest(const QByteArray& mac, const QByteArray& password, const char* ip) {
  return Hex("ff ff cc cc 01 02") + mac + Be32(CodeOf(password)) + char(0) + Hex(ip) +
         Hex("ff ff ff 00") + Hex("0a 00 00 01") + Hex("04 00") + Hex("1f 9a");
}

QString IpOfDiscoveryReply(const QByteArray& d) {
  if (d.size() < 11) return {};
  return QStringLiteral("%1.%2.%3.%4")
      .arg(quint8(d[7])).arg(quint8(d[8])).arg(quint8(d[9])).arg(quint8(d[10]));
}

qint64 NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The simulator's JSON log lines, read as they are now.
QList<QJsonObject> LogLines(const QString& path) {
  QList<QJsonObject> lines;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return lines;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (!line.isEmpty()) lines << QJsonDocument::fromJson(line).object();
  return lines;
}

// The first log line with this key and value, waiting for it to be written.
QJsonObject WaitForLogLine(const QString& path, const QString& key, const QString& value) {
  QJsonObject found;
  QTest::qWaitFor(
      [&] {
        for (const QJsonObject& o : LogLines(path))
          if (o.value(key).toString() == value) {
            found = o;
            return true;
          }
        return false;
      },
      5000);
  return found;
}

}  // namespace

class UnitSimTest : public QObject {
  Q_OBJECT

 private slots:
  void login_data();
  void login();
  void statusAndLedReplies();
  void keysMoveLeds();
  void keyLightsTheLedBesideIt_data();
  void keyLightsTheLedBesideIt();
  void requestsBeforeLoginIgnored();
  void chunkedReplyReassembles();
  void closeAfterLogin();
  void rebootDropsEveryClient();
  void silentToMessageType();
  void delayedReply();
  void comboBlockGetAndSet();
  void serialBlockRead_data();
  void serialBlockRead();
  void serialWrongBaudSilent_data();
  void serialWrongBaudSilent();
  void serialKeysAndReboot();
  void settingsWriteReachesDiscovery();
  void discoveryReply_data();
  void discoveryReply();
  void setIp_data();
  void setIp();
  void logLineForKeyFrame();
  void sigtermExitsCleanly_data();
  void sigtermExitsCleanly();
  void badOptionRefused_data();
  void badOptionRefused();
};

void UnitSimTest::login_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QByteArray>("password");
  QTest::addColumn<QByteArray>("reply");

  QTest::newRow("default password as code 0")
      << QStringList() << QByteArray() << Hex("ff ff 69 00 00 00 00 04 01 00 00 80");
  QTest::newRow("default password's own code")
      << QStringList() << QByteArray("qmpv") << Hex("ff ff 69 00 00 00 00 04 01 00 00 80");
  QTest::newRow("wrong password")
      << QStringList() << QByteArray("abc") << Hex("ff ff 69 00 00 00 00 04 02 00 00 80");
  QTest::newRow("own password")
      << QStringList{"--password", "abcd"} << QByteArray("abcd")
      << Hex("ff ff 69 00 00 00 00 04 01 00 00 80");
  QTest::newRow("code 0 only for the default password")
      << QStringList{"--password", "abcd"} << QByteArray()
      << Hex("ff ff 69 00 00 00 00 04 02 00 00 80");
  QTest::newRow("forced result, other class")
      << QStringList{"--login-result", "0", "--class", "0x81"} << QByteArray("qmpv")
      << Hex("ff ff 69 00 00 00 00 04 00 00 00 81");
}

void UnitSimTest::login() {
  QFETCH(QStringList, args);
  QFETCH(QByteArray, password);
  QFETCH(QByteArray, reply);
  SimProcess sim;
  QVERIFY(sim.Start(args << "--no-udp"));
  auto s = Connect(sim.tcpPort);
  s->write(LoginRequest(password));
  QCOMPARE(ReadBytes(*s, 12).toHex(' '), reply.toHex(' '));
  QCOMPARE(BytesWithin(*s, 100), QByteArray());
}

void UnitSimTest::statusAndLedReplies() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--type", "1", "--version", "1.40", "--name", "Front Desk",
                     "--name2", "Lobby", "--mac", "00-0A-1B-2C-3D-4E", "--led", "0x05"}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));

  QByteArray status = Hex("ff ff 69 01 00 00 00 64");
  status.resize(108, '\0');
  status[35] = 1;
  status[36] = 40;
  status.replace(60, 10, "Front Desk");
  status.replace(80, 5, "Lobby");
  status.replace(100, 6, Hex("00 0a 1b 2c 3d 4e"));
  status[107] = 1;
  s->write(kStatusRequest);
  QCOMPARE(ReadBytes(*s, 108).toHex(' '), status.toHex(' '));

  s->write(kLedRequest);
  QCOMPARE(ReadBytes(*s, 10).toHex(' '), LedReply(0x05).toHex(' '));
  QCOMPARE(BytesWithin(*s, 100), QByteArray());
}

void UnitSimTest::keysMoveLeds() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--led", "0x80"}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));
  // Key frames are not answered; the LED byte shows what they did.
  s->write(kRecordKey);
  s->write(kLedRequest);
  QCOMPARE(ReadBytes(*s, 10).toHex(' '), LedReply(0x81).toHex(' '));
  s->write(kStopKey);
  s->write(kLedRequest);
  QCOMPARE(ReadBytes(*s, 10).toHex(' '), LedReply(0x80).toHex(' '));
}

// Each key lights the LED drawn beside it on the keyboard of the unit's type
// (bits as the keyboards show them: 0 Record, 1 Play, 2 Play backward,
// 3 Pause, 4 Search, 6 Seq / Camera 1, 7 Quad / IP camera).
void UnitSimTest::keyLightsTheLedBesideIt_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QList<int>>("spiCodes");
  QTest::addColumn<int>("led");
  QTest::newRow("type 1 Pause") << "1" << QList<int>{0x21} << 0x08;
  QTest::newRow("type 4 Pause") << "4" << QList<int>{0x21} << 0x08;
  QTest::newRow("type 4 Seq") << "4" << QList<int>{0x29} << 0x40;
  QTest::newRow("type 4 Seq twice") << "4" << QList<int>{0x29, 0x29} << 0x00;
  QTest::newRow("type 4 Search") << "4" << QList<int>{0x72} << 0x10;
  QTest::newRow("type 4 Quad, then camera 2") << "4" << QList<int>{0xA2, 0x31} << 0x00;
  QTest::newRow("type 4 Quad") << "4" << QList<int>{0xA2} << 0x80;
  QTest::newRow("type 1 Play backward, then Play") << "1" << QList<int>{0x75, 0x76} << 0x02;
  QTest::newRow("type 1 Camera 1") << "1" << QList<int>{0x30} << 0x40;
  QTest::newRow("type 1 Camera 1, then IP camera") << "1" << QList<int>{0x30, 0xB1} << 0x80;
  QTest::newRow("type 1 Record, Pause, Stop") << "1" << QList<int>{0x12, 0x21, 0x11} << 0x00;
}

void UnitSimTest::keyLightsTheLedBesideIt() {
  QFETCH(QString, type);
  QFETCH(QList<int>, spiCodes);
  QFETCH(int, led);
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--type", type, "--led", "0"}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));
  for (int code : spiCodes) s->write(Hex("ff ff 04 02 00 00 00 01") + char(code));
  s->write(kLedRequest);
  QCOMPARE(ReadBytes(*s, 10).toHex(' '), LedReply(quint8(led)).toHex(' '));
}

void UnitSimTest::requestsBeforeLoginIgnored() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp"}));
  auto s = Connect(sim.tcpPort);
  s->write(kLedRequest);
  QCOMPARE(BytesWithin(*s, 500), QByteArray());
  s->write(LoginRequest("bad"));
  QCOMPARE(ReadBytes(*s, 12).toHex(' '), kLoginWrongPassword.toHex(' '));
  s->write(kLedRequest);
  QCOMPARE(BytesWithin(*s, 500), QByteArray());
  QVERIFY(Login(*s));
  s->write(kLedRequest);
  QCOMPARE(ReadBytes(*s, 10).size(), 10);
}

void UnitSimTest::chunkedReplyReassembles() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--chunk", "5", "--name", "Chunky"}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));

  zam::FrameAssembler assembler;
  QList<QByteArray> frames;
  int reads = 0;
  int bytes = 0;
  s->write(kStatusRequest);
  QTest::qWaitFor(
      [&] {
        const QByteArray piece = s->readAll();
        if (!piece.isEmpty()) {
          ++reads;
          bytes += int(piece.size());
          frames += assembler.Feed(piece);
        }
        return bytes >= 108;
      },
      10000);
  QCOMPARE(bytes, 108);
  QVERIFY2(reads > 1, "the reply came in one piece");
  QCOMPARE(frames.size(), 1);
  QCOMPARE(frames[0].size(), 108);
  QCOMPARE(frames[0].mid(0, 4).toHex(' '), QByteArray("ff ff 69 01"));
  QCOMPARE(frames[0].mid(60, 7), QByteArray("Chunky\0", 7));
}

void UnitSimTest::closeAfterLogin() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--close-after-login"}));
  auto s = Connect(sim.tcpPort);
  s->write(LoginRequest({}));
  QCOMPARE(ReadBytes(*s, 12).toHex(' '), kLoginAccepted.toHex(' '));
  QVERIFY(WaitDisconnected(*s));
}

void UnitSimTest::rebootDropsEveryClient() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--led", "0x03"}));
  auto keyboard = Connect(sim.tcpPort);
  auto control = Connect(sim.tcpPort);
  QVERIFY(Login(*keyboard));
  QVERIFY(Login(*control));
  // Both are served, each on its own connection.
  keyboard->write(kLedRequest);
  control->write(kStatusRequest);
  QCOMPARE(ReadBytes(*control, 108).size(), 108);
  QCOMPARE(ReadBytes(*keyboard, 10).toHex(' '), LedReply(0x03).toHex(' '));

  keyboard->write(kRebootRequest);
  QCOMPARE(ReadBytes(*keyboard, 8).toHex(' '), QByteArray("ff ff 74 0a 00 00 00 00"));
  QVERIFY(WaitDisconnected(*keyboard));
  QVERIFY(WaitDisconnected(*control));

  // After the reboot the unit takes connections again.
  auto again = Connect(sim.tcpPort);
  QVERIFY(Login(*again));
}

void UnitSimTest::silentToMessageType() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--silent-to", "0x05020000"}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));
  s->write(kLedRequest);
  QCOMPARE(BytesWithin(*s, 1000), QByteArray());
  s->write(kStatusRequest);
  QCOMPARE(ReadBytes(*s, 108).size(), 108);
}

void UnitSimTest::delayedReply() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--delay-ms", "400"}));
  auto s = Connect(sim.tcpPort);
  s->write(LoginRequest({}));
  QCOMPARE(BytesWithin(*s, 150), QByteArray());
  QCOMPARE(ReadBytes(*s, 12).toHex(' '), kLoginAccepted.toHex(' '));
}

void UnitSimTest::comboBlockGetAndSet() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--pty", "--alarm-mode", "1"}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));

  s->write(kComboRequest);
  const QByteArray reply = ReadFrame(*s);
  QCOMPARE(reply.mid(0, 4).toHex(' '), QByteArray("ff ff 68 03"));
  auto raw = zam::SplitComboResponse(reply);
  QVERIFY(raw);
  QCOMPARE(raw->D, 240 * 16);
  zam::COMBO_BLOCK block = zam::UnpackComboBlock(*raw);
  QCOMPARE(block.Camera.Count, quint8(4));
  QCOMPARE(block.Alarms.AlarmLatch, qint32(zam::Transparent));
  QVERIFY(!block.DateTime.Value.isEmpty());

  block.Alarms.AlarmLatch = zam::Timeout;
  block.Camera.Title[1] = QStringLiteral("Back Door");
  QVERIFY(zam::PackComboBlock(block, *raw));
  s->write(zam::BuildComboBlockSend(*raw));
  QCOMPARE(ReadBytes(*s, 8).toHex(' '), QByteArray("ff ff 68 04 00 00 00 00"));

  // The stored block comes back, and the alarm mode follows its latch byte.
  s->write(kComboRequest);
  const auto again = zam::SplitComboResponse(ReadFrame(*s));
  QVERIFY(again);
  QCOMPARE(again->header.toHex(' '), raw->header.toHex(' '));
  const zam::COMBO_BLOCK stored = zam::UnpackComboBlock(*again);
  QCOMPARE(stored.Alarms.AlarmLatch, qint32(zam::Timeout));
  QCOMPARE(stored.Camera.Title.value(1), QStringLiteral("Back Door"));

  auto port = OpenSerial(sim.pty, 9600);
  QVERIFY(port);
  const QByteArray alarm = SerialExchange(*port, Serial22("ff bb 11 ff 3b"));
  QCOMPARE(alarm.size(), 16);
  QCOMPARE(alarm[10], char(zam::Timeout));
}

void UnitSimTest::serialBlockRead_data() {
  QTest::addColumn<QByteArray>("request");
  QTest::addColumn<QByteArray>("reply");
  // Simulator: MAC 00-0A-1B-2C-3D-4E, version 1.40, model 0169, type 1,
  // name "Front Desk", alarm mode 2, LED byte 0x05, address 127.0.0.1.
  QTest::newRow("info block") << Serial22("ff dd 11 ff 01")
                              << Hex("00 0a 1b 2c 3d 4e 01 28 01 28 01 69 00 00 00 00");
  QTest::newRow("0xB9 type and name") << Serial22("ff bb 11 ff b9")
                                      << Hex("01 00") + QByteArray("Front Desk\0\0\0\0", 14);
  QTest::newRow("0x3B alarm mode") << Serial22("ff bb 11 ff 3b")
                                   << Hex("00 00 00 00 00 00 00 00 00 00 02 00 00 00 00 00");
  QTest::newRow("0xB6 LED byte 9") << Serial22("ff bb 11 ff b6")
                                   << Hex("00 00 00 00 00 00 00 00 00 05 00 00 00 00 00 00");
  QTest::newRow("0xC2 settings, LED byte 15")
      << Serial22("ff bb 11 ff c2") << Hex("01 00 7f 00 00 01 ff ff ff 00 7f 00 00 01 00 05");
  QTest::newRow("settings page read") << Serial22("ff bb 11 fe c2")
                                      << Hex("01 00 7f 00 00 01 ff ff ff 00 7f 00 00 01 00 05");
  QTest::newRow("a block never written") << Serial22("ff bb 11 ff 40") << QByteArray(16, '\0');
}

void UnitSimTest::serialBlockRead() {
  QFETCH(QByteArray, request);
  QFETCH(QByteArray, reply);
  SimProcess sim;
  QVERIFY(sim.Start({"--no-tcp", "--pty", "--type", "1", "--name", "Front Desk", "--version",
                     "1.40", "--model-id", "0169", "--mac", "00:0A:1B:2C:3D:4E",
                     "--alarm-mode", "2", "--led", "5", "--ip", "127.0.0.1"}));
  QVERIFY(sim.pty.startsWith("/dev/"));
  auto port = OpenSerial(sim.pty, 9600);
  QVERIFY(port);
  QCOMPARE(SerialExchange(*port, request).toHex(' '), reply.toHex(' '));
}

void UnitSimTest::serialWrongBaudSilent_data() {
  QTest::addColumn<int>("unitBaud");
  QTest::addColumn<int>("lineBaud");
  QTest::newRow("unit 9600, line 4800") << 9600 << 4800;
  QTest::newRow("unit 9600, line 57600") << 9600 << 57600;
  QTest::newRow("unit 4800, line 9600") << 4800 << 9600;
}

void UnitSimTest::serialWrongBaudSilent() {
  QFETCH(int, unitBaud);
  QFETCH(int, lineBaud);
  SimProcess sim;
  QVERIFY(sim.Start({"--no-tcp", "--no-udp", "--pty", "--baud", QString::number(unitBaud)}));
  auto port = OpenSerial(sim.pty, lineBaud);
  QVERIFY(port);
  const QByteArray info = Serial22("ff dd 11 ff 01");
  port->write(info);
  QCOMPARE(BytesWithin(*port, 1000), QByteArray());
  // The same request at the unit's rate is answered.
  port->setBaudRate(unitBaud);
  QCOMPARE(SerialExchange(*port, info).size(), 16);
}

void UnitSimTest::serialKeysAndReboot() {
  QTemporaryDir dir;
  const QString log = dir.filePath("unit.log");
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--pty", "--log", log}));
  auto port = OpenSerial(sim.pty, 9600);
  QVERIFY(port);
  const QByteArray ledRead = Serial22("ff bb 11 ff b6");
  port->write(Hex("ff 55 01"));  // Record
  QCOMPARE(SerialExchange(*port, ledRead).toHex(' '), LedBlock(0x01).toHex(' '));
  port->write(Hex("ff 55 73"));  // Stop
  QCOMPARE(SerialExchange(*port, ledRead).toHex(' '), LedBlock(0x00).toHex(' '));

  // A reboot over the line drops TCP clients too, as a real restart would.
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));
  port->write(Serial22("ff cc 11 ff 05 01"));
  QVERIFY(WaitDisconnected(*s));
  const QJsonObject reboot = WaitForLogLine(log, "event", "reboot");
  QCOMPARE(reboot.value("link").toString(), QStringLiteral("serial"));

  // The settings page's form of the request: 0xFE in byte 3, command c = 1.
  port->write(Serial22("ff cc 11 fe 05 01"));
  QVERIFY(QTest::qWaitFor(
      [&] {
        int reboots = 0;
        for (const QJsonObject& o : LogLines(log))
          reboots += o.value("event").toString() == QLatin1String("reboot");
        return reboots == 2;
      },
      5000));
}

void UnitSimTest::settingsWriteReachesDiscovery() {
  SimProcess sim;
  QVERIFY(sim.Start({"--no-tcp", "--pty", "--led", "0x40"}));
  auto port = OpenSerial(sim.pty, 9600);
  QVERIFY(port);
  Udp udp(sim.udpPort);
  QCOMPARE(IpOfDiscoveryReply(udp.Ask(kDiscoveryRequest)), QStringLiteral("127.0.0.1"));

  // Settings write, then the block-5 command c = 0 that follows it.
  port->write(Hex("ff aa 11 fe c2 01 00 0a 00 00 05 ff ff ff 00 0a 00 00 01 00 00 00"));
  port->write(Serial22("ff cc 11 fe 05 00"));
  QCOMPARE(SerialExchange(*port, Serial22("ff bb 11 ff c2")).toHex(' '),
           QByteArray("01 00 0a 00 00 05 ff ff ff 00 0a 00 00 01 00 40"));
  QCOMPARE(IpOfDiscoveryReply(udp.Ask(kDiscoveryRequest)), QStringLiteral("10.0.0.5"));
}

void UnitSimTest::discoveryReply_data() {
  QTest::addColumn<int>("length");
  QTest::newRow("63") << 63;
  QTest::newRow("70") << 70;
  QTest::newRow("73") << 73;
  QTest::newRow("77") << 77;
}

void UnitSimTest::discoveryReply() {
  QFETCH(int, length);
  SimProcess sim;
  QVERIFY(sim.Start({"--discovery-length", QString::number(length), "--class", "0x81",
                     "--serial", "SN-4242", "--model-name", "ZAM4", "--mac",
                     "00-0A-FF-12-34-56", "--stream-mode", "2", "--ip", "127.0.0.9"}));
  Udp udp(sim.udpPort);
  const QByteArray d = udp.Ask(kDiscoveryRequest);
  QCOMPARE(d.size(), length);
  QCOMPARE(d.left(7).toHex(' '), QByteArray("ff ff cc cc 01 64 81"));
  QCOMPARE(IpOfDiscoveryReply(d), QStringLiteral("127.0.0.9"));
  QCOMPARE(d.mid(11, 5), QByteArray("ZAM4\0", 5));
  QCOMPARE(d.mid(31, 7), QByteArray("SN-4242"));
  if (length >= 70) {
    QCOMPARE(d.mid(63, 7).toHex(' '), QByteArray("00 0a ff 12 34 56 02"));
  }
  if (length >= 73) {
    QCOMPARE(d.mid(70, 2).toHex(' '), QByteArray("01 28"));
  }
  if (length >= 77) {
    QCOMPARE(d.mid(73, 4), Be32(sim.tcpPort));
  }
  // Other datagrams get no answer.
  QCOMPARE(udp.Ask(Hex("ff ff cc cd 01 00"), 300), QByteArray());
}

void UnitSimTest::setIp_data() {
  QTest::addColumn<QByteArray>("mac");
  QTest::addColumn<QByteArray>("password");
  QTest::addColumn<QByteArray>("reply");  // empty: none
  QTest::addColumn<QString>("ipAfter");
  const QByteArray mac = Hex("00 0a ff 12 34 56");
  QTest::newRow("right password") << mac << QByteArray("pw12")
                                  << Hex("ff ff cc cc 01 66 00") << QStringLiteral("127.0.0.77");
  QTest::newRow("wrong password") << mac << QByteArray("pw13")
                                  << Hex("ff ff cc cc 01 66 01") << QStringLiteral("127.0.0.1");
  QTest::newRow("another unit's MAC") << Hex("00 0a ff 12 34 57") << QByteArray("pw12")
                                      << QByteArray() << QStringLiteral("127.0.0.1");
}

void UnitSimTest::setIp() {
  QFETCH(QByteArray, mac);
  QFETCH(QByteArray, password);
  QFETCH(QByteArray, reply);
  QFETCH(QString, ipAfter);
  SimProcess sim;
  QVERIFY(sim.Start({"--no-tcp", "--mac", "00-0A-FF-12-34-56", "--password", "pw12"}));
  Udp udp(sim.udpPort);
  const int wait = reply.isEmpty() ? 500 : 3000;
  QCOMPARE(udp.Ask(SetIpRequest(mac, password, "7f 00 00 4d"), wait).toHex(' '),
           reply.toHex(' '));
  QCOMPARE(IpOfDiscoveryReply(udp.Ask(kDiscoveryRequest)), ipAfter);
}

void UnitSimTest::logLineForKeyFrame() {
  QTemporaryDir dir;
  const QString log = dir.filePath("unit.log");
  SimProcess sim;
  QVERIFY(sim.Start({"--no-udp", "--log", log}));
  auto s = Connect(sim.tcpPort);
  QVERIFY(Login(*s));
  const qint64 before = NowUs();
  s->write(kRecordKey);
  const QJsonObject line = WaitForLogLine(log, "type", "0x04020000");
  const qint64 after = NowUs();
  QCOMPARE(line.value("link").toString(), QStringLiteral("tcp"));
  QCOMPARE(line.value("dir").toString(), QStringLiteral("rx"));
  QCOMPARE(line.value("hex").toString(), QStringLiteral("ff ff 04 02 00 00 00 01 12"));
  QCOMPARE(line.value("key").toInt(), 0x12);
  QCOMPARE(line.value("key_name").toString(), QStringLiteral("SPI4_RECORD_MODE"));
  // Same monotonic clock as ours.
  const qint64 t = line.value("t_us").toInteger();
  QVERIFY2(t >= before && t <= after, qPrintable(QString::number(t)));
}

void UnitSimTest::sigtermExitsCleanly_data() {
  QTest::addColumn<bool>("withPtyLink");
  QTest::newRow("TCP and UDP") << false;
  QTest::newRow("with a pty link") << true;
}

void UnitSimTest::sigtermExitsCleanly() {
  QFETCH(bool, withPtyLink);
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyUNIT");
  const QString ready = dir.filePath("ready");
  QStringList args{"--ready-file", ready};
  if (withPtyLink) args << "--pty-link" << link;
  SimProcess sim;
  QVERIFY(sim.Start(args));
  QVERIFY(QFile::exists(ready));
  if (withPtyLink) QCOMPARE(QFileInfo(link).symLinkTarget(), sim.pty);
  int code = -1;
  QVERIFY(sim.Terminate(&code));
  QCOMPARE(code, 0);
  QVERIFY(!QFileInfo(link).isSymLink());
}

void UnitSimTest::badOptionRefused_data() {
  QTest::addColumn<QStringList>("args");
  QTest::newRow("type 3") << QStringList{"--type", "3"};
  QTest::newRow("odd baud") << QStringList{"--baud", "1234"};
  QTest::newRow("short MAC") << QStringList{"--mac", "00-0A-1B"};
  QTest::newRow("silent-to text") << QStringList{"--silent-to", "led"};
  QTest::newRow("discovery length") << QStringList{"--discovery-length", "64"};
}

void UnitSimTest::badOptionRefused() {
  QFETCH(QStringList, args);
  SimProcess sim;
  QVERIFY(!sim.Start(args));
  QCOMPARE(sim.process.exitCode(), 2);
}

QTEST_GUILESS_MAIN(UnitSimTest)
#include "tst_unitsim.moc"
