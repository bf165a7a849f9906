// The ComboBlock control against the unit simulator on 127.0.0.1, the
// factory and both controls' property bags.
#include <QElapsedTimer>
#include <QtTest>

#include "PingIP.h"
#include "comboblock.h"
#include <corvel/corvel_comboblock.h>
#include <corvel/corvel_factory.h>
#include <corvel/corvel_udp.h>
#include "netnslab.h"
#include "unitsimrun.h"
#include "zamtcp.h"

using Corvel_Project::ComboBlock;

namespace {

// The host's bag as a map; a value equal to its default is not stored.
class MemoryBag : public zam::PropertyBag {
 public:
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override {
    return values.value(name, defaultValue);
  }
  void WriteProperty(const QString& name, const QVariant& value,
                     const QVariant& defaultValue) override {
    if (value == defaultValue) values.remove(name);
    else values.insert(name, value);
  }
  QVariantMap values;
};

const QString kHost = QStringLiteral("127.0.0.1");

#define REQUIRE_PING()                                                                \
  do {                                                                                \
    QString a = kHost;                                                                \
    if (!zam::PingAddress(a).contains(QLatin1String("IP Success")))                   \
      QSKIP("the control pings first, and this user may not ping 127.0.0.1 "          \
            "(net.ipv4.ping_group_range)");                                           \
  } while (0)

// A control pointed at the simulator, its Message texts collected.
struct Rig {
  explicit Rig(const UnitSim& sim, const QString& password = QString()) {
    control.SetHost(kHost);
    control.SetPort(sim.tcpPort());
    control.SetPassword(password);
    QObject::connect(&control, &ComboBlock::Message, [this](const QString& m) { messages << m; });
  }
  ComboBlock control;
  QStringList messages;
};

QStringList GetSequence() {
  return {"Pinging 127.0.0.1",
          "Pinged: 0   [ IP Success ]",
          "Connecting to 127.0.0.1",
          "Connected to 127.0.0.1",
          "Sending ZAM_COMBO_BLOCK_REQUEST request",
          "ZAM_COMBO_BLOCK_REQUEST sent",
          "Waiting for ZAM_COMBO_BLOCK_REQUEST_RESPONSE",
          "Got the ZAM_COMBO_BLOCK_REQUEST_RESPONSE",
          "Winsock closed",
          "Extracting the combo block...",
          "The combo block extracted"};
}

QStringList SetSequence() {
  return {"Pinging 127.0.0.1",
          "Pinged: 0   [ IP Success ]",
          "Packing to the Combo Block Data...",
          "Connecting to 127.0.0.1",
          "Connected to 127.0.0.1",
          "ZAM_COMBO_BLOCK_SEND sent True",
          "Waiting for ZAM_COMBO_BLOCK_SEND_RESPONSE",
          "Got the ZAM_COMBO_BLOCK_SEND_RESPONSE",
          "Winsock closed"};
}

// The data block the unit sent last and the one it received last.
QByteArray SentData(const UnitSim& sim) {
  const auto frames = sim.Messages("tcp", "tx", "ff ff 68 03");
  if (frames.isEmpty()) return {};
  const auto raw = zam::SplitComboResponse(frames.last());
  return raw ? raw->data : QByteArray();
}
std::optional<zam::ComboSend> ReceivedBlock(const UnitSim& sim) {
  const auto frames = sim.Messages("tcp", "rx", "ff ff 04 04");
  if (frames.isEmpty()) return std::nullopt;
  return zam::ParseComboSend(frames.last());
}

QList<int> DifferingOffsets(const QByteArray& a, const QByteArray& b) {
  QList<int> offsets;
  for (int i = 0; i < qMax(a.size(), b.size()); ++i)
    if (i >= a.size() || i >= b.size() || a[i] != b[i]) offsets << i;
  return offsets;
}

}  // namespace

class TestComboBlock : public QObject {
  Q_OBJECT

 private slots:
  void factory_data();
  void factory();
  void propertyBags();

  void getComboBlock_data();
  void getComboBlock();
  void dateRoundTrip_data();
  void dateRoundTrip();
  void setChangesOnlyItsBytes();
  void newPasswordGrowsBlock();
  void loginRefused_data();
  void loginRefused();
  void setWithoutBlockSendsNothing();
  void keptConnectionIsReused();
  void unitNotAnsweringPing();
};

