// Measures the keyboard window from outside, on a private X server (Xvfb),
// beside floors measured in the same run on the same display:
//  - PC key R to the key frame at the unit, and a mouse click on Record to
//    the key frame: input injected through XTest, the arrival taken from the
//    unit's log (t_us, CLOCK_MONOTONIC, the clock read here before each
//    injection). Two units: unitsim, and pyunit.py, a bare Python server
//    written apart from it. Floor: bench_floor_xlib, which writes the frame
//    on the X event itself, on the same unit.
//  - CPU of the program connected and idle with its window active, and while
//    its login waits for a unit that never answers it; and, counted with
//    strace over all threads, the system calls and the wake-ups (waits that
//    were not zero-time polls) a second, connected and disconnected.
//  - Start to window shown (the top-level window mapped), beside
//    bench_floor_panel (a main window of the same kind: menu bar, a row of
//    text controls, one JPEG picture, status bar) and bench_floor_qt (a bare
//    Qt Widgets window); and the program's peak RSS beside the floors';
//    with kaymorctl in the build, the peak RSS of "kaymorctl keys" beside
//    bench_floor_core (a bare QCoreApplication).
// Everything runs inside a network namespace of its own (unshare -rn), so
// the program and the units only ever see its loopback interface.
//   bench_perf [--presses N] [--idle SECONDS] [--count SECONDS] [--starts N]
//              [--unit both|sim|python] [--trace-key] [--keep] [--bin DIR]
// --bin takes kaymor, unitsim and Images/ from another build's bin folder;
// --trace-key prints the program's system calls, time-stamped, from one key
// press to the write of its frame; --keep keeps the logs and traces.
// A benchmark, not a test: nothing runs it but a person.
#include <poll.h>
#include <sys/resource.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
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

// Bounds of the figures that have no floor.
constexpr double kRssBoundMb = 38.0;
struct CountBound {
  double wakeups, syscalls;
};
constexpr CountBound kConnectedBound{2.2, 12}, kDisconnectedBound{1.2, 6};

// Where kaymor, unitsim and Images/ are: beside this program, or --bin DIR.
QString gBin;

qint64 NowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// strace stamps its lines with the real-time clock.
double RealSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return double(ts.tv_sec) + ts.tv_nsec / 1e9;
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

// One line of strace -f -ttt output: thread, time, and the call's text.
struct TraceLine {
  qint64 tid = 0;
  double at = 0;
  QByteArray call;  // "poll([...], 2, 0) = 0 (Timeout)", "<... poll resumed>...", ...
  QByteArray Name() const { return call.left(call.indexOf('(')); }
  bool Resumed() const { return call.startsWith("<..."); }
  bool Signal() const { return call.startsWith("---") || call.startsWith("+++"); }
};

std::vector<TraceLine> ReadTrace(const QString& path) {
  std::vector<TraceLine> lines;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return lines;
  for (const QByteArray& raw : f.readAll().split('\n')) {
    // "TID  SECONDS CALL": the thread number is padded with blanks.
    const QByteArray line = raw.trimmed();
    const qsizetype tidEnd = line.indexOf(' ');
    if (tidEnd < 0) continue;
    qsizetype atStart = tidEnd;
    while (atStart < line.size() && line[atStart] == ' ') ++atStart;
    const qsizetype atEnd = line.indexOf(' ', atStart);
    if (atEnd < 0) continue;
    TraceLine l;
    l.tid = line.left(tidEnd).toLongLong();
    l.at = line.mid(atStart, atEnd - atStart).toDouble();
    l.call = line.mid(atEnd + 1);
    lines.push_back(l);
  }
  return lines;
}

