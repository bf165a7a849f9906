#include "netnslab.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtDebug>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {
const QString kNetnsDir = QStringLiteral("/run/netns");
const QString kTag = QStringLiteral("corvel-");

bool Exec(const QStringList& command, QString* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(command.first(), command.mid(1));
  if (!p.waitForStarted(5000) || !p.waitForFinished(20000)) {
    qWarning() << "could not run" << command;
    return false;
  }
  const QString out = QString::fromLocal8Bit(p.readAll());
  if (output) *output = out;
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    qWarning() << command << "failed:" << out.trimmed();
    return false;
  }
  return true;
}
}  // namespace

QString NetnsLab::Unavailable() {
  if (geteuid() != 0) return QStringLiteral("needs root to build network namespaces");
  if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
    return QStringLiteral("needs the ip command (iproute2)");
  // Root is not always enough (a chroot, a locked-down container): try once.
  static const QString probe = [] {
    const QString name = kTag + QString::number(getpid()) + QStringLiteral("-probe");
    const QString ip = QStringLiteral("ip");
    const bool ok = Exec({ip, QStringLiteral("netns"), QStringLiteral("add"), name}, nullptr) &&
                    Exec({ip, QStringLiteral("netns"), QStringLiteral("exec"), name, ip, QStringLiteral("link"),
                          QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")},
                         nullptr);
    Exec({ip, QStringLiteral("netns"), QStringLiteral("del"), name}, nullptr);
    return ok ? QString() : QStringLiteral("this machine lets no network namespace be built and entered here");
  }();
  return probe;
}

void NetnsLab::RemoveStale() {
  // Namespaces of test runs that died before cleaning up.
  const QStringList names = QDir(kNetnsDir).entryList(QDir::Files | QDir::System);
  for (const QString& name : names) {
    if (!name.startsWith(kTag)) continue;
    bool ok = false;
    const int pid = name.mid(kTag.size()).section(QLatin1Char('-'), 0, 0).toInt(&ok);
    if (ok && pid > 0 && kill(pid, 0) != 0 && errno == ESRCH)
      Exec({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("del"), name}, nullptr);
  }
}

NetnsLab::NetnsLab() : prefix_(kTag + QString::number(getpid()) + QLatin1Char('-')) {
  RemoveStale();
  home_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
}

NetnsLab::~NetnsLab() {
  Leave();
  for (auto& p : processes_) Stop(p.get());
  processes_.clear();
  for (const QString& name : created_)
    Exec({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("del"), name}, nullptr);
  if (home_ >= 0) close(home_);
}

QString NetnsLab::Name(const QString& role) const { return prefix_ + role; }

bool NetnsLab::Add(const QString& role) {
  if (!Exec({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("add"), Name(role)},
            nullptr))
    return false;
  created_ << Name(role);
  return Ip(role, QStringLiteral("link set lo up"));
}

bool NetnsLab::Run(const QString& role, const QStringList& command, QString* output) {
  return Exec(QStringList{QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"),
                          Name(role)} + command,
              output);
}

bool NetnsLab::Bridge(const QString& hub, const QString& hubAddress, const QString& unitPrefix, int units) {
  const QString bits = hubAddress.section(QLatin1Char('/'), 1);
  bool ok = Add(hub) && Ip(hub, QStringLiteral("link add br0 type bridge")) &&
            Ip(hub, QStringLiteral("addr add %1 dev br0").arg(hubAddress)) && Ip(hub, QStringLiteral("link set br0 up"));
  for (int i = 1; ok && i <= units; ++i) {
    const QString role = QStringLiteral("U%1").arg(i);
    const QString port = QStringLiteral("u%1").arg(i);
    ok = Add(role) && Ip(hub, QStringLiteral("link add %1 type veth peer name e0 netns %2").arg(port, Name(role))) &&
         Ip(hub, QStringLiteral("link set %1 master br0").arg(port)) && Ip(hub, QStringLiteral("link set %1 up").arg(port)) &&
         Ip(role, QStringLiteral("addr add %1%2/%3 dev e0").arg(unitPrefix).arg(i).arg(bits)) &&
         Ip(role, QStringLiteral("link set e0 up"));
  }
  return ok;
}

bool NetnsLab::Ip(const QString& role, const QString& args) {
  return Run(role, QStringList{QStringLiteral("ip")} + args.split(QLatin1Char(' ')));
}

bool NetnsLab::Sysctl(const QString& role, const QString& key, const QString& value) {
  const QString path = QStringLiteral("/proc/sys/") + QString(key).replace(QLatin1Char('.'), '/');
  return Run(role, {QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("echo '%1' > %2").arg(value, path)});
}

bool NetnsLab::Link(const QString& roleA, const QString& ifA, const QString& addrA,
                    const QString& roleB, const QString& ifB, const QString& addrB) {
  return Ip(roleA, QStringLiteral("link add %1 type veth peer name %2 netns %3")
                       .arg(ifA, ifB, Name(roleB))) &&
         Ip(roleA, QStringLiteral("addr add %1 dev %2").arg(addrA, ifA)) &&
         Ip(roleB, QStringLiteral("addr add %1 dev %2").arg(addrB, ifB)) &&
         Ip(roleA, QStringLiteral("link set %1 up").arg(ifA)) &&
         Ip(roleB, QStringLiteral("link set %1 up").arg(ifB));
}

bool NetnsLab::Enter(const QString& role) {
  const QByteArray path = QFile::encodeName(kNetnsDir + QLatin1Char('/') + Name(role));
  const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = setns(fd, CLONE_NEWNET) == 0;
  close(fd);
  return ok;
}

void NetnsLab::Leave() {
  if (home_ >= 0) setns(home_, CLONE_NEWNET);
}

QProcess* NetnsLab::Start(const QString& role, const QString& program, const QStringList& args) {
  auto p = std::make_unique<QProcess>();
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p->start(QStringLiteral("ip"),
           QStringList{QStringLiteral("netns"), QStringLiteral("exec"), Name(role), program} +
               args);
  processes_.push_back(std::move(p));
  return processes_.back().get();
}

void NetnsLab::Stop(QProcess* process) {
  if (!process || process->state() == QProcess::NotRunning) return;
  process->terminate();
  if (!process->waitForFinished(3000)) {
    process->kill();
    process->waitForFinished(3000);
  }
}
