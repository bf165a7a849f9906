// The UDP control inside namespaces the test builds: D holds the control with
// two local addresses (bridges br0 10.77.0.1 and br1 10.77.1.1); units U1..U5
// each sit on both bridges, so every broadcast of D reaches every unit.
// U1-U4 are unit simulators; U5 is a reply of a length the simulator does not
// send, played by this process.
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

#include <sys/resource.h>

#include <corvel/corvel_udp.h>
#include "discoverymsg.h"
#include "eventpump.h"
#include "modNetwork.h"
#include "netnslab.h"
#include "unitsimrun.h"

using Corvel_Project::UDP;
using zam::DISCOVER_UDP_INFO;

namespace {

QString Describe(const DISCOVER_UDP_INFO& u) {
  return QStringLiteral("%1 %2 %3 [%4] [%5] %6 %7 %8 [%9] %10")
      .arg(u.UnitIDVal, 2, 16, QLatin1Char('0'))
      .arg(u.UnitIDStr, u.IPAddress, u.ModelName, u.SerialNo, u.MACAddress)
      .arg(u.StreamModeVal)
      .arg(u.StreamModeStr, u.Version)
      .arg(u.ListenPort);
}

// What each unit answers, as Describe() gives it.
const QMap<QString, QString> kExpected = {
    {"ZS-1001", "80 ZAM1 10.77.0.11 [ZAM-77] [ZS-1001] 00-0A-FF-12-34-56 2 Sender [1.40b] 4321"},
    {"ZS-1002", "82 CODEC 10.77.0.12 [CODEC-63] [ZS-1002] N/A 0  [1.20] 0"},
    {"ZS-1003", "90  10.77.0.13 [ZAM-70] [ZS-1003] 00-0A-FF-00-00-03 1 Receiver [1.30] 0"},
    {"ZS-1004", "8a  10.77.0.14 [ZAM-73] [ZS-1004] 00-0A-FF-00-00-04 0 Disable [2.7b] 0"},
    {"ZS-1005", "81 ZAM4 10.77.0.15 [ZAM4-71] [ZS-1005] 00-0A-FF-00-00-05 3 Codec [Unknown] 0"},
};

QStringList SimArgs(int unit) {
  const QString ip = QStringLiteral("10.77.0.1%1").arg(unit);
  const QStringList common = {"--no-tcp", "--udp-address", "0.0.0.0", "--udp-port", "8092",
                              "--ip", ip};
  switch (unit) {
    case 1:
      return common + QStringList{"--class", "0x80", "--discovery-length", "77", "--serial",
                                  "ZS-1001", "--model-name", "ZAM-77", "--mac",
                                  "00-0A-FF-12-34-56", "--stream-mode", "2", "--version", "1.40",
                                  "--listen-port", "4321", "--password", "abcd"};
    case 2:
      return common + QStringList{"--class", "0x82", "--discovery-length", "63", "--serial",
                                  "ZS-1002", "--model-name", "CODEC-63"};
    case 3:
      return common + QStringList{"--class", "0x90", "--discovery-length", "70", "--serial",
                                  "ZS-1003", "--model-name", "ZAM-70", "--mac",
                                  "00-0A-FF-00-00-03", "--stream-mode", "1"};
    case 4:
      return common + QStringList{"--class", "0x8A", "--discovery-length", "73", "--serial",
                                  "ZS-1004", "--model-name", "ZAM-73", "--mac",
                                  "00-0A-FF-00-00-04", "--version", "2.07"};
  }
  return {};
}

// A unit whose reply is 71 bytes long.
class ShortReplyUnit : public QObject {
 public:
  ShortReplyUnit() {
    zam::DiscoveryReplyFields f;
    f.unitId = 0x81;
    const quint8 ip[4] = {10, 77, 0, 15};
    std::copy(ip, ip + 4, f.ip);
    f.modelName = "ZAM4-71";
    f.serialNo = "ZS-1005";
    f.mac = QByteArray::fromHex("000AFF000005");
    f.streamMode = 3;
    reply_ = zam::BuildDiscoveryResponse(f, 71);
    connect(&socket_, &QUdpSocket::readyRead, this, [this] {
      while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_.receiveDatagram();
        if (d.data() == zam::BuildDiscoveryRequest())
          socket_.writeDatagram(reply_, d.senderAddress(), quint16(d.senderPort()));
      }
    });
  }
  bool Bind() { return socket_.bind(QHostAddress::AnyIPv4, 8092); }