// A wait for an event or for time; zero-time polls do not wait.
bool Waits(const TraceLine& l) {
  const QByteArray name = l.Name();
  const QByteArray& c = l.call;
  if (name == "poll") {
    // "poll([{fd=3, events=POLLIN}], 1, 0) = 0 (Timeout)": the last argument.
    QByteArray head = c;
    for (const char* cut : {" <unfinished", " = "})
      if (const qsizetype i = head.indexOf(cut); i >= 0) head = head.left(i);
    if (head.endsWith(')')) head.chop(1);
    return head.mid(head.lastIndexOf(',') + 1).trimmed() != "0";
  }
  if (name == "ppoll" || name == "pselect6") return !c.contains("{tv_sec=0, tv_nsec=0}");
  if (name == "epoll_wait" || name == "epoll_pwait") return !c.contains(", 0)") && !c.contains(", 0 <");
  if (name == "futex") return c.contains("FUTEX_WAIT");
  return name == "nanosleep" || name == "clock_nanosleep" || name == "select";
}

struct Counts {
  double wakeups = -1, syscalls = -1;
  QString busiest;  // the most frequent calls, "name count" a second
};

// System calls and wake-ups a second of every thread of pid over seconds,
// traced with strace (attached to all its threads, then detached).
Counts CountCalls(qint64 pid, int seconds, const QString& file) {
  QProcess strace;
  strace.setStandardOutputFile(QProcess::nullDevice());
  strace.setStandardErrorFile(QProcess::nullDevice());
  strace.start(QStringLiteral("strace"), {"-f", "-qq", "-ttt", "-o", file, "-p", QString::number(pid)});
  if (!strace.waitForStarted(5000)) {
    std::fprintf(stderr, "strace did not start (apt-get install strace)\n");
    return {};
  }
  SleepMs(2000);  // attached to every thread by then
  const double t0 = RealSeconds();
  SleepMs(seconds * 1000);
  const double t1 = RealSeconds();
  kill(pid_t(strace.processId()), SIGINT);
  strace.waitForFinished(10000);
  Counts counts;
  int calls = 0, waits = 0;
  QMap<QByteArray, int> byName;
  for (const TraceLine& l : ReadTrace(file)) {
    if (l.at < t0 || l.at > t1 || l.Resumed() || l.Signal()) continue;
    ++calls;
    ++byName[l.Name()];
    if (Waits(l)) ++waits;
  }
  counts.syscalls = calls / (t1 - t0);
  counts.wakeups = waits / (t1 - t0);
  std::vector<std::pair<int, QByteArray>> ranked;
  for (auto it = byName.cbegin(); it != byName.cend(); ++it) ranked.emplace_back(it.value(), it.key());
  std::sort(ranked.rbegin(), ranked.rend());
  for (size_t i = 0; i < ranked.size() && i < 6; ++i)
    counts.busiest += QStringLiteral("%1%2 %3").arg(i ? ", " : "", QString::fromLatin1(ranked[i].second))
                          .arg(ranked[i].first / (t1 - t0), 0, 'f', 1);
  return counts;
}

