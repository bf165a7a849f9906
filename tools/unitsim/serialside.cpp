#include "serialside.h"

#include "keycodes.h"

#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace unitsim {

namespace {

struct BaudPair {
  int rate;
  speed_t speed;
};
constexpr BaudPair kBauds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},
                               {9600, B9600},   {19200, B19200}, {38400, B38400},
                               {57600, B57600}, {115200, B115200}};

speed_t SpeedOf(int rate) {
  for (const BaudPair& b : kBauds)
    if (b.rate == rate) return b.speed;
  return B9600;
}

QString ErrnoText(const char* what) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(strerror(errno)));
}

const char* KindName(zam::SerialRequest::Kind kind) {
  using K = zam::SerialRequest::Kind;
  switch (kind) {
    case K::Key: return "key";
    case K::ReadBlock: return "read";
    case K::ReadInfo: return "info";
    case K::WriteBlock: return "write";
    case K::WriteSettings: return "settings";
    case K::PortCommand: return "command";
    case K::Unknown: break;
  }
  return "unknown";
}

Ip4 Ip4At(const QByteArray& d, int at) {
  return {quint8(d[at]), quint8(d[at + 1]), quint8(d[at + 2]), quint8(d[at + 3])};
}

}  // namespace

SerialSide::SerialSide(Unit& unit, QObject* parent) : QObject(parent), unit_(unit) {}

SerialSide::~SerialSide() {
  if (!link_.isEmpty()) ::unlink(QFile::encodeName(link_).constData());
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

bool SerialSide::Start(QString* error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) {
    *error = ErrnoText("posix_openpt");
    return false;
  }
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  char name[128] = {};
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    *error = ErrnoText("pseudo-terminal");
    return false;
  }
  slavePath_ = QString::fromLocal8Bit(name);
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    *error = ErrnoText("open slave");
    return false;
  }
  // Raw, so that the line discipline never echoes our replies back to us
  // before a client has set its own mode; the unit's own rate to begin with.
  termios t{};
  ::tcgetattr(slave_, &t);
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  ::cfsetispeed(&t, SpeedOf(unit_.options().baud));
  ::cfsetospeed(&t, SpeedOf(unit_.options().baud));
  ::tcsetattr(slave_, TCSANOW, &t);

  const QString link = unit_.options().ptyLink;
  if (!link.isEmpty()) {
    const QFileInfo info(link);
    // Replace an old link, never a real file.
    if (info.isSymLink()) ::unlink(QFile::encodeName(link).constData());
    else if (info.exists()) {
      *error = QStringLiteral("%1 exists and is not a symbolic link").arg(link);
      return false;
    }
    if (::symlink(name, QFile::encodeName(link).constData()) != 0) {
      *error = ErrnoText("symlink");
      return false;
    }
    link_ = link;
  }

  notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SerialSide::OnReadable);
  return true;
}

void SerialSide::Vanish() {
  if (master_ < 0) return;
  delete notifier_;
  notifier_ = nullptr;
  if (!link_.isEmpty()) ::unlink(QFile::encodeName(link_).constData());
  link_.clear();
  ::close(slave_);
  ::close(master_);
  slave_ = master_ = -1;
  buffer_.clear();
  unit_.log().Event("serial", QStringLiteral("gone"), {{"pty", slavePath_}});
}

bool SerialSide::Back(QString* error) {
  if (master_ >= 0) return true;
  if (!Start(error)) return false;
  unit_.log().Event("serial", QStringLiteral("back"), {{"pty", slavePath_}});
  return true;
}

int SerialSide::CurrentBaud() const {
  // On Linux the master reports the slave's settings, which the client set.
  termios t{};
  if (::tcgetattr(master_, &t) != 0) return 0;
  const speed_t speed = ::cfgetospeed(&t);
  for (const BaudPair& b : kBauds)
    if (b.speed == speed) return b.rate;
  return 0;
}

void SerialSide::OnReadable() {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n > 0) {
      buffer_.append(chunk, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      unit_.log().Event("serial", QStringLiteral("error"), {{"error", ErrnoText("read")}});
      notifier_->setEnabled(false);
    }
    break;
  }
  for (;;) {
    zam::SerialRequest request;
    const int used = zam::ParseSerialRequest(buffer_, request);
    if (used <= 0) break;
    const QByteArray bytes = buffer_.left(used);
    buffer_.remove(0, used);
    Handle(request, bytes);
  }
}

