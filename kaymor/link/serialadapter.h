#pragma once
// The main window's serial port. COMn (n = 1 to 16) is the device stored as
// "Ports"/"COMn" in the settings, else /dev/ttyS<n-1>; and the search for
// the serial devices Linux has, which gives each new one a COM number.
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QStringList>

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
  // Sends what was written (waits until the device took it), then drops
  // the input not read yet.
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

// Where the stable names of USB serial adapters are: the folder named by
// $KAYMOR_SERIAL_BY_ID (a test aid), else /dev/serial/by-id.
QString SerialByIdFolder();

// One serial device found by a search.
struct SerialPortEntry {
  int number = 0;       // COMn
  QString path;         // as stored under "Ports" (a by-id link), or /dev/ttyS<n-1>
  QString device;       // the device behind it, "/dev/ttyUSB0"
  QString description;  // "FT232R USB UART"; empty when nothing is known
  bool denied = false;  // present, but this user may not open it
  // "FT232R USB UART (/dev/ttyUSB0)", or the device alone.
  QString Detail() const;
  // "COM3  FT232R USB UART (/dev/ttyUSB0)".
  QString Text() const;
};

struct SerialPortScan {
  QList<SerialPortEntry> ports;  // by number
  QStringList denied;            // devices this user may not open
  QStringList unnumbered;        // devices found with all sixteen numbers taken
  // "COM1;COM3".
  QString Names() const;
  // The status line's words for what the search left the operator to do
  // (permission first), without "Status: "; empty when nothing.
  QString Hint() const;
};

// The ports a COM number can reach, found as Linux has them: the "Ports"
// mappings whose device is there, the links of SerialByIdFolder(), every
// /dev/ttyUSB* and /dev/ttyACM*, and the /dev/ttyS0-/dev/ttyS15 ports with
// a UART behind them (/dev/ttyS<n-1> as COMn when no mapping takes n). A
// device no mapping names gets the lowest free number, stored under
// "Ports" by its stable path (its by-id link when it has one). A mapping
// whose device is absent stays stored. Probes with its own ports, so the
// window's link is not touched.
SerialPortScan ScanSerialPorts();

// "COM1;COM3": the names of ScanSerialPorts(). denied, when given,
// receives the devices this user has no permission to open.
QString ListSerialPorts(QStringList* denied = nullptr);

// What a stored port path is, as SerialPortEntry::Detail() says it; the
// path itself when it leads nowhere.
QString SerialPortDetail(const QString& path);

}  // namespace zam
