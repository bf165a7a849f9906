// Measures the keyboard window from outside, on a private X server (Xvfb),
// beside floors measured in the same run on the same display:
//  - PC key R to the key frame at the unit, and a mouse click on Record to
//    the key frame: input injected through XTest, the arrival taken from the
//    unit simulator's log (t_us, CLOCK_MONOTONIC, the clock read here before
//    each injection). Floor: bench_floor_xlib, which writes the frame on the
//    X event itself.
//  - CPU of the program connected and idle with its window active, and while
//    its login waits for a unit that never answers it.
//  - Start to window shown (the top-level window mapped), beside
//    bench_floor_qt, a bare Qt Widgets window; and the program's peak RSS.
// Everything runs inside a network namespace of its own (unshare -rn), so
// the program and the simulator only ever see its loopback interface.
//   bench_perf [--presses N] [--idle SECONDS] [--starts N] [--bin DIR]
// --bin takes kaymor, unitsim and Images/ from another build's bin folder.
// A benchmark, not a test: nothing runs it but a person.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "panellayout.h"
#include "zamtcp.h"

// After Qt's headers: Xlib defines macros (Bool, Status) that Qt's use as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Peak resident memory of the program before this work, for "no worse".
constexpr double kRssBaselineMb = 38.0;

// Where kaymor, unitsim and Images/ are: beside this program, or --bin DIR.
QString gBin;

qint64 NowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void SleepMs(int ms) { QThread::usleep(static_cast<unsigned long>(ms) * 1000); }

bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int stepMs = 2) {
  const qint64 end = NowUs() + qint64(timeoutMs) * 1000;
  while (!done()) {
    if (NowUs() > end) return false;
    SleepMs(stepMs);
  }
  return true;
}

// CPU time of every thread of a process, in nanoseconds.
qint64 CpuNs(qint64 pid) {
  qint64 sum = 0;
  const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  for (const QString& t : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile f(tasks.filePath(t) + "/schedstat");
    if (f.open(QIODevice::ReadOnly)) sum += f.readAll().split(' ').value(0).toLongLong();
  }
  return sum;
}

double PeakRssMb(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  return 0;
}

struct Stats {
  double median = 0, p90 = 0, max = 0;
  int count = 0;
};
Stats Of(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.count = static_cast<int>(v.size());
  s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  s.p90 = v[std::min(v.size() - 1, static_cast<size_t>(0.9 * v.size()))];
  s.max = v.back();
  return s;
}

// New lines of the simulator's JSON log since the last look.
class SimLog {
 public:
  explicit SimLog(QString path) : path_(std::move(path)) {}
  std::vector<QJsonObject> Read() {
    std::vector<QJsonObject> out;
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) return out;
    f.seek(offset_);
    const QByteArray data = f.readAll();
    const qsizetype end = data.lastIndexOf('\n') + 1;
    offset_ += end;
    for (const QByteArray& line : data.left(end).split('\n'))
      if (!line.isEmpty()) out.push_back(QJsonDocument::fromJson(line).object());
    return out;
  }
  // t_us of the next received frame of this type, -1 when none came in time.
  qint64 WaitFrame(const QString& type, int timeoutMs) {
    qint64 at = -1;
    WaitUntil([&] {
      for (const QJsonObject& o : Read())
        if (at < 0 && o.value("dir").toString() == "rx" && o.value("type").toString() == type)
          at = static_cast<qint64>(o.value("t_us").toDouble());
      return at >= 0;
    }, timeoutMs);
    return at;
  }

 private:
  QString path_;
  qint64 offset_ = 0;
};

const QString kKeyType = QStringLiteral("0x04020000");
const QString kLedType = QStringLiteral("0x05020000");
const QString kLoginType = QStringLiteral("0x05000000");