 private:
  QUdpSocket socket_;
  QByteArray reply_;
};

qint64 CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

const QByteArray kDiscoveryHex = "ff ff cc cc 01 00";
const QByteArray kSetIpHex = "ff ff cc cc 01 02";

}  // namespace

class TestUdp : public QObject {
  Q_OBJECT

 private slots:
  void trimAtNull_data();
  void trimAtNull();
  void initTestCase();
  void cleanup() { StopUnits(); }
  void cleanupTestCase();
  void localIPList();
  void discoveryListsEachUnitOnce();
  void discoveryFilter_data();
  void discoveryFilter();
  void discoveryWithoutAnswersIsEmpty();
  void setIp_data();
  void setIp();
  void setIpWithNoUnitAnswering();
  void unitOnAnotherSubnetAnswersByBroadcast_data();
  void unitOnAnotherSubnetAnswersByBroadcast();

 private:
  // W: a unit on br0 with an address of another subnet (10.78.0.5/24) and a
  // gateway that is not there, so that nothing it sends to D's addresses
  // arrives; it can only answer by broadcast.
  bool AddOtherSubnetUnit();
  bool SecondAddress(bool up) { return lab_->Ip("D", up ? "link set br1 up" : "link set br1 down"); }
  // Starts the simulators of the given units (5: the short-reply unit).
  bool StartUnits(const QList<int>& units);
  void StopUnits();
  // Runs f with this thread's sockets inside D.
  template <typename F> void InD(F f) {
    QVERIFY(lab_->Enter("D"));
    f();
    lab_->Leave();
  }

  std::unique_ptr<NetnsLab> lab_;
  bool otherSubnetUnit_ = false;
  QString why_;
  std::map<int, std::unique_ptr<UnitSim>> sims_;
  std::unique_ptr<ShortReplyUnit> shortUnit_;
};

void TestUdp::trimAtNull_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("trimmed");
  QTest::newRow("no NUL") << "10.0.0.5" << "10.0.0.5";
  QTest::newRow("NUL padded") << QString::fromLatin1("10.0.0.5\0\0\0", 11) << "10.0.0.5";
  QTest::newRow("NUL first") << QString::fromLatin1("\0abc", 4) << "";
  QTest::newRow("empty") << "" << "";
}

void TestUdp::trimAtNull() {
  QFETCH(QString, text);
  QFETCH(QString, trimmed);
  QCOMPARE(Corvel_Project::TrimAtNull(text), trimmed);
}

void TestUdp::initTestCase() {
  why_ = NetnsLab::Unavailable();
  if (!why_.isEmpty()) return;
  lab_ = std::make_unique<NetnsLab>();
  bool ok = lab_->Add("D") && lab_->Add("L");
  for (const char* br : {"br0", "br1"})
    ok = ok && lab_->Ip("D", QStringLiteral("link add %1 type bridge").arg(br));
  ok = ok && lab_->Ip("D", "addr add 10.77.0.1/24 dev br0") &&
       lab_->Ip("D", "addr add 10.77.1.1/24 dev br1") && lab_->Ip("D", "link set br0 up") &&
       lab_->Ip("D", "link set br1 up");
  for (int i = 1; ok && i <= 5; ++i) {
    const QString u = QStringLiteral("U%1").arg(i);
    ok = lab_->Add(u);
    for (int side = 0; ok && side < 2; ++side) {
      const QString port = QStringLiteral("u%1%2").arg(i).arg(side ? 'b' : 'a');
      const QString inner = QStringLiteral("e%1").arg(side);
      ok = lab_->Ip("D", QStringLiteral("link add %1 type veth peer name %2 netns %3")
                             .arg(port, inner, lab_->Name(u))) &&
           lab_->Ip("D", QStringLiteral("link set %1 master br%2").arg(port).arg(side)) &&
           lab_->Ip("D", QStringLiteral("link set %1 up").arg(port)) &&
           lab_->Ip(u, QStringLiteral("addr add 10.77.%1.1%2/24 dev %3").arg(side).arg(i).arg(inner)) &&
           lab_->Ip(u, QStringLiteral("link set %1 up").arg(inner));
    }
  }
  if (!ok) {
    why_ = QStringLiteral("could not build the namespaces (see warnings)");
    lab_.reset();
  }
}

