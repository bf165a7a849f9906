#pragma once
// The main window's serial port. COMn (n = 1 to 16) is the device stored as
// "Ports"/"COMn" in the settings, else /dev/ttyS<n-1>.
#include <QObject>
#include <QSerialPort>

namespace zam {

// Device path of COMn; empty for a number outside 1..16.
QString ComPortDevice(int n);

// The device a port opens: its name as set, under /dev/ unless it is a path.
QString SerialDevicePath(const QSerialPort& port);
// After a failed open: this user may not read and write the device for its
// file modes, so a serial device that is not the user's needs the dialout
// group. A device held by another program fails the open as well, but is
// no matter of groups.
bool OpenDeniedByPermission(const QSerialPort& port);
// "No permission to open <device> - add your user to the dialout group".
QString SerialPermissionText(const QString& device);

class SerialAdapter : public QObject {
  Q_OBJECT
 public:
  explicit SerialAdapter(QObject* parent = nullptr);

  void SetCommPort(int n);
  int CommPort() const { return number_; }
  // A device path ("/dev/ttyUSB0") instead of a COM number; empty for the number.
  void SetDevice(const QString& path);
  // Opens the device of the current number; false on any error.
  bool Open();
  // The device set, else that of the current number.
  QString Device() const { return device_.isEmpty() ? ComPortDevice(number_) : device_; }
  // After a failed Open(): the user may not open the device.
  bool PermissionDenied() const { return permissionDenied_; }
  // Why the last Open failed, with the device and port name
  // ("no device /dev/ttyS0 for COM1"); empty after a successful open.
  QString OpenFailure() const { return openFailure_; }
  // The port's own text for its last error, and the device path it last
  // tried to open ("/dev/" added to a bare name).
  QString ErrorString() const { return port_.errorString(); }
  QString DevicePath() const { return SerialDevicePath(port_); }
  void Close();
  bool IsOpen() const { return port_.isOpen(); }
  // "9600,n,8,1"; only the rate is read, the frame is always 8N1.
  bool SetSettings(const QString& settings);
  int BaudRate() const { return port_.baudRate(); }
  // Drops everything pending in both directions.
  void ClearBuffers();
  int InBufferCount() const { return static_cast<int>(port_.bytesAvailable()); }
  QByteArray Read(int n) { return port_.read(n); }
  bool Write(const QByteArray& bytes);

 private:
  QSerialPort port_;
  int number_ = 0;
  QString device_;
  bool permissionDenied_ = false;
  QString openFailure_;
};

// "COM1;COM3": the ports 1 to 16 that can be opened. Uses its own port so
// that the window's link is not touched. denied, when given, receives the
// devices this user has no permission to open.
QString ListSerialPorts(QStringList* denied = nullptr);

}  // namespace zam
