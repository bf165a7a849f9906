// The ping module: status texts, address parsing, and echoes through both
// socket kinds, on loopback and inside namespaces built by the test.
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "PingIP.h"
#include "netnslab.h"

using zam::IcmpSocketKind;
Q_DECLARE_METATYPE(IcmpSocketKind)

namespace {

const QString kSuccess = QStringLiteral("0   [ IP Success ]");
const QString kTimedOut = QStringLiteral("11010   [ IP Reqquest timed out ]");
const QString kBadFormat = QStringLiteral("-1   [ IP Bad Format ]");
const QString kNetUnreachable = QStringLiteral("11002   [ IP Destination Net Unreachable ]");
const QString kHostUnreachable = QStringLiteral("11003   [ IP Destination Host Unreachable ]");

// A raw ICMP socket playing a misbehaving host: it sees the echo requests
// that reach its namespace and sends replies of its choosing.
class Spoofer {
 public:
  explicit Spoofer(const char* source) {
    fd_ = socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~Spoofer() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }

  struct Request { quint16 id = 0, seq = 0; };
  // Every echo request that arrived since the last call, oldest first.
  QList<Request> Requests() {
    QList<Request> list;
    quint8 b[1500];
    for (;;) {
      const ssize_t n = recv(fd_, b, sizeof b, 0);
      if (n < 0) break;
      const int ihl = (b[0] & 0x0F) * 4;
      if (n < ihl + 8 || b[ihl] != 8) continue;
      list.append({quint16((b[ihl + 4] << 8) | b[ihl + 5]), quint16((b[ihl + 6] << 8) | b[ihl + 7])});
    }
    return list;
  }
  void Reply(const char* to, Request r) {
    quint8 p[8] = {0, 0, 0, 0, quint8(r.id >> 8), quint8(r.id), quint8(r.seq >> 8), quint8(r.seq)};
    quint32 sum = 0;
    for (int i = 0; i < 8; i += 2) sum += (p[i] << 8) | p[i + 1];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    p[2] = quint8(~sum >> 8);
    p[3] = quint8(~sum);
    sockaddr_in dst{};
    dst.sin_family = AF_INET;
    inet_pton(AF_INET, to, &dst.sin_addr);
    sendto(fd_, p, sizeof p, 0, reinterpret_cast<sockaddr*>(&dst), sizeof dst);
  }

 private:
  int fd_ = -1;
};

}  // namespace

class TestPingIP : public QObject {
  Q_OBJECT

 private slots:
  void statusText_data();
  void statusText();
  void isHostName_data();
  void isHostName();
  void parseInetAddr_data();
  void parseInetAddr();
  void addressToText_data();
  void addressToText();
  void badFormatIsNotPinged();
  void loopbackAnswers();

  // Inside namespaces P (pinger) and R (a silent router), root only.
  void namespaceOutcomes_data();
  void namespaceOutcomes();
  void hostNames();
  void strayRepliesDoNotCount_data();
  void strayRepliesDoNotCount();
  void noIcmpSocketSaysSo();
  void cleanupTestCase();

 private:
  bool BuildLab();
  std::unique_ptr<NetnsLab> lab_;
  QString labProblem_;
};