void TestUdp::cleanupTestCase() {
  StopUnits();
  lab_.reset();
}

bool TestUdp::StartUnits(const QList<int>& units) {
  for (int unit : units) {
    if (unit == 5) {
      if (!lab_->Enter("U5")) return false;
      shortUnit_ = std::make_unique<ShortReplyUnit>();
      const bool bound = shortUnit_->Bind();
      lab_->Leave();
      if (!bound) return false;
      continue;
    }
    auto sim = std::make_unique<UnitSim>();
    QProcess* p = lab_->Start(QStringLiteral("U%1").arg(unit), QStringLiteral(UNITSIM_PATH),
                              SimArgs(unit) + sim->LogArgs());
    if (!sim->Adopt(p)) return false;
    sims_[unit] = std::move(sim);
  }
  return true;
}

void TestUdp::StopUnits() {
  sims_.clear();
  shortUnit_.reset();
}

#define REQUIRE_LAB() \
  if (!lab_) QSKIP(qPrintable(why_))

void TestUdp::localIPList() {
  REQUIRE_LAB();
  QVERIFY(SecondAddress(true));
  QString both, comma, one, unit, none;
  InD([&] {
    both = Corvel_Project::GetLocalIPList(";");
    comma = Corvel_Project::GetLocalIPList(", ");
  });
  QVERIFY(SecondAddress(false));
  InD([&] { one = Corvel_Project::GetLocalIPList(";"); });
  QVERIFY(SecondAddress(true));
  QVERIFY(lab_->Enter("U1"));
  unit = Corvel_Project::GetLocalIPList(";");
  QVERIFY(lab_->Enter("L"));  // loopback only
  none = Corvel_Project::GetLocalIPList(";");
  lab_->Leave();

  QCOMPARE(both, QStringLiteral("10.77.0.1;10.77.1.1"));
  QCOMPARE(comma, QStringLiteral("10.77.0.1, 10.77.1.1"));
  QCOMPARE(one, QStringLiteral("10.77.0.1"));
  QCOMPARE(unit, QStringLiteral("10.77.0.11;10.77.1.11"));
  QCOMPARE(none, QString());
}

void TestUdp::discoveryListsEachUnitOnce() {
  REQUIRE_LAB();
  QVERIFY(SecondAddress(true));
  QVERIFY(StartUnits({1, 2, 3, 4, 5}));
  UDP udp;
  QList<qint16> counts;
  QList<quint8> states;
  connect(&udp, &UDP::Discovered, [&](qint16 n) {
    counts << n;
    states << udp.State();
  });
  QList<DISCOVER_UDP_INFO> list;
  list.append(DISCOVER_UDP_INFO());  // the caller's old list is replaced
  QElapsedTimer clock;
  qint64 cpu = 0;
  InD([&] {
    const qint64 cpu0 = CpuMs();
    clock.start();
    udp.Discovery(list);
    cpu = CpuMs() - cpu0;
  });
  const qint64 elapsed = clock.elapsed();
  qInfo("discovery over 2 local addresses: %lld ms, %lld ms of CPU", elapsed, cpu);

  // The default filter takes 0x80, 0x81 and 0x82: U1, U2, U5 (in any order).
  QCOMPARE(counts, QList<qint16>({1, 2, 3}));
  QCOMPARE(states, QList<quint8>({1, 1, 1}));
  QCOMPARE(udp.State(), quint8(0));
  QStringList found;
  for (const auto& u : list) found << Describe(u);
  found.sort();
  QStringList expected = {kExpected["ZS-1001"], kExpected["ZS-1002"], kExpected["ZS-1005"]};
  expected.sort();
  QCOMPARE(found, expected);

  // Five requests from each local address reached every unit, dropped or not.
  for (int unit : {1, 2, 3, 4}) {
    const auto requests = sims_[unit]->Messages("udp", "rx", kDiscoveryHex);
    QCOMPARE(requests.size(), 10);
    QCOMPARE(requests.first(), QByteArray::fromHex("ffffcccc0100"));
  }
  QVERIFY2(elapsed >= 9500, qPrintable(QString::number(elapsed)));
}

