// kaymorctl keys 127.0.0.1:PORT record against the unit simulator on
// loopback, start to exit, beside bench_floor_ctl (a bare QCoreApplication
// that connects, logs in and writes the same key frame), measured in turns
// in the same run. Prints the medians and their ratio; asserts nothing.
// bench_ctl [ROUNDS]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double RunMs(const QString& program, const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer t;
  t.start();
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return -1;
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
  const QString dir = QCoreApplication::applicationDirPath();

  QProcess sim;
  sim.start(dir + "/unitsim", {"--tcp", "127.0.0.1:0", "--no-udp"});
  QString announce;
  while (!announce.contains("ready") && sim.waitForReadyRead(10000)) announce += sim.readAllStandardOutput();
  const auto m = QRegularExpression(R"(tcp: [^\s]+:(\d+))").match(announce);
  if (!m.hasMatch()) {
    std::fprintf(stderr, "unitsim did not start: %s\n", qPrintable(announce));
    return 1;
  }
  const QString port = m.captured(1);

  std::vector<double> ctl, floor;
  for (int i = 0; i <= rounds; ++i) {
    const double f = RunMs(dir + "/bench_floor_ctl", {"127.0.0.1", port, "0x12"});
    const double k = RunMs(dir + "/kaymorctl", {"keys", "127.0.0.1:" + port, "record"});
    if (f < 0 || k < 0) {
      std::fprintf(stderr, "a run failed (floor %.1f, kaymorctl %.1f)\n", f, k);
      return 1;
    }
    if (i == 0) continue;  // the first pair warms the caches
    floor.push_back(f);
    ctl.push_back(k);
  }
  sim.terminate();
  sim.waitForFinished(3000);
  const double mc = Median(ctl), mf = Median(floor);
  std::printf("| figure | kaymorctl | floor | ratio |\n|---|---|---|---|\n");
  std::printf("| keys record, start to exit (median of %d) | %.1f ms | %.1f ms | %.2f |\n", rounds, mc, mf, mc / mf);
  return 0;
}