void TestPingIP::statusText_data() {
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("text");
  const QList<QPair<int, const char*>> table = {
      {-1, "IP Bad Format"},
      {0, "IP Success"},
      {500, "Ping timeout"},
      {11001, "IP Buffer too small"},
      {11002, "IP Destination Net Unreachable"},
      {11003, "IP Destination Host Unreachable"},
      {11004, "IP Destination Protocol Unreachable"},
      {11005, "IP Destination Port Unreachable"},
      {11006, "IP No Resources"},
      {11007, "IP Bad Option"},
      {11008, "IP Hardware Error"},
      {11009, "IP Packet too big"},
      {11010, "IP Reqquest timed out"},
      {11011, "IP Bad Request"},
      {11012, "IP Bad Route"},
      {11013, "IP TTL Expired Transit"},
      {11014, "IP TTL Expired Reassem"},
      {11015, "IP Parameter Problem"},
      {11016, "IP Source Quench"},
      {11017, "IP Option too big"},
      {11018, "IP Bad Destination"},
      {11019, "IP Address Deleted"},
      {11020, "IP Spec MTU Change"},
      {11021, "IP MTU Change"},
      {11022, "IP Unload"},
      {11023, "IP Address Added"},
      {11050, "IP General Failure"},
      {11255, "IP Pending"},
      {12345, "Unknown message returned"},
      {11024, "Unknown message returned"},
      {-2, "Unknown message returned"},
  };
  for (const auto& [status, text] : table)
    QTest::addRow("%d", status) << status
                                << QString::number(status) + "   [ " + text + " ]";
}

void TestPingIP::statusText() {
  QFETCH(int, status);
  QFETCH(QString, text);
  QCOMPARE(zam::GetPingStatusText(status), text);
}

void TestPingIP::isHostName_data() {
  QTest::addColumn<QString>("address");
  QTest::addColumn<bool>("hostName");
  QTest::newRow("dotted") << "10.0.0.5" << false;
  QTest::newRow("first part out of byte range") << "300.1.1.1" << false;
  QTest::newRow("name") << "unit7.example" << true;
  QTest::newRow("single name") << "localhost" << true;
  QTest::newRow("name starting with digits") << "7unit.example" << true;
  QTest::newRow("numeric with blanks and sign") << " -3 .1.1.1" << false;
  QTest::newRow("hex literal") << "&H1F.0.0.1" << false;
  QTest::newRow("empty") << "" << true;
}

void TestPingIP::isHostName() {
  QFETCH(QString, address);
  QFETCH(bool, hostName);
  QCOMPARE(zam::IsHostName(address), hostName);
}

void TestPingIP::parseInetAddr_data() {
  QTest::addColumn<QString>("address");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<quint32>("value");
  QTest::newRow("dotted") << "10.0.0.5" << true << 0x0A000005u;
  QTest::newRow("three parts") << "1.2.300" << true << 0x0102012Cu;
  QTest::newRow("one part") << "167772165" << true << 0x0A000005u;
  QTest::newRow("hex and octal parts") << "0x7f.0.0.010" << true << 0x7F000008u;
  QTest::newRow("part over 255") << "300.1.1.1" << false << 0u;
  QTest::newRow("no-address value") << "255.255.255.255" << false << 0u;
  QTest::newRow("five parts") << "1.2.3.4.5" << false << 0u;
  QTest::newRow("empty part") << "1..2.3" << false << 0u;
  QTest::newRow("trailing blank") << "1.2.3.4 " << false << 0u;
  QTest::newRow("bad octal digit") << "08.1.1.1" << false << 0u;
  QTest::newRow("bare 0x") << "0x.1.1.1" << false << 0u;
  QTest::newRow("overflowing part") << "99999999999" << false << 0u;
  QTest::newRow("empty") << "" << false << 0u;
}

void TestPingIP::parseInetAddr() {
  QFETCH(QString, address);
  QFETCH(bool, valid);
  QFETCH(quint32, value);
  quint32 parsed = 0;
  QCOMPARE(zam::ParseInetAddr(address, &parsed), valid);
  if (valid) QCOMPARE(parsed, value);
}

void TestPingIP::addressToText_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");
  QTest::newRow("unit") << QByteArray("\x0a\x00\x00\x05", 4) << "10.0.0.5";
  QTest::newRow("high bytes") << QByteArray("\xc0\xa8\xff\x14", 4) << "192.168.255.20";
  QTest::newRow("too short") << QByteArray("\x0a\x00", 2) << "";
}

void TestPingIP::addressToText() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  QCOMPARE(zam::AddressToText(bytes), text);
}

