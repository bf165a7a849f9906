#include "serialadapter.h"

#include "eventpump.h"
#include "settingsstore.h"

namespace zam {

QString ComPortDevice(int n) {
  if (n < 1 || n > 16) return QString();
  const QString key = QStringLiteral("COM%1").arg(n);
  const QString mapped = GetSetting("Ports", key, QString());
  return mapped.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(n - 1) : mapped;
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
}

bool SerialAdapter::Open() {
  if (port_.isOpen()) return true;
  const QString device = ComPortDevice(number_);
  if (device.isEmpty()) return false;
  port_.setPortName(device);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  return port_.open(QIODevice::ReadWrite);
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

QString ListSerialPorts() {
  QStringList found;
  for (int n = 1; n <= 16; ++n) {
    PumpEvents();
    QSerialPort probe;
    probe.setPortName(ComPortDevice(n));
    if (probe.open(QIODevice::ReadWrite)) {
      found << QStringLiteral("COM%1").arg(n);
      probe.close();
    }
  }
  return found.join(';');
}

}  // namespace zam