void SerialSide::Handle(const zam::SerialRequest& request, const QByteArray& bytes) {
  using K = zam::SerialRequest::Kind;
  const Options& o = unit_.options();
  const int baud = CurrentBaud();
  LogFields fields{{"kind", QString::fromLatin1(KindName(request.kind))}, {"baud", baud}};
  if (request.kind == K::Key) {
    fields.append(LogField("key", int(request.code)));
    fields.append(LogField("key_name", zam::VKeyName(request.code)));
  } else if (request.kind != K::Unknown && request.kind != K::WriteSettings) {
    fields.append(LogField("block", int(request.block)));
  }
  if (request.kind == K::PortCommand) fields.append(LogField("code", int(request.code)));
  if (request.kind == K::Unknown) {
    unit_.log().Rx("serial", bytes, fields + LogFields{{"ignored", "unknown"}});
    return;
  }
  // At any other rate a real unit sees only noise.
  if (baud != o.baud) {
    unit_.log().Rx("serial", bytes, fields + LogFields{{"ignored", "baud"}});
    return;
  }
  const bool read = request.kind == K::ReadBlock || request.kind == K::ReadInfo;
  if (read && o.silentSerial.contains(request.block)) {
    unit_.log().Rx("serial", bytes, fields + LogFields{{"silent", true}});
    return;
  }
  unit_.log().Rx("serial", bytes, fields);

  switch (request.kind) {
    case K::Key:
      unit_.PressKey(Unit::KeySet::Serial, request.code, "serial");
      return;
    case K::ReadInfo:
      if (request.block == zam::kBlockInfo)
        Reply(zam::BuildInfoBlock(o.mac, o.versionMajor, o.versionMinor, o.modelId),
              request.block);
      return;
    case K::ReadBlock:
      switch (request.block) {
        case zam::kBlockUnit:
          Reply(zam::BuildUnitBlock(o.unitType, o.name), request.block);
          return;
        case zam::kBlockAlarm:
          Reply(zam::BuildAlarmBlock(unit_.alarmMode()), request.block);
          return;
        case zam::kBlockLed:
          Reply(zam::BuildLedBlock(unit_.led(), true), request.block);
          return;
        case zam::kBlockSettings: {
          // The settings block also carries the LED byte read by units before 1.4.
          const NetworkSettings& n = unit_.network();
          Reply(zam::BuildSettingsBlock(n.ethernetMode, n.dhcpMode, n.ip, n.mask, n.gateway,
                                        unit_.led()),
                request.block);
          return;
        }
        default: {
          // Every block read is answered; one never written reads as zeros.
          QByteArray block = unit_.StoredBlock(request.block);
          if (block.size() != zam::kSerialReplySize) block = QByteArray(zam::kSerialReplySize, '\0');
          Reply(block, request.block);
          return;
        }
      }
    case K::WriteBlock:
      if (request.block == zam::kBlockReboot) {
        if (!request.data.isEmpty() && request.data[0] == 1) unit_.Reboot("serial");
        return;
      }
      unit_.StoreBlock(request.block, request.data);
      return;
    case K::WriteSettings: {
      // The same head to any other block is the unused kind 4.
      if (request.block != zam::kBlockSettings || request.data.size() < 14) return;
      NetworkSettings n;
      n.ethernetMode = quint8(request.data[0]);
      n.dhcpMode = quint8(request.data[1]);
      n.ip = Ip4At(request.data, 2);
      n.mask = Ip4At(request.data, 6);
      n.gateway = Ip4At(request.data, 10);
      unit_.SetNetwork(n, "serial");
      return;
    }
    case K::PortCommand:
      if (request.block == zam::kBlockReboot && request.code == 1) unit_.Reboot("serial");
      return;
    case K::Unknown:
      return;
  }
}

void SerialSide::Reply(const QByteArray& block, quint8 blockNumber) {
  const int delay = unit_.options().delayMs;
  if (delay <= 0) {
    Write(block, blockNumber);
    return;
  }
  QTimer::singleShot(delay, this, [this, block, blockNumber] { Write(block, blockNumber); });
}

void SerialSide::Write(const QByteArray& bytes, quint8 blockNumber) {
  unit_.log().Tx("serial", bytes, {{"block", int(blockNumber)}});
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // Nobody reads the line and its buffer is full: the reply is lost, as on a wire.
    unit_.log().Event("serial", QStringLiteral("error"), {{"error", ErrnoText("write")}});
    return;
  }
}

}  // namespace unitsim
