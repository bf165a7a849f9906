#include "serialadapter.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "eventpump.h"
#include "settingsstore.h"

namespace zam {

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
  port_.clear(QSerialPort::AllDirections);
  port_.readAll();
}

bool SerialAdapter::Write(const QByteArray& bytes) {
  if (!port_.isOpen() || bytes.isEmpty()) return false;
  if (port_.write(bytes) != bytes.size()) return false;
  port_.flush();
  return true;
}

QString ListSerialPorts(QStringList* denied) {
  QStringList found;
  for (int n = 1; n <= 16; ++n) {
    PumpEvents();
    QSerialPort probe;
    const QString device = ComPortDevice(n);
    probe.setPortName(device);
    if (probe.open(QIODevice::ReadWrite)) {
      found << QStringLiteral("COM%1").arg(n);
      probe.close();
    } else if (denied && OpenDeniedByPermission(probe)) {
      *denied << device;
    }
  }
  return found.join(';');
}

}  // namespace zam