void TestUdp::discoveryFilter_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("serials");
  // The search is plain and case-sensitive: "0x8a" does not take type 0x8A.
  QTest::newRow("0x90 and lower-case 0x8a") << "0x90;0x8a" << QStringList{"ZS-1003"};
  QTest::newRow("empty takes every type")
      << "" << QStringList{"ZS-1001", "ZS-1002", "ZS-1003", "ZS-1004", "ZS-1005"};
}

void TestUdp::discoveryFilter() {
  REQUIRE_LAB();
  QFETCH(QString, filter);
  QFETCH(QStringList, serials);
  QVERIFY(SecondAddress(false));  // one local address: five seconds
  QVERIFY(StartUnits({1, 2, 3, 4, 5}));
  UDP udp;
  udp.SetUnitIDFilter(filter);
  QList<DISCOVER_UDP_INFO> list;
  InD([&] { udp.Discovery(list); });
  StopUnits();
  QStringList found, expected;
  for (const auto& u : list) found << Describe(u);
  for (const auto& s : serials) expected << kExpected[s];
  found.sort();
  expected.sort();
  QCOMPARE(found, expected);
}

void TestUdp::discoveryWithoutAnswersIsEmpty() {
  REQUIRE_LAB();
  QVERIFY(SecondAddress(false));
  QVERIFY(StartUnits({1}));
  UDP udp;
  int events = 0;
  connect(&udp, &UDP::Discovered, [&] { ++events; });
  QList<DISCOVER_UDP_INFO> first, second;
  InD([&] { udp.Discovery(first); });
  QCOMPARE(first.size(), 1);
  StopUnits();
  events = 0;
  InD([&] { udp.Discovery(second); });
  QVERIFY(second.isEmpty());
  QCOMPARE(events, 0);
}

void TestUdp::setIp_data() {
  QTest::addColumn<QString>("password");
  QTest::addColumn<bool>("confirmed");
  QTest::addColumn<QString>("tag");
  QTest::addColumn<QByteArray>("request");
  // MAC, password code, DHCP, address, mask, gateway, ports 1024 and 8090
  // (the socket's own port stands in for a CtrlPort_Tx of 0).
  QTest::newRow("confirmed") << "abcd" << true << "caller's"
                             << QByteArray::fromHex("ffffcccc0102" "000aff123456" "0604d520" "00"
                                                    "0a4d003d" "ffffff00" "0a4d0001" "0400" "1f9a");
  QTest::newRow("wrong password") << "abce" << false << "1 - Invalid Password"
                                  << QByteArray::fromHex("ffffcccc0102" "000aff123456" "0642ca11"
                                                         "00" "0a4d003d" "ffffff00" "0a4d0001"
                                                         "0400" "1f9a");
}

void TestUdp::setIp() {
  REQUIRE_LAB();
  QFETCH(QString, password);
  QFETCH(bool, confirmed);
  QFETCH(QString, tag);
  QFETCH(QByteArray, request);
  QVERIFY(SecondAddress(true));
  QVERIFY(StartUnits({1, 3}));  // U3 has another MAC and keeps quiet
  UDP udp;
  zam::DISCOVER_SET_IP_REQ req;
  req.MACAddress = "00-0A-FF-12-34-56";
  req.Password = password;
  req.IPAddress = "10.77.0.61";
  req.SubnetMask = "255.255.255.0";
  req.Gateway = "10.77.0.1";
  req.CtrlPort_Rx = 1024;
  req.Tag = QStringLiteral("caller's");
  bool result = !confirmed;
  InD([&] { result = udp.DiscoverySetIP(req); });
  QCOMPARE(result, confirmed);
  QCOMPARE(req.Tag.toString(), tag);
  QCOMPARE(req.IPAddress, QStringLiteral("10.77.0.61"));
  QCOMPARE(udp.State(), quint8(0));
  // The first answer ends the operation.
  QCOMPARE(sims_[1]->Messages("udp", "rx", kSetIpHex), QList<QByteArray>{request});
}

