#include "x11fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "eventpump.h"

extern char** environ;

namespace x11test {

namespace {

// Starts a program with its standard error thrown away; -1 when it cannot.
pid_t Spawn(const QByteArray& program, const std::vector<const char*>& args, int closeFd = -1) {
  std::vector<char*> argv{const_cast<char*>(program.constData())};
  for (const char* a : args) argv.push_back(const_cast<char*>(a));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (closeFd >= 0) posix_spawn_file_actions_addclose(&actions, closeFd);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

void End(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace

XServer::~XServer() { End(pid_); }

bool XServer::Start(const char* size) {
  const QString xvfb = QStandardPaths::findExecutable("Xvfb");
  if (xvfb.isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty()) return false;
  int fds[2];
  if (::pipe(fds) != 0) return false;
  const QByteArray fd = QByteArray::number(fds[1]);
  pid_ = Spawn(QFile::encodeName(xvfb),
               {"-displayfd", fd.constData(), "-screen", "0", size, "-dpi", "96", "-nolisten", "tcp"}, fds[0]);
  ::close(fds[1]);
  if (pid_ < 0) {
    ::close(fds[0]);
    return false;
  }
  QByteArray number;
  pollfd p{fds[0], POLLIN, 0};
  char c = 0;
  while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.isEmpty()) return false;
  display = ':' + QString::fromLatin1(number);
  return true;
}

WestonServer::~WestonServer() { End(pid_); }

bool WestonServer::Start() {
  const QString weston = QStandardPaths::findExecutable("weston");
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (weston.isEmpty()) {
    failure = "weston is not installed (apt-get install weston)";
    return false;
  }
  socket = QStringLiteral("kaymor-test-%1").arg(::getpid());
  log = runtime + "/weston.log";
  const QByteArray socketArg = "--socket=" + socket.toLocal8Bit();
  const QByteArray logArg = "--log=" + QFile::encodeName(log);
  pid_ = Spawn(QFile::encodeName(weston),
               {"--backend=headless-backend.so", socketArg.constData(), "--idle-time=0", logArg.constData()});
  if (pid_ < 0) {
    failure = "weston could not be run";
    return false;
  }
  // Up once its socket is there, or gone early.
  const QString path = runtime + '/' + socket;
  for (int i = 0; i < 200 && !QFileInfo::exists(path); ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    ::usleep(50000);
  }
  if (pid_ > 0 && QFileInfo::exists(path)) return true;
  QFile text(log);
  failure = "weston did not start" + (text.open(QIODevice::ReadOnly) ? ": " + QString::fromLocal8Bit(text.readAll().right(400)) : QString());
  return false;
}

QString Run(const QStringList& command) {
  QProcess p;
  p.start(command.first(), command.mid(1));
  p.waitForFinished(30000);
  return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool WriteSettings(const QTemporaryDir& home, const QString& text) {
  QDir().mkpath(home.path() + "/config/Vantrel");
  QFile ini(home.path() + "/config/Vantrel/Vantrel.ini");
  return ini.open(QIODevice::WriteOnly) && ini.write(text.toUtf8()) == text.toUtf8().size();
}

QString EntrySettings(const kaymortest::UnitSim& sim, int unitType, bool tcp) {
  return QStringLiteral("[IPAddressList]\nCommType=%1\nTotal=1\nIP0=\"127.0.0.1,ZAM%2,SIM0001,qmpv,%3\"\n"
                        "LastUsed=\"127.0.0.1, ZAM%2, SIM0001\"\nPassword=qmpv\n\n"
                        "[Keyboard]\nLastUsed=%2\n\n[Options]\nDisOption=1\nVersion=x11\n\n"
                        "[Ports]\nCOM1=%4\n\n[RS-232]\nPort=COM1\n")
      .arg(tcp ? 1 : 0)
      .arg(unitType)
      .arg(sim.tcpPort)
      .arg(sim.pty);
}

Kaymor::~Kaymor() {
  process.kill();
  process.waitForFinished();
}

QString Kaymor::Start(const QString& display) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* sub : {"data", "run"}) QDir().mkpath(home.path() + '/' + sub);
  QFile::setPermissions(home.path() + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  env.insert("XDG_CONFIG_HOME", home.path() + "/config");
  env.insert("XDG_DATA_HOME", home.path() + "/data");
  env.insert("XDG_RUNTIME_DIR", home.path() + "/run");
  env.insert("TMPDIR", home.path() + "/run");
  env.insert("DISPLAY", display);
  env.insert("QT_QPA_PLATFORM", "xcb");
  for (auto it = environment.cbegin(); it != environment.cend(); ++it) env.insert(it.key(), it.value());
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(QStringLiteral(KAYMOR_BIN_DIR "/kaymor"), {});
  if (!process.waitForStarted()) return {};
  return Run({"timeout", "30", "xdotool", "search", "--sync", "--onlyvisible", "--name", "^Vantrel"}).section('\n', 0, 0);
}

bool Connect(const QString& window, const kaymortest::UnitSim& sim, bool tcp) {
  Run({"xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", "alt+c"});
  // Connected once the LED poll asks.
  const QString ledRequest = tcp ? "ff ff 05 02" : "ff bb 11 ff b6";
  return QTest::qWaitFor(
      [&] {
        for (const QJsonObject& o : sim.Received(tcp ? "tcp" : "serial"))
          if (o.value("hex").toString().startsWith(ledRequest)) return true;
        return false;
      },
      15000);
}

void Key(const QStringList& keys) {
  Run(QStringList{"xdotool", "key", "--clearmodifiers", "--delay", "60"} + keys);
  zam::PumpFor(300);
}

}  // namespace x11test