// Peak RSS of a program run to its end (wait4's ru_maxrss), -1 when it
// could not run. Its output goes nowhere.
double PeakRssOfRun(const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
  std::vector<QByteArray> words{QFile::encodeName(program)};
  for (const QString& a : arguments) words.push_back(a.toLocal8Bit());
  std::vector<QByteArray> vars;
  for (const QString& v : env.toStringList()) vars.push_back(v.toLocal8Bit());
  std::vector<char*> argv, envp;
  for (QByteArray& w : words) argv.push_back(w.data());
  for (QByteArray& v : vars) envp.push_back(v.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 127)
    return -1;
  return usage.ru_maxrss / 1024.0;
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

// A unit on loopback TCP with a JSON log of the frames it received:
// unitsim, or pyunit.py (answers login, status and LED requests only).
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
    return Launch(ready);
  }
  bool StartPython(const QString& dir, const QString& name) {
    log = dir + "/" + name + ".log";
    const QString ready = dir + "/" + name + ".ready";
    zam::StatusFields status;
    status.name = "SIM0001";
    status.unitType = 4;
    auto reply = [](qint32 type, const QByteArray& frame) {
      return QStringLiteral("%1=%2").arg(type, 8, 16, QLatin1Char('0')).arg(QString::fromLatin1(frame.toHex()));
    };
    process.setProgram(QStringLiteral("python3"));
    process.setArguments({QCoreApplication::applicationDirPath() + "/pyunit.py", "--ready", ready, "--log", log,
                          "--reply", reply(zam::ZAM_CONNECTION_REQUEST, zam::BuildLoginReply(1, 0x80)),
                          "--reply", reply(zam::ZAM_STATUS_REQUEST, zam::BuildStatusReply(status)),
                          "--reply", reply(zam::ZAM_LED_STATUS_REQUEST, zam::BuildLedReply(0x13))});
    return Launch(ready);
  }
  ~Sim() {
    process.terminate();
    process.waitForFinished(3000);
  }

 private:
  bool Launch(const QString& ready) {
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!WaitUntil([&] { return QFile::exists(ready) && QFileInfo(ready).size() > 0; }, 10000, 20)) return false;
    QFile f(ready);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
      if (line.startsWith("tcp: ")) port = static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).toUInt());
    return port != 0;
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
  void SetUpFloor(QProcess& p, const char* name, const QStringList& args = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    p.setProcessEnvironment(env);
    p.setProgram(QCoreApplication::applicationDirPath() + "/" + name);
    p.setArguments(args);
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
  // The peak RSS goes to *rss when asked.
  double StartToShown(QProcess& p, double* rss = nullptr) {
    Drain();
    const qint64 t0 = NowUs();
    p.start();
    qint64 at = 0;
    const Window w = WaitMapped(20000, &at);
    SleepMs(300);
    if (rss) *rss = PeakRssMb(p.processId());
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

  // Key presses under strace -f -ttt -T: for each, when a thread other than
  // the main one first ran after the injection (Qt's X event reader), when
  // the main thread ran after it (the hop), and when the frame was written.
  // The calls of the first press are printed; the medians of all go to *hop.
  void TraceKeys(qint64 pid, SimLog& log, const QString& file, int count, std::vector<double> hop[3]) {
    QProcess strace;
    strace.setStandardOutputFile(QProcess::nullDevice());
    strace.setStandardErrorFile(QProcess::nullDevice());
    strace.start(QStringLiteral("strace"), {"-f", "-qq", "-ttt", "-T", "-s", "16", "-o", file, "-p", QString::number(pid)});
    if (!strace.waitForStarted(5000)) return;
    SleepMs(2000);
    std::vector<double> injected;
    log.Read();
    for (int i = 0; i < count; ++i) {
      SleepMs(300);
      injected.push_back(RealSeconds());
      Key(XK_r, true);
      log.WaitFrame(kKeyType, 3000);
      SleepMs(40);
      Key(XK_r, false);
      SleepMs(200);
      log.Read();
    }
    SleepMs(300);
    kill(pid_t(strace.processId()), SIGINT);
    strace.waitForFinished(10000);
    const std::vector<TraceLine> lines = ReadTrace(file);
    for (size_t k = 0; k < injected.size(); ++k) {
      const double t0 = injected[k];
      double reader = -1, main = -1, frame = -1;
      for (const TraceLine& l : lines) {
        if (l.at < t0) continue;
        if (reader < 0 && l.tid != pid) reader = l.at;
        if (reader >= 0 && main < 0 && l.tid == pid && l.at >= reader) main = l.at;
        if (l.tid == pid && l.call.contains("\\377\\377\\4\\2")) {
          frame = l.at;
          break;
        }
      }
      if (k == 0) {
        std::printf("\nOne PC key press traced (strace -f -ttt -T; ms from the injection; tid %lld is the main thread):\n\n```\n",
                    static_cast<long long>(pid));
        for (const TraceLine& l : lines)
          if (l.at >= t0 && (frame < 0 || l.at <= frame))
            std::printf("%+8.3f %lld %s\n", (l.at - t0) * 1000, static_cast<long long>(l.tid), l.call.constData());
        std::printf("```\n");
      }
      if (reader >= 0 && main >= 0 && frame >= 0) {
        hop[0].push_back((reader - t0) * 1000);
        hop[1].push_back((main - reader) * 1000);
        hop[2].push_back((frame - main) * 1000);
      }
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

void Row(const char* figure, const QString& kaymor, const QString& floor, const QString& target, bool met) {
  std::printf("| %s | %s | %s | %s | %s |\n", figure, qPrintable(kaymor), qPrintable(floor), qPrintable(target),
              met ? "yes" : "no");
}

// Key and click figures with one unit.
struct KeyRun {
  const char* unit = "";
  bool ran = false;
  std::vector<double> keys, clicks, floorKeys, floorClicks;
};

// The key frames of the program connected to a unit: the window, the
// panel's Record key and the connect; 0 when no LED request came.
Window ConnectedKaymor(Bench& b, QProcess& kaymor, const QString& home, Sim& unit, SimLog& log, QPoint* rec) {
  const Window window = b.StartKaymor(kaymor, home, unit.port);
  if (!window) return 0;
  const QPoint panel = b.FindPanel(window);
  if (panel.isNull()) std::fprintf(stderr, "keyboard panel not found on the screen\n");
  const zam::layout::KeyPicture* key = zam::layout::FindKey("imgRec(1)");
  *rec = panel + QPoint(zam::layout::Px(key->left + (key->hit.x1 + key->hit.x2) / 2),
                        zam::layout::Px(key->top + (key->hit.y1 + key->hit.y2) / 2));
  b.Connect(window);
  return log.WaitFrame(kLedType, 10000) < 0 ? 0 : window;
}

// The floor client on the same unit.
bool MeasureFloor(Bench& b, Sim& unit, SimLog& log, KeyRun& run) {
  QProcess floor;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", b.display);
  floor.setProcessEnvironment(env);
  floor.start(QCoreApplication::applicationDirPath() + "/bench_floor_xlib",
              {QString::number(unit.port), zam::BuildConnectionRequest(0, "qmpv").toHex(' '),
               zam::BuildSpiKeyFrame(0x12).toHex(' ')});
  b.Drain();
  const Window w = b.WaitMapped(10000, nullptr);
  if (!w) return false;
  b.Focus(w);
  b.Measure(log, QPoint(150, 100), &run.floorKeys, &run.floorClicks);
  Bench::End(floor);
  return true;
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
  int countSeconds = 10;
  option("--presses", b.presses);
  option("--idle", b.idleSeconds);
  option("--count", countSeconds);
  option("--starts", b.starts);
  const qsizetype binAt = args.indexOf(QLatin1String("--bin"));
  gBin = binAt > 0 && binAt + 1 < args.size() ? QDir(args[binAt + 1]).absolutePath()
                                              : QCoreApplication::applicationDirPath();
  const qsizetype unitAt = args.indexOf(QLatin1String("--unit"));
  const QString units = unitAt > 0 && unitAt + 1 < args.size() ? args[unitAt + 1] : QStringLiteral("both");
  const bool withSim = units != QLatin1String("python"), withPython = units != QLatin1String("sim");
  const bool traceKey = args.contains(QLatin1String("--trace-key"));
  if (args.contains(QLatin1String("--keep"))) {
    b.temp.setAutoRemove(false);
    std::fprintf(stderr, "logs and traces kept in %s\n", qPrintable(b.temp.path()));
  }
  if (!b.StartX()) {
    std::fprintf(stderr, "Xvfb did not start (apt-get install xvfb)\n");
    return 1;
  }
  const QString dir = b.temp.path();

  // Start to window shown: a warm-up of each, then turns.
  std::vector<double> kaymorStarts, panelStarts, bareStarts;
  double panelRss = 0, bareRss = 0;
  {
    Sim startSim;
    if (!startSim.Start(dir, "start", {})) return 1;
    const QStringList picture{gBin + "/" + zam::layout::kPanelPictures[1]};
    for (int i = 0; i <= b.starts; ++i) {
      QProcess bare, panel, kaymor;
      b.SetUpFloor(bare, "bench_floor_qt");
      b.SetUpFloor(panel, "bench_floor_panel", picture);
      b.SetUpKaymor(kaymor, dir + "/start", startSim.port);
      const double f = b.StartToShown(bare, &bareRss), p = b.StartToShown(panel, &panelRss),
                   k = b.StartToShown(kaymor);
      if (i > 0 && f > 0) bareStarts.push_back(f);
      if (i > 0 && p > 0) panelStarts.push_back(p);
      if (i > 0 && k > 0) kaymorStarts.push_back(k);
    }
  }
  std::fprintf(stderr, "start-up measured\n");

  // The program with unitsim: counts disconnected, then connected: counts,
  // idle CPU, keys and clicks, peak RSS.
  Counts disconnected, connected;
  double idleCpu = -1, rss = 0;
  std::vector<double> hop[3];
  KeyRun runs[2];
  runs[0].unit = "unitsim";
  runs[1].unit = "pyunit.py";
  Sim sim;
  if (!sim.Start(dir, "unit", {})) return 1;
  SimLog log(sim.log);
  {
    QProcess kaymor;
    b.SetUpKaymor(kaymor, dir + "/run", sim.port);
    b.Drain();
    kaymor.start();
    const Window w = b.WaitMapped(20000, nullptr);
    if (!w) {
      std::fprintf(stderr, "no window\n");
      return 1;
    }
    SleepMs(1000);
    b.Focus(w);
    disconnected = CountCalls(kaymor.processId(), countSeconds, dir + "/disconnected.strace");
    Bench::End(kaymor);
  }
  std::fprintf(stderr, "disconnected counted\n");
  {
    QProcess kaymor;
    QPoint rec;
    if (!ConnectedKaymor(b, kaymor, dir + "/run", sim, log, &rec)) {
      std::fprintf(stderr, "not connected\n");
      return 1;
    }
    SleepMs(1500);
    const qint64 idle0 = CpuNs(kaymor.processId());
    SleepMs(b.idleSeconds * 1000);
    idleCpu = 100.0 * (CpuNs(kaymor.processId()) - idle0) / (b.idleSeconds * 1e9);
    std::fprintf(stderr, "idle measured\n");
    connected = CountCalls(kaymor.processId(), countSeconds, dir + "/connected.strace");
    std::fprintf(stderr, "connected counted\n");
    if (withSim) {
      b.Measure(log, rec, &runs[0].keys, &runs[0].clicks);
      runs[0].ran = true;
    }
    if (traceKey) b.TraceKeys(kaymor.processId(), log, dir + "/key.strace", 10, hop);
    rss = PeakRssMb(kaymor.processId());
    Bench::End(kaymor);
    if (withSim && !MeasureFloor(b, sim, log, runs[0])) std::fprintf(stderr, "floor client did not start\n");
  }
  std::fprintf(stderr, "keys and clicks measured (unitsim)\n");

  if (withPython) {
    Sim py;
    if (!py.StartPython(dir, "pyunit")) {
      std::fprintf(stderr, "pyunit.py did not start (python3)\n");
      return 1;
    }
    SimLog pyLog(py.log);
    QProcess kaymor;
    QPoint rec;
    if (ConnectedKaymor(b, kaymor, dir + "/python", py, pyLog, &rec)) {
      SleepMs(1000);
      b.Measure(pyLog, rec, &runs[1].keys, &runs[1].clicks);
      runs[1].ran = true;
    } else {
      std::fprintf(stderr, "not connected to pyunit.py\n");
    }
    Bench::End(kaymor);
    if (runs[1].ran && !MeasureFloor(b, py, pyLog, runs[1])) std::fprintf(stderr, "floor client did not start\n");
    std::fprintf(stderr, "keys and clicks measured (pyunit.py)\n");
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

  // The command-line program, when this build has one, beside a bare
  // QCoreApplication. (The unit-settings window, once it is a program of
  // its own, is measured the same way: its start and peak RSS.)
  double ctlRss = -1, coreRss = -1;
  if (QFile::exists(gBin + "/kaymorctl")) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir + "/run/config");
    ctlRss = PeakRssOfRun(gBin + "/kaymorctl", {"keys"}, env);
    coreRss = PeakRssOfRun(QCoreApplication::applicationDirPath() + "/bench_floor_core", {}, env);
  }

  auto ms = [](double v) { return QString::number(v, 'f', 2); };
  auto times = [&](const Stats& s) {
    return QStringLiteral("%1 ms (p90 %2, max %3, n=%4)").arg(ms(s.median), ms(s.p90), ms(s.max)).arg(s.count);
  };
  std::printf("| Figure | Kaymor | Floor in the same run | Target | Met |\n|---|---|---|---|---|\n");
  for (const KeyRun& run : runs) {
    if (!run.ran) continue;
    const Stats key = Of(run.keys), fkey = Of(run.floorKeys), click = Of(run.clicks), fclick = Of(run.floorClicks);
    const QString floorNote = QStringLiteral("%1 ms (p90 %2, bare Xlib client)");
    Row(qPrintable(QStringLiteral("PC key (R) to key frame, %1, median").arg(run.unit)), times(key),
        floorNote.arg(ms(fkey.median), ms(fkey.p90)), "within 1.5x the floor, p90 within 2x the floor's p90",
        key.count > 0 && fkey.count > 0 && key.median <= 1.5 * fkey.median && key.p90 <= 2 * fkey.p90);
    Row(qPrintable(QStringLiteral("Click on Record to key frame, %1, median").arg(run.unit)), times(click),
        floorNote.arg(ms(fclick.median), ms(fclick.p90)), "within 1.3x the floor, p90 within 2x the floor's p90",
        click.count > 0 && fclick.count > 0 && click.median <= 1.3 * fclick.median && click.p90 <= 2 * fclick.p90);
  }
  Row("CPU connected, idle, window active", QStringLiteral("%1 % of one core").arg(idleCpu, 0, 'f', 3), "0",
      "0.15 % or less", idleCpu >= 0 && idleCpu <= 0.15);
  auto countRow = [&](const char* figure, const Counts& c, const CountBound& bound) {
    Row(figure,
        QStringLiteral("%1 wake-ups/s, %2 system calls/s").arg(c.wakeups, 0, 'f', 1).arg(c.syscalls, 0, 'f', 1), "",
        QStringLiteral("at most %1 wake-ups/s and %2 system calls/s").arg(bound.wakeups).arg(bound.syscalls),
        c.syscalls >= 0 && c.wakeups <= bound.wakeups && c.syscalls <= bound.syscalls);
  };
  countRow("Idle work connected, window active, all threads", connected, kConnectedBound);
  countRow("Idle work disconnected, window active, all threads", disconnected, kDisconnectedBound);
  Row("CPU while a login waits for a silent unit", QStringLiteral("%1 %").arg(silentCpu, 0, 'f', 3), "0",
      "0.3 % or less", silentCpu >= 0 && silentCpu <= 0.3);
  const Stats start = Of(kaymorStarts), panelStart = Of(panelStarts), bareStart = Of(bareStarts);
  Row("Start to window shown, median", QStringLiteral("%1 ms").arg(ms(start.median)),
      QStringLiteral("%1 ms (floor panel); %2 ms (bare Qt window)").arg(ms(panelStart.median), ms(bareStart.median)),
      "within 1.2x the floor panel", start.count > 0 && start.median <= 1.2 * panelStart.median);
  Row("Peak resident memory", QStringLiteral("%1 MB").arg(rss, 0, 'f', 1),
      QStringLiteral("%1 MB (floor panel); %2 MB (bare Qt window)").arg(panelRss, 0, 'f', 1).arg(bareRss, 0, 'f', 1),
      QStringLiteral("%1 MB or less").arg(kRssBoundMb), rss > 0 && rss <= kRssBoundMb);
  if (ctlRss > 0)
    Row("Peak resident memory of kaymorctl keys", QStringLiteral("%1 MB").arg(ctlRss, 0, 'f', 1),
        QStringLiteral("%1 MB (bare QCoreApplication)").arg(coreRss, 0, 'f', 1), "within 1.5x the floor",
        coreRss > 0 && ctlRss <= 1.5 * coreRss);
  std::printf("\nBusiest system calls a second, connected: %s\n", qPrintable(connected.busiest));
  std::printf("Busiest system calls a second, disconnected: %s\n", qPrintable(disconnected.busiest));
  if (traceKey && !hop[0].empty())
    std::printf("Traced key presses (n=%zu, under strace), medians: X event read by the reader thread %.3f ms after "
                "the injection; main thread running %.3f ms after that (the hop); frame written %.3f ms after that\n",
                hop[0].size(), Of(hop[0]).median, Of(hop[1]).median, Of(hop[2]).median);
  return 0;
}