void TestUdp::setIpWithNoUnitAnswering() {
  REQUIRE_LAB();
  QVERIFY(SecondAddress(true));
  QVERIFY(StartUnits({1}));
  UDP udp;
  zam::DISCOVER_SET_IP_REQ req;
  req.MACAddress = "00-0A-FF-99-99-99";  // nobody's
  req.Password = "abcd";
  req.IPAddress = "10.77.0.62";
  // A confirmation left from an earlier call must not count for this one.
  req.Tag = QStringLiteral("0 - Set OK");
  bool result = true;
  QElapsedTimer clock;
  InD([&] {
    clock.start();
    result = udp.DiscoverySetIP(req);
  });
  const qint64 elapsed = clock.elapsed();
  QVERIFY(!result);
  QCOMPARE(req.Tag.toString(), QString());
  QCOMPARE(udp.State(), quint8(0));
  QCOMPARE(sims_[1]->Messages("udp", "rx", kSetIpHex).size(), 10);  // five per local address
  QVERIFY2(elapsed >= 9500, qPrintable(QString::number(elapsed)));
}

bool TestUdp::AddOtherSubnetUnit() {
  if (otherSubnetUnit_) return true;
  otherSubnetUnit_ = lab_->Add("W") &&
         lab_->Ip("D", QStringLiteral("link add wa type veth peer name w0 netns %1").arg(lab_->Name("W"))) &&
         lab_->Ip("D", "link set wa master br0") && lab_->Ip("D", "link set wa up") &&
         lab_->Ip("W", "addr add 10.78.0.5/24 dev w0") && lab_->Ip("W", "link set w0 up") &&
         lab_->Ip("W", "route add default via 10.78.0.254 dev w0");
  return otherSubnetUnit_;
}

void TestUdp::unitOnAnotherSubnetAnswersByBroadcast_data() {
  QTest::addColumn<bool>("setIp");
  QTest::newRow("discovery") << false;
  QTest::newRow("set IP by MAC") << true;
}

void TestUdp::unitOnAnotherSubnetAnswersByBroadcast() {
  REQUIRE_LAB();
  QFETCH(bool, setIp);
  QVERIFY(SecondAddress(false));
  QVERIFY(AddOtherSubnetUnit());
  auto sim = std::make_unique<UnitSim>();
  QProcess* p = lab_->Start("W", QStringLiteral(UNITSIM_PATH),
                            QStringList{"--no-tcp", "--udp-address", "0.0.0.0", "--udp-port", "8092",
                                        "--ip", "10.78.0.5", "--serial", "ZS-2001", "--mac",
                                        "00-0A-FF-20-01-00", "--password", "abcd", "--reply-broadcast",
                                        "255.255.255.255"} +
                                sim->LogArgs());
  QVERIFY(sim->Adopt(p));
  UDP udp;
  if (setIp) {
    zam::DISCOVER_SET_IP_REQ req;
    req.MACAddress = "00-0A-FF-20-01-00";
    req.Password = "abcd";
    req.IPAddress = "10.77.0.63";
    req.SubnetMask = "255.255.255.0";
    req.Gateway = "10.77.0.1";
    req.CtrlPort_Rx = 1024;
    bool result = false;
    InD([&] { result = udp.DiscoverySetIP(req); });
    QVERIFY(result);
  } else {
    QList<DISCOVER_UDP_INFO> list;
    InD([&] { udp.Discovery(list); });
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].SerialNo, QStringLiteral("ZS-2001"));
    QCOMPARE(list[0].IPAddress, QStringLiteral("10.78.0.5"));
  }
  // The answers did go out by broadcast.
  QStringList to;
  for (const QJsonObject& o : sim->Log())
    if (o.value("link").toString() == "udp" && o.value("dir").toString() == "tx") to << o.value("to").toString();
  QVERIFY(!to.isEmpty());
  QCOMPARE(to.first(), QStringLiteral("255.255.255.255:8090"));
}

QTEST_GUILESS_MAIN(TestUdp)
#include "tst_udp.moc"
