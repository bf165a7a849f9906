// Starts the unit simulator on 127.0.0.1, connects the keyboard window to it
// over TCP (offscreen, settings in a temporary folder) and reports the CPU
// time the window's process used while connected and idle: the LED poll
// every second, with the window active. The PC keyboard poll runs only while
// a key needs it, so the count of keyboard polls shows it stays quiet.
//   bench_idle [seconds] [--no-key-poll]   (default 30; the option stops the
//   keyboard poll, to compare with what the rest of the window costs)
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "eventpump.h"
#include "frmZAMKeyboard.h"
#include "settingsstore.h"

namespace {

// utime + stime of this process in clock ticks, from /proc/self/stat.
long long CpuTicks() {
  QFile f(QStringLiteral("/proc/self/stat"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray line = f.readAll();
  // Fields after the command name, which ends with the last ')'.
  const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return -1;
  return fields[11].toLongLong() + fields[12].toLongLong();  // fields 14 and 15 of stat
}

int CountLedRequests(const QString& logPath) {
  QFile f(logPath);
  if (!f.open(QIODevice::ReadOnly)) return 0;
  return static_cast<int>(f.readAll().count("\"hex\":\"ff ff 05 02 00 00 00 00\""));
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir temp;
  for (const char* sub : {"config", "run"}) QDir().mkpath(temp.path() + '/' + sub);
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.path() + "/config"));
  qputenv("TMPDIR", QFile::encodeName(temp.path() + "/run"));
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  const bool keyPoll = !args.contains(QStringLiteral("--no-key-poll"));
  const int seconds = args.size() > 1 && args[1].toInt() > 0 ? args[1].toInt() : 30;

  const QString simLog = temp.path() + "/unitsim.log";
  QProcess sim;
  sim.setProgram(QStringLiteral(UNITSIM_PATH));
  sim.setArguments({"--tcp", "127.0.0.1:0", "--no-udp", "--led", "0x05", "--log", simLog});
  sim.start();
  QString out;
  if (!zam::PumpUntil([&] { return (out += sim.readAllStandardOutput()).contains("ready\n"); }, 10000)) {
    std::fprintf(stderr, "unitsim did not start\n");
    return 1;
  }
  const QString port = out.section("tcp: 127.0.0.1:", 1).section('\n', 0, 0);

  zam::SaveSetting("IPAddressList", "CommType", "1");
  zam::SaveSetting("IPAddressList", "Total", "1");
  zam::SaveSetting("IPAddressList", "IP0", "127.0.0.1,ZAM4,SIM0000001,qmpv," + port);
  zam::SaveSetting("Options", "DisOption", "1");

  zam::frmZAMKeyboard window;
  if (!window.Form_Load(app.arguments().mid(0, 1))) return 1;
  window.show();
  window.cmdConnect_Click();
  if (!window.IsConnected()) {
    std::fprintf(stderr, "not connected: %s\n", qPrintable(window.lblStatus->text()));
    return 1;
  }
  window.activateWindow();
  zam::PumpUntil([&] { return window.isActiveWindow(); }, 2000);
  zam::PumpFor(1500);  // the first LED poll has run
  if (!keyPoll) window.tmrKeyHook->stop();
  int keyPolls = 0;
  QObject::connect(window.tmrKeyHook, &QTimer::timeout, [&] { ++keyPolls; });

  const long long ticksPerSecond = sysconf(_SC_CLK_TCK);
  const int ledsBefore = CountLedRequests(simLog);
  const long long before = CpuTicks();
  QEventLoop idle;
  QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
  idle.exec();
  const long long used = CpuTicks() - before;
  const int polls = CountLedRequests(simLog) - ledsBefore;

  const double cpuSeconds = static_cast<double>(used) / ticksPerSecond;
  std::printf("connected and idle for %d s: %d LED polls, %d keyboard polls (window %s), CPU %.2f s = %.2f %% of one core\n",
              seconds, polls, keyPolls, window.isActiveWindow() ? "active" : "inactive", cpuSeconds,
              100.0 * cpuSeconds / seconds);
  std::printf("status: %s\n", qPrintable(window.lblStatus->text()));
  window.cmdConnect_Click();
  sim.terminate();
  sim.waitForFinished(3000);
  return window.IsConnected() ? 1 : 0;
}