void TestComboBlock::factory_data() {
  QTest::addColumn<QString>("classId");
  QTest::addColumn<QString>("className");
  QTest::newRow("UDP") << "Corvel_Project.UDP" << "Corvel_Project::UDP";
  QTest::newRow("ComboBlock") << "Corvel_Project.ComboBlock" << "Corvel_Project::ComboBlock";
  QTest::newRow("other library's") << "DotquadLib.Dotquad" << "";
  QTest::newRow("wrong case") << "corvel_project.udp" << "";
  QTest::newRow("empty") << "" << "";
}

void TestComboBlock::factory() {
  QFETCH(QString, classId);
  QFETCH(QString, className);
  QObject parent;
  QObject* control = CreateCorvelControl(classId, &parent);
  if (className.isEmpty()) {
    QVERIFY(!control);
    return;
  }
  QVERIFY(control);
  QCOMPARE(control->metaObject()->className(), className);
  QCOMPARE(control->parent(), &parent);
}

void TestComboBlock::propertyBags() {
  // Fresh controls store nothing: every value is its default.
  ComboBlock freshCombo;
  Corvel_Project::UDP freshUdp;
  MemoryBag empty;
  freshCombo.WriteProperties(empty);
  freshUdp.WriteProperties(empty);
  QVERIFY(empty.values.isEmpty());
  QCOMPARE(freshCombo.Port(), 1024);
  QCOMPARE(freshUdp.RemotePort(), 8092);
  QCOMPARE(freshUdp.UnitIDFilter(), QStringLiteral("0x80;0x81;0x82;0x83"));

  // Every set marks the property changed.
  ComboBlock combo;
  Corvel_Project::UDP udp;
  QStringList changed;
  connect(&combo, &ComboBlock::PropertyChanged, [&](const QString& n) { changed << n; });
  connect(&udp, &Corvel_Project::UDP::PropertyChanged, [&](const QString& n) { changed << n; });
  combo.SetHost("unit7.example");
  combo.SetPort(2048);
  combo.SetPassword("abcd");
  udp.SetRemotePort(9000);
  udp.SetUnitIDFilter("");
  QCOMPARE(changed, QStringList({"Host", "Port", "Password", "RemotePort", "UnitIDFilter"}));

  MemoryBag bag;
  combo.WriteProperties(bag);
  udp.WriteProperties(bag);
  QCOMPARE(bag.values, QVariantMap({{"Host", "unit7.example"}, {"Port", 2048},
                                    {"Password", "abcd"}, {"RemotePort", 9000},
                                    {"UnitIDFilter", ""}}));
  ComboBlock comboBack;
  Corvel_Project::UDP udpBack;
  comboBack.ReadProperties(bag);
  udpBack.ReadProperties(bag);
  QCOMPARE(comboBack.Host(), QStringLiteral("unit7.example"));
  QCOMPARE(comboBack.Port(), 2048);
  QCOMPARE(comboBack.Password(), QStringLiteral("abcd"));
  QCOMPARE(udpBack.RemotePort(), 9000);
  QCOMPARE(udpBack.UnitIDFilter(), QString(""));

  // Back to a default: removed from the bag again.
  combo.SetPort(1024);
  udp.SetUnitIDFilter("0x80;0x81;0x82;0x83");
  combo.WriteProperties(bag);
  udp.WriteProperties(bag);
  QVERIFY(!bag.values.contains("Port"));
  QVERIFY(!bag.values.contains("UnitIDFilter"));
}

void TestComboBlock::getComboBlock_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("password");
  QTest::addColumn<int>("alarmLatch");
  QTest::newRow("default password as code 0") << QStringList() << "" << 0;
  QTest::newRow("own password, alarm mode 1")
      << QStringList{"--password", "abcd", "--alarm-mode", "1"} << "abcd" << 1;
  QTest::newRow("reply in pieces") << QStringList{"--chunk", "1000", "--chunk-gap-ms", "5"} << ""
                                   << 0;
}