void TestPingIP::badFormatIsNotPinged() {
  QString address = QStringLiteral("300.1.1.1");
  QCOMPARE(zam::PingAddress(address), kBadFormat);
  QCOMPARE(address, QStringLiteral("300.1.1.1"));
}

void TestPingIP::loopbackAnswers() {
  QString address = QStringLiteral("127.0.0.1");
  const QString text = zam::PingAddress(address);
  if (text == QLatin1String(zam::kPingNoIcmpSocketText))
    QSKIP("this user may open no ICMP socket (net.ipv4.ping_group_range)");
  QVERIFY2(text.contains(QLatin1String("IP Success")), qPrintable(text));
}

bool TestPingIP::BuildLab() {
  if (lab_) return true;
  if (!labProblem_.isEmpty()) return false;
  labProblem_ = NetnsLab::Unavailable();
  if (!labProblem_.isEmpty()) return false;
  auto lab = std::make_unique<NetnsLab>();
  // P: 10.77.0.1, with routes to nowhere (10.78), refused locally (10.79) and
  // through R (10.80-81). R: 10.77.0.2 and .5, forwards, never answers an echo,
  // refuses 10.80 and has no route to 10.81; its errors are not rate limited.
  const bool ok =
      lab->Add("P") && lab->Add("R") &&
      lab->Link("P", "p0", "10.77.0.1/24", "R", "r0", "10.77.0.2/24") &&
      lab->Ip("R", "addr add 10.77.0.5/24 dev r0") &&
      lab->Ip("P", "route add 10.80.0.0/15 via 10.77.0.2") &&
      lab->Ip("P", "route add unreachable 10.79.0.0/24") &&
      lab->Ip("R", "route add unreachable 10.80.0.0/24") &&
      lab->Sysctl("R", "net.ipv4.ip_forward", "1") &&
      lab->Sysctl("R", "net.ipv4.icmp_echo_ignore_all", "1") &&
      lab->Sysctl("R", "net.ipv4.icmp_ratelimit", "0") &&
      lab->Sysctl("P", "net.ipv4.ping_group_range", "0 2147483647");
  if (!ok) {
    labProblem_ = QStringLiteral("could not build the namespaces (see warnings)");
    return false;
  }
  lab_ = std::move(lab);
  return true;
}

void TestPingIP::cleanupTestCase() { lab_.reset(); }

void TestPingIP::namespaceOutcomes_data() {
  QTest::addColumn<IcmpSocketKind>("kind");
  QTest::addColumn<QString>("address");
  QTest::addColumn<QString>("text");
  const QList<QPair<IcmpSocketKind, const char*>> kinds = {{IcmpSocketKind::Datagram, "datagram"},
                                                           {IcmpSocketKind::Raw, "raw"}};
  for (const auto& [kind, name] : kinds) {
    QTest::addRow("%s loopback", name) << kind << "127.0.0.1" << kSuccess;
    QTest::addRow("%s neighbour", name) << kind << "10.77.0.1" << kSuccess;
    QTest::addRow("%s nobody holds it", name) << kind << "10.77.0.3" << kTimedOut;
    QTest::addRow("%s no route", name) << kind << "10.78.0.1" << kNetUnreachable;
    QTest::addRow("%s unreachable route", name) << kind << "10.79.0.1" << kHostUnreachable;
    QTest::addRow("%s router: host unreachable", name) << kind << "10.80.0.1" << kHostUnreachable;
    QTest::addRow("%s router: net unreachable", name) << kind << "10.81.0.1" << kNetUnreachable;
  }
}

void TestPingIP::namespaceOutcomes() {
  if (!BuildLab()) QSKIP(qPrintable(labProblem_));
  QFETCH(IcmpSocketKind, kind);
  QFETCH(QString, address);
  QFETCH(QString, text);
  QVERIFY(lab_->Enter("P"));
  const QString result = zam::PingAddressWith(address, kind);
  lab_->Leave();
  QCOMPARE(result, text);
}

