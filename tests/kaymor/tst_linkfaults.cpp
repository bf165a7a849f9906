// The keyboard window against a unit whose link fails the way real links
// do: a reply that stops halfway, a connection reset, a garbage flood, and
// a serial adapter that is pulled while connected and plugged in again.
#include <QElapsedTimer>
#include <QFile>

#include <csignal>
#include <ctime>

#include "eventpump.h"
#include "kaymortest.h"
#include "settingsstore.h"

using namespace kaymortest;

namespace {

// Resident memory of this process in kB.
qint64 ResidentKb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
  return 0;
}

qint64 CpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Watches the event loop while a test waits: the longest pause between the
// ticks of a 50 ms timer. A window that stops handling events shows up here.
class LoopWatch {
 public:
  LoopWatch() {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      longest_ = qMax(longest_, clock_.restart());
    });
    clock_.start();
    timer_.start();
  }
  qint64 LongestPauseMs() const { return longest_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

void Signal(UnitSim& sim, int signal) {
  if (sim.process.processId() > 0) ::kill(static_cast<pid_t>(sim.process.processId()), signal);
}

bool LoggedEvent(const UnitSim& sim, const QString& name) {
  QFile f(sim.logPath);
  return f.open(QIODevice::ReadOnly) && f.readAll().contains(("\"event\":\"" + name + "\"").toUtf8());
}

}  // namespace

class TestLinkFaults : public QObject {
  Q_OBJECT
 private:
  bool LoadTcp(UnitSim& sim, Window& win, const QStringList& simArgs) {
    if (!sim.Start(simArgs)) return false;
    SeedTcpEntry(sim.tcpPort);
    return win.Load();
  }

 private slots:
  void initTestCase() { WriteLedPictures(); }
  void init() { ResetSettings(); }

  // Every wait ends on time and the link ends with its status text, whether
  // the unit stops mid-frame or resets the connection.
  void tcpReplyCutOrReset_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QString>("status");
    const QString notDetected = QStringLiteral("Status: Could not detect the unit - 127.0.0.1");
    const QString dropped = QStringLiteral("Status: Disconnected from 127.0.0.1 (Sim Unit)");
    QTest::newRow("half login reply") << QStringList{"--half-reply", "0x0500"} << false << notDetected;
    QTest::newRow("reset at login") << QStringList{"--reset-on", "0x0500"} << false << notDetected;
    QTest::newRow("half LED reply") << QStringList{"--half-reply", "0x0502"} << true << dropped;
    QTest::newRow("reset at LED poll") << QStringList{"--reset-on", "0x0502"} << true << dropped;
  }
  void tcpReplyCutOrReset() {
    QFETCH(QStringList, simArgs);
    QFETCH(bool, connects);
    QFETCH(QString, status);
    UnitSim sim;
    Window win;
    QVERIFY(LoadTcp(sim, win, simArgs));
    win.Click();
    QCOMPARE(win.w->IsConnected(), connects);
    // The LED poll notices the lost link and the supervision ends it.
    QTRY_COMPARE_WITH_TIMEOUT(win.Status(), status, 20000);
    QVERIFY(!win.w->IsConnected());
    QCOMPARE(win.w->cmdConnect->text(), QString("&Connect"));
    QVERIFY(win.w->cmdConnect->isEnabled());
  }

  // Ten seconds of garbage on the TCP link: the receive path keeps no more
  // than a frame's worth, the window keeps handling events, and afterwards
  // the link is either ended or answers keys as before.
  void garbageFlood() {
    UnitSim sim;
    Window win;
    QVERIFY(LoadTcp(sim, win, {"--garbage-flood", "10"}));
    const qint64 before = ResidentKb();
    qint64 peak = before;
    LoopWatch watch;
    win.Click();
    QElapsedTimer clock;
    clock.start();
    while (!LoggedEvent(sim, "flood end") && clock.elapsed() < 60000) {
      QTest::qWait(100);
      peak = qMax(peak, ResidentKb());
    }
    QVERIFY(LoggedEvent(sim, "flood end"));
    qInfo("flood: %lld kB more at the peak, longest pause %lld ms, status \"%s\"", peak - before,
          watch.LongestPauseMs(), qPrintable(win.Status()));
    QVERIFY2(watch.LongestPauseMs() < 3000, qPrintable(QString::number(watch.LongestPauseMs())));
    // Freed memory is held back under the address sanitizer, so the bound is
    // checked on ordinary builds only.
    if (!kSanitized) QVERIFY2(peak - before < 8 * 1024, qPrintable(QString("%1 kB").arg(peak - before)));
    // Dropped or still up, the window can be connected again afterwards.
    if (win.w->IsConnected()) win.Click();
    QVERIFY(!win.w->IsConnected());
    QCOMPARE(win.w->cmdConnect->text(), QString("&Connect"));
    win.Click();
    QVERIFY(win.w->IsConnected());
    QCOMPARE(win.Status(), QString("Status: Connected to 127.0.0.1 (Sim Unit)"));
  }

  // The serial adapter is pulled while connected: the link ends with its
  // text, nothing hangs or spins meanwhile, and once it is back the next
  // connect works.
  void serialDeviceVanishesAndComesBack() {
    UnitSim sim;
    Window win;
    const QString link = TempRoot() + "/ttyPULLED";
    QVERIFY(sim.Start({"--no-tcp", "--pty", "--pty-link", link}));
    zam::SaveSetting("Ports", "COM1", link);
    zam::SaveSetting("RS-232", "Port", "COM1");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    QVERIFY(win.Load());
    QCOMPARE(win.Click(), QString("Status: Connected to the unit (Sim Unit)"));
    win.w->tmrLEDStatus->stop();  // polls are run by hand

    LoopWatch watch;
    Signal(sim, SIGUSR1);
    QTRY_VERIFY(LoggedEvent(sim, "gone"));
    // The first poll's write fails on the dead device, which closes the port
    // instead of retrying the write without end; the next poll ends the link.
    qint64 cpu = CpuMs();
    QElapsedTimer wall;
    wall.start();
    win.w->UpdateLEDStatus();
    QTest::qWait(1000);
    cpu = CpuMs() - cpu;
    qInfo("pulled adapter: %lld ms CPU in %lld ms, longest pause %lld ms", cpu, wall.elapsed(),
          watch.LongestPauseMs());
    QVERIFY(!win.Link().MSComm1.IsOpen());
    QVERIFY2(cpu < wall.elapsed() / 2, qPrintable(QString("%1 ms CPU in %2 ms").arg(cpu).arg(wall.elapsed())));
    QVERIFY(win.w->IsConnected());
    win.w->UpdateLEDStatus();
    QCOMPARE(win.Status(), QString("Status: Disconnected from the unit (Sim Unit)"));
    QVERIFY2(watch.LongestPauseMs() < 3000, qPrintable(QString::number(watch.LongestPauseMs())));

    // Connecting while the device is away says so and leaves the port closed.
    win.Click();
    QVERIFY(!win.w->IsConnected());
    QVERIFY(!win.Link().MSComm1.IsOpen());

    Signal(sim, SIGUSR2);
    QTRY_VERIFY(LoggedEvent(sim, "back"));
    QCOMPARE(win.Click(), QString("Status: Connected to the unit (Sim Unit)"));
    QCOMPARE(win.Click(), QString("Status: Disconnected from the unit (Sim Unit)"));
  }
};

KAYMOR_TEST_MAIN(TestLinkFaults)
#include "tst_linkfaults.moc"