struct Sim {
  QProcess process;
  quint16 port = 0;
  QString log;
  bool Start(const QString& dir, const QString& name, QStringList extra) {
    log = dir + "/" + name + ".log";
    const QString ready = dir + "/" + name + ".ready";
    process.setProgram(gBin + "/unitsim");
    process.setArguments(QStringList{"--tcp", "127.0.0.1:0", "--no-udp", "--type", "4", "--led", "0x13",
                                     "--log", log, "--ready-file", ready} + extra);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!WaitUntil([&] { return QFile::exists(ready); }, 10000, 20)) return false;
    QFile f(ready);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
      if (line.startsWith("tcp: ")) port = static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).toUInt());
    return port != 0;
  }
  ~Sim() {
    process.terminate();
    process.waitForFinished(3000);
  }
};

class Bench {
 public:
  Display* dpy = nullptr;
  QString display;
  QTemporaryDir temp;
  pid_t xvfb = -1;
  int presses = 40, idleSeconds = 20, starts = 5;

  ~Bench() {
    if (dpy) XCloseDisplay(dpy);
    if (xvfb > 0) {
      kill(xvfb, SIGTERM);
      waitpid(xvfb, nullptr, 0);
    }
  }

  bool StartX() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    xvfb = fork();
    if (xvfb == 0) {
      close(fds[0]);
      const QByteArray fd = QByteArray::number(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x800x24", "-dpi", "96",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    QByteArray number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.isEmpty()) return false;
    display = ":" + QString::fromLatin1(number);
    dpy = XOpenDisplay(display.toLatin1().constData());
    if (!dpy) return false;
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    return true;
  }

  // The next top-level window mapped, and when; 0 after timeoutMs.
  Window WaitMapped(int timeoutMs, qint64* at) {
    const qint64 end = NowUs() + qint64(timeoutMs) * 1000;
    for (;;) {
      while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == MapNotify && e.xmap.event == DefaultRootWindow(dpy) && !e.xmap.override_redirect) {
          if (at) *at = NowUs();
          return e.xmap.window;
        }
      }
      const qint64 left = (end - NowUs()) / 1000;
      if (left <= 0) return 0;
      pollfd p{ConnectionNumber(dpy), POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<qint64>(left, 100)));
    }
  }
  void Drain() {
    while (XPending(dpy)) {
      XEvent e;
      XNextEvent(dpy, &e);
    }
  }

  void Focus(Window w) {
    XRaiseWindow(dpy, w);
    XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
    XSync(dpy, False);
    SleepMs(300);
  }
  void Key(KeySym sym, bool down) {
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down, CurrentTime);
    XFlush(dpy);
  }
  void Button(bool down) {
    XTestFakeButtonEvent(dpy, 1, down, CurrentTime);
    XFlush(dpy);
  }
  void MoveTo(const QPoint& p) {
    XTestFakeMotionEvent(dpy, -1, p.x(), p.y(), CurrentTime);
    XSync(dpy, False);
  }

  void SetUpKaymor(QProcess& p, const QString& home, quint16 port) {
    QDir().mkpath(home + "/config/Vantrel");
    QFile ini(home + "/config/Vantrel/Vantrel.ini");
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write(QStringLiteral("[IPAddressList]\nCommType=1\nTotal=1\nIP0=\"127.0.0.1,ZAM4,SIM0001,qmpv,%1\"\n"
                             "LastUsed=\"127.0.0.1, ZAM4, SIM0001\"\nPassword=qmpv\n\n[Keyboard]\nLastUsed=4\n\n"
                             "[Options]\nDisOption=1\nVersion=bench\n")
                  .arg(port)
                  .toUtf8());
    ini.close();
    ini.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_RUNTIME_DIR", home);
    env.insert("TMPDIR", home);
    p.setProcessEnvironment(env);
    p.setProgram(gBin + "/kaymor");
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(home + "/kaymor.err");
  }
  void SetUpFloorQt(QProcess& p) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    p.setProcessEnvironment(env);
    p.setProgram(QCoreApplication::applicationDirPath() + "/bench_floor_qt");
  }
  // Starts the program and waits for its window to settle; the window, 0 when none came.
  Window StartKaymor(QProcess& p, const QString& home, quint16 port) {
    SetUpKaymor(p, home, port);
    Drain();
    p.start();
    const Window w = WaitMapped(20000, nullptr);
    SleepMs(1000);
    return w;
  }
  static void End(QProcess& p) {
    p.terminate();
    if (!p.waitForFinished(5000)) {
      p.kill();
      p.waitForFinished(3000);
    }
  }

  // Milliseconds from the start of the process to its window's map.
  double StartToShown(QProcess& p) {
    Drain();
    const qint64 t0 = NowUs();
    p.start();
    qint64 at = 0;
    const Window w = WaitMapped(20000, &at);
    SleepMs(300);
    End(p);
    return w ? (at - t0) / 1000.0 : -1;
  }

  // The top left corner of the type 4 panel on the screen: the band of its
  // picture above the keys, looked for below the window's top.
  QPoint FindPanel(Window w) {
    int wx = 0, wy = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &wx, &wy, &child);
    const QImage picture(gBin + "/" + zam::layout::kPanelPictures[1]);
    XWindowAttributes ra;
    XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &ra);
    XImage* shot = XGetImage(dpy, DefaultRootWindow(dpy), 0, 0, ra.width, ra.height, AllPlanes, ZPixmap);
    if (picture.isNull() || !shot) return {};
    const QImage band = picture.copy(0, 0, picture.width(), 16).convertToFormat(QImage::Format_RGB32);
    const int x = wx + zam::layout::Px(zam::layout::kPanelLeft);
    double best = 1e9;
    int bestY = -1;
    for (int y = wy; y < wy + 300 && y + band.height() <= ra.height; ++y) {
      qint64 sum = 0;
      for (int r = 0; r < band.height(); ++r) {
        const QRgb* a = reinterpret_cast<const QRgb*>(band.constScanLine(r));
        for (int c = 0; c < band.width() && x + c < ra.width; ++c) {
          const unsigned long b = XGetPixel(shot, x + c, y + r);
          sum += qAbs(qRed(a[c]) - int((b >> 16) & 0xFF)) + qAbs(qGreen(a[c]) - int((b >> 8) & 0xFF)) +
                 qAbs(qBlue(a[c]) - int(b & 0xFF));
        }
      }
      const double mean = double(sum) / (band.width() * band.height() * 3);
      if (mean < best) {
        best = mean;
        bestY = y;
      }
    }
    XDestroyImage(shot);
    return best < 4 ? QPoint(x, bestY) : QPoint();
  }

  // Injects key presses (R) and clicks at point; milliseconds to each frame.
  void Measure(SimLog& log, const QPoint& point, std::vector<double>* keys, std::vector<double>* clicks) {
    auto& rng = *QRandomGenerator::global();
    log.Read();
    for (int i = 0; i < presses; ++i) {
      SleepMs(250 + rng.bounded(20));  // past the 10 ms phase of any poll
      const qint64 t0 = NowUs();
      Key(XK_r, true);
      const qint64 at = log.WaitFrame(kKeyType, 2000);
      SleepMs(40);
      Key(XK_r, false);
      if (at > 0) keys->push_back((at - t0) / 1000.0);
      SleepMs(200);
      log.Read();
    }
    MoveTo(point);
    for (int i = 0; i < presses; ++i) {
      SleepMs(250 + rng.bounded(20));
      const qint64 t0 = NowUs();
      Button(true);
      const qint64 at = log.WaitFrame(kKeyType, 2000);
      SleepMs(40);
      Button(false);
      if (at > 0) clicks->push_back((at - t0) / 1000.0);
      SleepMs(200);
      log.Read();
    }
  }

  void Connect(Window w) {
    Focus(w);
    Key(XK_Alt_L, true);
    Key(XK_c, true);
    Key(XK_c, false);
    Key(XK_Alt_L, false);
  }
};