void TestPingIP::hostNames() {
  if (!BuildLab()) QSKIP(qPrintable(labProblem_));
  // Inside P a name look-up cannot reach any real name server.
  QVERIFY(lab_->Enter("P"));
  QString unknown = QStringLiteral("no-such-unit.invalid");
  const QString unknownText = zam::PingAddress(unknown);
  QString local = QStringLiteral("localhost");
  const bool hasLocalhost = !zam::ResolveHostName(local).isEmpty();
  const QString localText = hasLocalhost ? zam::PingAddress(local) : QString();
  lab_->Leave();

  QCOMPARE(unknownText, kBadFormat);
  QCOMPARE(unknown, QStringLiteral("no-such-unit.invalid"));  // kept for a later try
  if (!hasLocalhost) QSKIP("localhost does not resolve on this machine");
  QCOMPARE(localText, kSuccess);
  QCOMPARE(local, QStringLiteral("127.0.0.1"));
}

void TestPingIP::strayRepliesDoNotCount_data() {
  QTest::addColumn<IcmpSocketKind>("kind");
  QTest::newRow("datagram") << IcmpSocketKind::Datagram;
  QTest::newRow("raw") << IcmpSocketKind::Raw;
}

void TestPingIP::strayRepliesDoNotCount() {
  if (!BuildLab()) QSKIP(qPrintable(labProblem_));
  QFETCH(IcmpSocketKind, kind);
  QVERIFY(lab_->Enter("R"));
  Spoofer target("10.77.0.2"), other("10.77.0.5");
  QVERIFY(lab_->Enter("P"));
  QVERIFY(target.ok() && other.ok());
  target.Requests();

  // R never answers by itself: the first echo times out and stays unanswered.
  QString address = QStringLiteral("10.77.0.2");
  QCOMPARE(zam::PingAddressWith(address, kind), kTimedOut);

  // Late reply to that first echo, a reply with the wrong sequence and one from
  // another host: none of them answers the second echo.
  QTimer::singleShot(100, this, [&] {
    const auto seen = target.Requests();
    if (seen.size() < 2) return;
    const auto stale = seen.first(), current = seen.last();
    target.Reply("10.77.0.1", stale);
    target.Reply("10.77.0.1", {current.id, quint16(current.seq + 1)});
    other.Reply("10.77.0.1", current);
  });
  const QString strays = zam::PingAddressWith(address, kind);

  // The real reply does.
  QTimer::singleShot(100, this, [&] {
    const auto seen = target.Requests();
    if (!seen.isEmpty()) target.Reply("10.77.0.1", seen.last());
  });
  const QString answered = zam::PingAddressWith(address, kind);
  lab_->Leave();
  QCOMPARE(strays, kTimedOut);
  QCOMPARE(answered, kSuccess);
}

void TestPingIP::noIcmpSocketSaysSo() {
  if (!BuildLab()) QSKIP(qPrintable(labProblem_));
  const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
  if (setpriv.isEmpty()) QSKIP("needs setpriv (util-linux) to run as an unprivileged user");
  // R keeps the default ping_group_range ("1 0"): nobody may open a datagram
  // socket there, and without CAP_NET_RAW no raw one either.
  QString output;
  QVERIFY(lab_->Run("R", {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups",
                          "--inh-caps=-all", "--bounding-set=-all",
                          QCoreApplication::applicationFilePath(), "--ping", "127.0.0.1"},
                    &output));
  QCOMPARE(output.trimmed(), QString::fromLatin1(zam::kPingNoIcmpSocketText));
}

int main(int argc, char** argv) {
  // Child mode: one ping, its text on stdout.
  if (argc == 3 && qstrcmp(argv[1], "--ping") == 0) {
    QCoreApplication app(argc, argv);
    QString address = QString::fromLocal8Bit(argv[2]);
    printf("%s\n", qPrintable(zam::PingAddress(address)));
    return 0;
  }
  QCoreApplication app(argc, argv);
  TestPingIP test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_pingip.moc"