void TestComboBlock::getComboBlock() {
  REQUIRE_PING();
  QFETCH(QStringList, args);
  QFETCH(QString, password);
  QFETCH(int, alarmLatch);
  UnitSim sim;
  QVERIFY(sim.Start(QStringList{"--tcp", "127.0.0.1:0", "--no-udp"} + args));
  Rig rig(sim, password);
  QVERIFY(!rig.control.Connected());

  zam::COMBO_BLOCK block;
  QString msgReturn = "untouched";
  QVERIFY(rig.control.GetComboBlock(block, msgReturn));
  QCOMPARE(rig.messages, GetSequence());
  QCOMPARE(msgReturn, QStringLiteral("untouched"));
  QVERIFY(!rig.control.Connected());

  QCOMPARE(block.DateTime.Value, QStringLiteral("12/7/2023 14:30:5"));
  QCOMPARE(block.Alarms.AlarmLatch, alarmLatch);
  QCOMPARE(block.Camera.Count, quint8(4));
  QCOMPARE(block.Camera.Title, QStringList({"Camera 1", "Camera 2", "Camera 3", "Camera 4"}));
  QCOMPARE(block.Password.EthernetOld, QString());  // 240 rows hold no password

  // One login with the combo-block client byte, then the request.
  const auto logins = sim.Messages("tcp", "rx", "ff ff 05 00");
  QCOMPARE(logins.size(), 1);
  QCOMPARE(logins[0], zam::BuildConnectionRequest(0x02, password));
  QCOMPARE(logins[0][8], char(0x02));
  QCOMPARE(sim.Messages("tcp", "rx", "ff ff 04 03"),
           QList<QByteArray>{QByteArray::fromHex("ffff040300000000")});
}

void TestComboBlock::dateRoundTrip_data() {
  QTest::addColumn<QString>("value");
  QTest::addColumn<QByteArray>("bytes");  // data bytes 960-965
  QTest::newRow("2023") << "12/7/2023 14:30:5" << QByteArray::fromHex("0e1e050c0717");
  QTest::newRow("year byte 95") << "3/4/1995 1:2:3" << QByteArray::fromHex("01020303045f");
  QTest::newRow("year byte 59") << "1/31/2059 23:59:59" << QByteArray::fromHex("173b3b011f3b");
}

void TestComboBlock::dateRoundTrip() {
  REQUIRE_PING();
  QFETCH(QString, value);
  QFETCH(QByteArray, bytes);
  UnitSim sim;
  QVERIFY(sim.Start({"--tcp", "127.0.0.1:0", "--no-udp"}));
  Rig rig(sim);
  zam::COMBO_BLOCK block;
  QVERIFY(rig.control.GetComboBlock(block));
  block.DateTime.Value = value;
  QVERIFY(rig.control.SetComboBlock(block));
  QVERIFY(!rig.control.Connected());
  const auto received = ReceivedBlock(sim);
  QVERIFY(received);
  QCOMPARE(received->data.mid(zam::cbo::Hour, 6), bytes);

  zam::COMBO_BLOCK back;
  QVERIFY(rig.control.GetComboBlock(back));
  QCOMPARE(back.DateTime.Value, value);
}

void TestComboBlock::setChangesOnlyItsBytes() {
  REQUIRE_PING();
  UnitSim sim;
  QVERIFY(sim.Start({"--tcp", "127.0.0.1:0", "--no-udp"}));
  Rig rig(sim);
  zam::COMBO_BLOCK block;
  QVERIFY(rig.control.GetComboBlock(block));
  const QByteArray before = SentData(sim);
  const QByteArray responseFrame = sim.Messages("tcp", "tx", "ff ff 68 03").last();
  QCOMPARE(before.size(), 3840);

  block.Alarms.AlarmLatch = zam::Timeout;
  block.LockKeyboard = zam::Enabled;
  block.DateTime.TimeZone = zam::GMT_0530P;
  block.DateTime.Value = "12/7/2023 14:31:5";
  block.Camera.Title[1] = "Door";
  block.Display.LastAlarm = zam::Disabled;
  rig.messages.clear();
  QString msgReturn = "untouched";
  QVERIFY(rig.control.SetComboBlock(block, msgReturn));
  QCOMPARE(rig.messages, SetSequence());
  QCOMPARE(msgReturn, QStringLiteral("untouched"));
  QVERIFY(!rig.control.Connected());

  const auto received = ReceivedBlock(sim);
  QVERIFY(received);
  const QList<int> expected = {16 + 0, 16 + 1, 16 + 2, 16 + 3, 16 + 4, 16 + 5, 16 + 6, 16 + 7,
                               zam::cbo::LastAlarm, zam::cbo::TimeZone, zam::cbo::AlarmLatch,
                               zam::cbo::LockKeyboard, zam::cbo::Minute};
  QCOMPARE(DifferingOffsets(before, received->data), expected);
  QCOMPARE(received->data.mid(16, 16), QByteArray("Door").leftJustified(16, '\0'));

  // The header goes back as received, with P in bytes 2-3 and 00 00 in 4-5.
  const auto raw = zam::SplitComboResponse(responseFrame);
  QVERIFY(raw);
  const QByteArray sendFrame = sim.Messages("tcp", "rx", "ff ff 04 04").last();
  QCOMPARE(sendFrame.size(), 8 + raw->P);
  QCOMPARE(received->H, raw->H);
  QCOMPARE(int(received->P16), raw->P);
  QCOMPARE(sendFrame.mid(12, 2), QByteArray(2, '\0'));
  QCOMPARE(received->header, raw->header.mid(6));
}

