#include "serialadapter.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>
#include <algorithm>
#include <array>
#include <cerrno>

#include "eventpump.h"
#include "settingsstore.h"

namespace zam {

namespace {
// How long the queued output may take to reach the device before the
// input is dropped anyway: 64 bytes at 300 baud.
constexpr int kDrainWaitMs = 2500;
}  // namespace

QString ComPortDevice(int n) {
  if (n < 1 || n > 16) return QString();
  const QString key = QStringLiteral("COM%1").arg(n);
  const QString mapped = GetSetting(setting::kPortsSection, key, QString());
  return mapped.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(n - 1) : mapped;
}

QString SerialDevicePath(const QSerialPort& port) {
  const QString name = port.portName();
  return name.startsWith('/') ? name : QStringLiteral("/dev/") + name;
}

bool OpenDeniedByPermission(const QSerialPort& port) {
  if (port.error() != QSerialPort::PermissionError) return false;
  // Checked with the effective user and groups, as open() checks.
  const QByteArray path = QFile::encodeName(SerialDevicePath(port));
  return faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

QString SerialPermissionText(const QString& device) {
  return QStringLiteral("No permission to open ") + device + QStringLiteral(" - add your user to the dialout group");
}

SerialAdapter::SerialAdapter(QObject* parent) : QObject(parent) {
  port_.setObjectName("MSComm1");
  // A device that went away (a pulled USB adapter) fails every write at once,
  // and the port would retry without end: close it, which the link
  // supervision sees as the end of the link. Closed from the event loop, not
  // from inside the port's own notification.
  connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError) return;
    QMetaObject::invokeMethod(this, [this] { Close(); }, Qt::QueuedConnection);
  });
}

void SerialAdapter::SetCommPort(int n) {
  if (port_.isOpen()) return;
  number_ = n;
  device_.clear();
}

void SerialAdapter::SetDevice(const QString& path) {
  if (port_.isOpen()) return;
  device_ = path;
}

bool SerialAdapter::Open() {
  openFailure_.clear();
  if (port_.isOpen()) return true;
  permissionDenied_ = false;
  const QString device = Device();
  const QString com = QStringLiteral("COM%1").arg(number_);
  // " for COMn" after the device when a number chose it.
  const QString forCom = device_.isEmpty() ? QStringLiteral(" for ") + com : QString();
  if (device.isEmpty()) {
    openFailure_ = QStringLiteral("no device for ") + com;
    return false;
  }
  port_.setPortName(device);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (port_.open(QIODevice::ReadWrite)) return true;
  permissionDenied_ = OpenDeniedByPermission(port_);
  switch (port_.error()) {
    case QSerialPort::DeviceNotFoundError:
      openFailure_ = QStringLiteral("no device %1%2").arg(device, forCom);
      break;
    case QSerialPort::PermissionError:
      openFailure_ = QStringLiteral("permission denied on %1%2").arg(device, forCom);
      break;
    default:
      openFailure_ = QStringLiteral("%1 on %2%3").arg(port_.errorString().toLower(), device, forCom);
      break;
  }
  return false;
}

void SerialAdapter::Close() {
  if (port_.isOpen()) port_.close();
}

bool SerialAdapter::SetSettings(const QString& settings) {
  bool ok = false;
  const int baud = settings.section(',', 0, 0).trimmed().toInt(&ok);
  if (!ok || baud <= 0) return false;
  return port_.setBaudRate(baud);
}

void SerialAdapter::ClearBuffers() {
  if (!port_.isOpen()) return;
  // What was written goes out first: a key written just before a request
  // may still be on its way at a low rate. Dropping the output queue would
  // lose it (on a pseudo-terminal, even bytes the peer has not read yet).
  while (port_.bytesToWrite() > 0)
    if (!port_.waitForBytesWritten(kDrainWaitMs)) break;
  if (port_.handle() >= 0) ::tcdrain(port_.handle());
  port_.clear(QSerialPort::Input);
  port_.readAll();
}