void Row(const char* figure, const QString& kaymor, const QString& floor, const char* target, bool met) {
  std::printf("| %s | %s | %s | %s | %s |\n", figure, qPrintable(kaymor), qPrintable(floor), target,
              met ? "yes" : "no");
}

}  // namespace

int main(int argc, char* argv[]) {
  // A network namespace of its own, with only loopback up.
  if (argc < 2 || std::strcmp(argv[1], "--in-netns") != 0) {
    std::vector<char*> args{const_cast<char*>("unshare"), const_cast<char*>("-rn"), const_cast<char*>("--"),
                            argv[0], const_cast<char*>("--in-netns")};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("unshare", args.data());
    std::perror("unshare");
    return 1;
  }
  if (std::system("ip link set lo up") != 0) return 1;

  QCoreApplication app(argc, argv);
  Bench b;
  const QStringList args = app.arguments();
  auto option = [&](const char* name, int& value) {
    const qsizetype i = args.indexOf(QLatin1String(name));
    if (i > 0 && i + 1 < args.size() && args[i + 1].toInt() > 0) value = args[i + 1].toInt();
  };
  option("--presses", b.presses);
  option("--idle", b.idleSeconds);
  option("--starts", b.starts);
  const qsizetype binAt = args.indexOf(QLatin1String("--bin"));
  gBin = binAt > 0 && binAt + 1 < args.size() ? QDir(args[binAt + 1]).absolutePath()
                                              : QCoreApplication::applicationDirPath();
  if (!b.StartX()) {
    std::fprintf(stderr, "Xvfb did not start (apt-get install xvfb)\n");
    return 1;
  }
  const QString dir = b.temp.path();

  // Start to window shown: a warm-up of each, then turns.
  std::vector<double> kaymorStarts, floorStarts;
  Sim startSim;
  if (!startSim.Start(dir, "start", {})) return 1;
  for (int i = 0; i <= b.starts; ++i) {
    QProcess floorQt, kaymor;
    b.SetUpFloorQt(floorQt);
    b.SetUpKaymor(kaymor, dir + "/start", startSim.port);
    const double f = b.StartToShown(floorQt), k = b.StartToShown(kaymor);
    if (i > 0 && f > 0) floorStarts.push_back(f);
    if (i > 0 && k > 0) kaymorStarts.push_back(k);
  }
  std::fprintf(stderr, "start-up measured\n");

  // The program connected: idle CPU, then keys and clicks, then peak RSS.
  Sim sim;
  if (!sim.Start(dir, "unit", {})) return 1;
  SimLog log(sim.log);
  QProcess kaymor;
  const Window window = b.StartKaymor(kaymor, dir + "/run", sim.port);
  if (!window) {
    std::fprintf(stderr, "no window\n");
    return 1;
  }
  const QPoint panel = b.FindPanel(window);
  b.Connect(window);
  if (log.WaitFrame(kLedType, 10000) < 0) {
    std::fprintf(stderr, "not connected\n");
    return 1;
  }
  SleepMs(1500);
  const qint64 idle0 = CpuNs(kaymor.processId());
  SleepMs(b.idleSeconds * 1000);
  const double idleCpu = 100.0 * (CpuNs(kaymor.processId()) - idle0) / (b.idleSeconds * 1e9);
  std::fprintf(stderr, "idle measured\n");

  const zam::layout::KeyPicture* rec = zam::layout::FindKey("imgRec(1)");
  const QPoint recPoint = panel + QPoint(zam::layout::Px(rec->left + (rec->hit.x1 + rec->hit.x2) / 2),
                                         zam::layout::Px(rec->top + (rec->hit.y1 + rec->hit.y2) / 2));
  if (panel.isNull()) std::fprintf(stderr, "keyboard panel not found on the screen\n");
  std::vector<double> keys, clicks;
  b.Measure(log, recPoint, &keys, &clicks);
  const double rss = PeakRssMb(kaymor.processId());
  Bench::End(kaymor);
  std::fprintf(stderr, "keys and clicks measured\n");

  // The floor client, on the same unit.
  std::vector<double> floorKeys, floorClicks;
  {
    QProcess floor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", b.display);
    floor.setProcessEnvironment(env);
    floor.start(QCoreApplication::applicationDirPath() + "/bench_floor_xlib",
                {QString::number(sim.port), zam::BuildConnectionRequest(0, "qmpv").toHex(' '),
                 zam::BuildSpiKeyFrame(0x12).toHex(' ')});
    b.Drain();
    const Window w = b.WaitMapped(10000, nullptr);
    if (!w) {
      std::fprintf(stderr, "floor client did not start\n");
      return 1;
    }
    b.Focus(w);
    b.Measure(log, QPoint(150, 100), &floorKeys, &floorClicks);
    Bench::End(floor);
  }

  // A login that waits for a unit that never answers it.
  double silentCpu = -1;
  {
    Sim silent;
    if (!silent.Start(dir, "silent", {"--silent-to", kLoginType})) return 1;
    SimLog silentLog(silent.log);
    QProcess k;
    const Window w = b.StartKaymor(k, dir + "/silent", silent.port);
    if (w) b.Connect(w);
    if (w && silentLog.WaitFrame(kLoginType, 10000) >= 0) {
      const qint64 c0 = CpuNs(k.processId());
      SleepMs(4000);
      silentCpu = 100.0 * (CpuNs(k.processId()) - c0) / 4e9;
    }
    Bench::End(k);
  }

  const Stats key = Of(keys), fkey = Of(floorKeys), click = Of(clicks), fclick = Of(floorClicks);
  const Stats start = Of(kaymorStarts), fstart = Of(floorStarts);
  auto ms = [](double v) { return QString::number(v, 'f', 2); };
  std::printf("| Figure | Kaymor | Floor in the same run | Target | Met |\n|---|---|---|---|---|\n");
  Row("PC key (R) to key frame, median",
      QStringLiteral("%1 ms (p90 %2, max %3, n=%4)").arg(ms(key.median), ms(key.p90), ms(key.max)).arg(key.count),
      QStringLiteral("%1 ms (p90 %2)").arg(ms(fkey.median), ms(fkey.p90)), "within 2x the floor",
      key.count > 0 && key.median <= 2 * fkey.median);
  Row("Click on Record to key frame, median",
      QStringLiteral("%1 ms (p90 %2, max %3, n=%4)").arg(ms(click.median), ms(click.p90), ms(click.max)).arg(click.count),
      QStringLiteral("%1 ms (p90 %2)").arg(ms(fclick.median), ms(fclick.p90)),
      "within 1.5x the floor, p90 within 2x the floor's p90",
      click.count > 0 && click.median <= 1.5 * fclick.median && click.p90 <= 2 * fclick.p90);
  Row("CPU connected, idle, window active", QStringLiteral("%1 % of one core").arg(idleCpu, 0, 'f', 3), "0",
      "0.15 % or less", idleCpu <= 0.15);
  Row("CPU while a login waits for a silent unit", QStringLiteral("%1 %").arg(silentCpu, 0, 'f', 3), "0",
      "0.3 % or less", silentCpu >= 0 && silentCpu <= 0.3);
  Row("Start to window shown, median", QStringLiteral("%1 ms").arg(ms(start.median)),
      QStringLiteral("%1 ms (bare Qt window)").arg(ms(fstart.median)), "within 1.3x the bare Qt window",
      start.count > 0 && start.median <= 1.3 * fstart.median);
  Row("Peak resident memory", QStringLiteral("%1 MB").arg(rss, 0, 'f', 1), "",
      qPrintable(QStringLiteral("no worse than %1 MB").arg(kRssBaselineMb)), rss > 0 && rss <= kRssBaselineMb);
  return 0;
}