void TestComboBlock::newPasswordGrowsBlock() {
  REQUIRE_PING();
  UnitSim sim;
  QVERIFY(sim.Start({"--tcp", "127.0.0.1:0", "--no-udp"}));
  Rig rig(sim);
  zam::COMBO_BLOCK block;
  QVERIFY(rig.control.GetComboBlock(block));
  const QByteArray before = SentData(sim);
  QCOMPARE(before.size(), 240 * 16);

  block.Password.EthernetNew = "wxyz";
  QVERIFY(rig.control.SetComboBlock(block));
  QVERIFY(!rig.control.Connected());
  const auto grown = ReceivedBlock(sim);
  QVERIFY(grown);
  QCOMPARE(grown->data.size(), 3856);
  QCOMPARE(grown->data.left(3840), before);
  QCOMPARE(grown->data.mid(3840), QByteArray("wxyz") + QByteArray(12, '\0'));
  const QByteArray frame = sim.Messages("tcp", "rx", "ff ff 04 04").last();
  const int grownP = int(qFromBigEndian<quint32>(frame.constData() + 4));
  QCOMPARE(grownP, int(grown->P16));
  QCOMPARE(grownP, 16 + 3840 + 16);  // header, data, the new row

  // The unit now holds 241 rows: the password reads back, and a set with no
  // new password leaves its bytes as received.
  zam::COMBO_BLOCK back;
  QVERIFY(rig.control.GetComboBlock(back));
  QCOMPARE(back.Password.EthernetOld, QStringLiteral("wxyz"));
  const QByteArray held = SentData(sim);
  back.LockKeyboard = zam::Enabled;
  QVERIFY(rig.control.SetComboBlock(back));
  const auto kept = ReceivedBlock(sim);
  QVERIFY(kept);
  QCOMPARE(kept->data.size(), 3856);
  QCOMPARE(kept->data.mid(3840, 4), QByteArray("wxyz"));
  QCOMPARE(DifferingOffsets(held, kept->data), QList<int>{zam::cbo::LockKeyboard});
  QVERIFY(!rig.control.Connected());
}

void TestComboBlock::loginRefused_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("text");
  QTest::newRow("class 0x82") << QStringList{"--class", "0x82"} << "" << "The unit is not ZAM";
  QTest::newRow("rejected") << QStringList{"--login-result", "0"} << ""
                            << "Connection was rejected";
  QTest::newRow("wrong password") << QStringList{"--password", "abcd"} << "abce"
                                  << "Invalid password";
}

void TestComboBlock::loginRefused() {
  REQUIRE_PING();
  QFETCH(QStringList, args);
  QFETCH(QString, password);
  QFETCH(QString, text);
  UnitSim sim;
  QVERIFY(sim.Start(QStringList{"--tcp", "127.0.0.1:0", "--no-udp"} + args));
  Rig rig(sim, password);
  zam::COMBO_BLOCK block;
  block.Alarms.AlarmLatch = zam::Latched;
  QString msgReturn;
  QVERIFY(!rig.control.GetComboBlock(block, msgReturn));
  QCOMPARE(msgReturn, text);
  QCOMPARE(rig.messages, QStringList({"Pinging 127.0.0.1", "Pinged: 0   [ IP Success ]",
                                      "Connecting to 127.0.0.1", text, "Winsock closed"}));
  QCOMPARE(block.Alarms.AlarmLatch, int(zam::Invalid));
  QVERIFY(!rig.control.Connected());
  QVERIFY(sim.Messages("tcp", "rx", "ff ff 04 03").isEmpty());
}