bool SerialAdapter::Write(const QByteArray& bytes) {
  if (!port_.isOpen() || bytes.isEmpty()) return false;
  if (port_.write(bytes) != bytes.size()) return false;
  port_.flush();
  return true;
}

QString SerialByIdFolder() {
  const QString folder = qEnvironmentVariable("KAYMOR_SERIAL_BY_ID");
  return folder.isEmpty() ? QStringLiteral("/dev/serial/by-id") : folder;
}

QString SerialPortEntry::Detail() const {
  return description.isEmpty() ? device : description + QStringLiteral(" (") + device + QLatin1Char(')');
}

QString SerialPortEntry::Text() const { return QStringLiteral("COM%1  ").arg(number) + Detail(); }

QString SerialPortScan::Names() const {
  QStringList names;
  for (const SerialPortEntry& e : ports) names << QStringLiteral("COM%1").arg(e.number);
  return names.join(';');
}

QString SerialPortScan::Hint() const {
  if (!denied.isEmpty()) return SerialPermissionText(denied.first());
  if (!unnumbered.isEmpty())
    return QStringLiteral("no free COM number for ") + unnumbered.join(QStringLiteral(", "));
  return QString();
}

namespace {

enum class Presence { Absent, Opens, Busy, Denied };

// Whether a serial device is there: it opens, or it is held by another
// program, or this user may not open it. Anything else (no such file, no
// serial device behind it) is absent.
Presence Probe(const QString& path) {
  PumpEvents();
  QSerialPort probe;
  probe.setPortName(path);
  if (probe.open(QIODevice::ReadWrite)) {
    probe.close();
    return Presence::Opens;
  }
  if (probe.error() != QSerialPort::PermissionError) return Presence::Absent;
  return OpenDeniedByPermission(probe) ? Presence::Denied : Presence::Busy;
}

// The device a path leads to ("/dev/ttyUSB0" for a by-id link); empty when
// it leads nowhere.
QString Resolved(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

// A /dev/ttyS device this user may not open has a UART behind it when the
// kernel names one: 1 when it does, 0 when not, -1 when it cannot be told.
int UartBehind(const QString& device) {
  QFile type(QStringLiteral("/sys/class/tty/") + QFileInfo(device).fileName() + QStringLiteral("/type"));
  if (!type.open(QIODevice::ReadOnly)) return -1;
  bool ok = false;
  const int value = type.readAll().trimmed().toInt(&ok);
  return ok ? (value != 0 ? 1 : 0) : -1;
}

// The adapter's words for itself, from the udev or sysfs data Qt reads, else
// from its by-id link name ("usb-FTDI_FT232R_USB_UART_A10KZ3XP-if00-port0"
// gives "FTDI FT232R USB UART A10KZ3XP").
class Descriptions {
 public:
  Descriptions() {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
      const QString text = info.description().isEmpty() ? info.manufacturer() : info.description();
      const QString device = Resolved(info.systemLocation());
      if (!text.isEmpty() && !device.isEmpty()) byDevice_.insert(device, text);
    }
  }
  QString Of(const QString& path, const QString& device) const {
    const QString known = byDevice_.value(device);
    if (!known.isEmpty()) return known;
    if (QFileInfo(path).absolutePath() != QDir(SerialByIdFolder()).absolutePath()) return QString();
    QString name = QFileInfo(path).fileName();
    static const QRegularExpression kBus(QStringLiteral("^[a-z]+-"));
    static const QRegularExpression kInterface(QStringLiteral("-if[0-9A-Fa-f]+.*$"));
    name.remove(kBus).remove(kInterface).replace(QLatin1Char('_'), QLatin1Char(' '));
    return name.trimmed();
  }

 private:
  QHash<QString, QString> byDevice_;
};

// The adapters without a COM number of their own yet: the by-id links by
// name, then /dev/ttyUSB* and /dev/ttyACM* by number, each device once,
// under its by-id link when it has one.
QStringList AdapterPaths() {
  QStringList paths;
  QSet<QString> devices;
  auto add = [&](const QString& path) {
    const QString device = Resolved(path);
    if (device.isEmpty() || devices.contains(device)) return;
    devices.insert(device);
    paths << path;
  };
  const QDir byId(SerialByIdFolder());
  for (const QFileInfo& link : byId.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
    add(link.absoluteFilePath());
  for (const char* stem : {"ttyUSB", "ttyACM"}) {
    const QString prefix = QString::fromLatin1(stem);
    QList<int> numbers;
    for (const QString& name : QDir(QStringLiteral("/dev")).entryList({prefix + QLatin1Char('*')}, QDir::System)) {
      bool ok = false;
      const int n = name.mid(prefix.size()).toInt(&ok);
      if (ok) numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    for (int n : numbers) add(QStringLiteral("/dev/") + prefix + QString::number(n));
  }
  return paths;
}

}  // namespace

SerialPortScan ScanSerialPorts() {
  SerialPortScan scan;
  const Descriptions descriptions;
  std::array<QString, 17> mapped;  // by number; [0] unused
  QSet<QString> named;             // the devices behind the mappings
  for (int n = 1; n <= 16; ++n) {
    mapped[n] = GetSetting(setting::kPortsSection, QStringLiteral("COM%1").arg(n), QString());
    const QString device = Resolved(mapped[n]);
    if (!device.isEmpty()) named.insert(device);
  }
  std::array<bool, 17> taken{};
  auto list = [&](int n, const QString& path, Presence presence) {
    SerialPortEntry e;
    e.number = n;
    e.path = path;
    e.device = Resolved(path);
    e.description = descriptions.Of(path, e.device);
    e.denied = presence == Presence::Denied;
    if (e.denied) scan.denied << path;
    scan.ports << e;
    taken[n] = true;
  };

  for (int n = 1; n <= 16; ++n) {
    if (mapped[n].isEmpty()) continue;
    taken[n] = true;
    const Presence presence = Probe(mapped[n]);
    if (presence != Presence::Absent) list(n, mapped[n], presence);
  }
  for (int n = 1; n <= 16; ++n) {
    if (taken[n]) continue;
    const QString device = QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (named.contains(Resolved(device))) continue;
    const Presence presence = Probe(device);
    if (presence == Presence::Denied) {
      // Every /dev/ttyS node refuses a user outside the dialout group,
      // with a UART behind it or not.
      const int uart = UartBehind(device);
      if (uart == 1) list(n, device, presence);
      else if (uart < 0) scan.denied << device;
    } else if (presence != Presence::Absent) {
      list(n, device, presence);
    }
  }
  for (const QString& path : AdapterPaths()) {
    const QString device = Resolved(path);
    if (named.contains(device)) continue;
    bool listed = false;
    for (const SerialPortEntry& e : scan.ports) listed = listed || e.device == device;
    if (listed) continue;
    const Presence presence = Probe(path);
    if (presence == Presence::Absent) continue;
    int n = 1;
    while (n <= 16 && taken[n]) ++n;
    if (n > 16) {
      scan.unnumbered << device;
      if (presence == Presence::Denied) scan.denied << device;
      continue;
    }
    SaveSetting(setting::kPortsSection, QStringLiteral("COM%1").arg(n), path);
    list(n, path, presence);
  }
  std::sort(scan.ports.begin(), scan.ports.end(),
            [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.number < b.number; });
  return scan;
}

QString ListSerialPorts(QStringList* denied) {
  const SerialPortScan scan = ScanSerialPorts();
  if (denied) *denied << scan.denied;
  return scan.Names();
}

QString SerialPortDetail(const QString& path) {
  SerialPortEntry e;
  e.device = Resolved(path);
  if (e.device.isEmpty()) return path;
  e.description = Descriptions().Of(path, e.device);
  return e.Detail();
}

}  // namespace zam