void TestComboBlock::setWithoutBlockSendsNothing() {
  REQUIRE_PING();
  UnitSim sim;
  QVERIFY(sim.Start({"--tcp", "127.0.0.1:0", "--no-udp"}));
  Rig rig(sim);
  zam::COMBO_BLOCK block;
  block.DateTime.Value = "12/7/2023 14:30:5";
  QString msgReturn;
  QVERIFY(!rig.control.SetComboBlock(block, msgReturn));
  QCOMPARE(rig.messages, QStringList({"Pinging 127.0.0.1", "Pinged: 0   [ IP Success ]",
                                      "Packing to the Combo Block Data...",
                                      "Packing to the Combo Block Data failed.",
                                      "Winsock closed"}));
  QCOMPARE(msgReturn, QStringLiteral("0   [ IP Success ]"));
  QVERIFY(!rig.control.Connected());
  QVERIFY(sim.Messages("tcp", "rx").isEmpty());
}

void TestComboBlock::keptConnectionIsReused() {
  REQUIRE_PING();
  // A unit that never confirms a set: the connection stays open and logged in.
  UnitSim silent;
  QVERIFY(silent.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--silent-to", "0x04040000"}));
  const quint16 port = silent.tcpPort();
  Rig rig(silent);
  zam::COMBO_BLOCK block;
  QVERIFY(rig.control.GetComboBlock(block));
  block.LockKeyboard = zam::Enabled;
  QVERIFY(!rig.control.SetComboBlock(block));
  QVERIFY(rig.control.Connected());
  QCOMPARE(rig.messages.last(), QStringLiteral("Waiting for ZAM_COMBO_BLOCK_SEND_RESPONSE"));

  // The next operation goes on without a new login.
  rig.messages.clear();
  QVERIFY(!rig.control.SetComboBlock(block));
  QVERIFY(rig.control.Connected());
  QCOMPARE(rig.messages, SetSequence().mid(0, 7));
  QCOMPARE(silent.Messages("tcp", "rx", "ff ff 05 00").size(), 2);  // the get's and the first set's
  QCOMPARE(silent.Messages("tcp", "rx", "ff ff 04 04").size(), 2);

  // The unit goes away and comes back: a new connection logs in again.
  silent.Stop();
  UnitSim back;
  QVERIFY(back.Start({"--tcp", QStringLiteral("127.0.0.1:%1").arg(port), "--no-udp"}));
  rig.messages.clear();
  QVERIFY(rig.control.SetComboBlock(block));
  QCOMPARE(rig.messages, SetSequence());
  QVERIFY(!rig.control.Connected());
  const auto rx = back.Messages("tcp", "rx");
  QCOMPARE(rx.size(), 2);
  QVERIFY(rx[0].startsWith(QByteArray::fromHex("ffff0500")));
  QVERIFY(rx[1].startsWith(QByteArray::fromHex("ffff0404")));
}

void TestComboBlock::unitNotAnsweringPing() {
  const QString why = NetnsLab::Unavailable();
  if (!why.isEmpty()) QSKIP(qPrintable(why));
  // A namespace whose loopback ignores every echo.
  NetnsLab lab;
  QVERIFY(lab.Add("Q"));
  QVERIFY(lab.Sysctl("Q", "net.ipv4.icmp_echo_ignore_all", "1"));
  QVERIFY(lab.Enter("Q"));
  ComboBlock control;
  control.SetHost(kHost);
  QStringList messages;
  connect(&control, &ComboBlock::Message, [&](const QString& m) { messages << m; });
  zam::COMBO_BLOCK block;
  QString msgReturn;
  QElapsedTimer clock;
  clock.start();
  const bool ok = control.SetComboBlock(block, msgReturn);
  const qint64 elapsed = clock.elapsed();
  lab.Leave();

  QVERIFY(!ok);
  QCOMPARE(msgReturn, QStringLiteral("Failed to ping to 127.0.0.1"));
  QStringList expected;
  for (int i = 0; i < 5; ++i)
    expected << "Pinging 127.0.0.1" << "Pinged: 11010   [ IP Reqquest timed out ]";
  expected << "Failed to ping to 127.0.0.1; 11010   [ IP Reqquest timed out ]";
  QCOMPARE(messages, expected);
  // Five echoes of 500 ms, each followed by a 1 s pause.
  QVERIFY2(elapsed >= 7400, qPrintable(QString::number(elapsed)));
  QVERIFY(!control.Connected());
}

QTEST_GUILESS_MAIN(TestComboBlock)
#include "tst_comboblock.moc"
