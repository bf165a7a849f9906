// The ComboBlock control: reads and writes a unit's settings block over a
// TCP connection of its own (ping, connect, log in, one exchange, close).
#ifndef CORVEL_COMBOBLOCK_H
#define CORVEL_COMBOBLOCK_H

#include <corvel/corvel_global.h>
#include <corvel/propertybag.h>
#include <corvel/records.h>

#include <QObject>
#include <QString>

#include <memory>

namespace Corvel_Project {

/// A unit's settings block, read and written over the network
/// ("Corvel_Project.ComboBlock"). Each call pings the unit, connects, logs in,
/// does one exchange and closes, handling the host's events meanwhile.
class CORVEL_EXPORT ComboBlock : public QObject {
  Q_OBJECT
  /// True from a login until the control closes its connection.
  Q_PROPERTY(bool Connected READ Connected)
  /// The unit's address.
  Q_PROPERTY(QString Host READ Host WRITE SetHost)
  /// The unit's network password, sent with the login.
  Q_PROPERTY(QString Password READ Password WRITE SetPassword)
  /// The unit's control port.
  Q_PROPERTY(qint32 Port READ Port WRITE SetPort)

 public:
  static constexpr qint32 kDefaultPort = 1024;       ///< Port of a new control.
  static constexpr int kPingTries = 5;               ///< Pings before giving up.
  static constexpr int kConnectTimeoutMs = 5000;     ///< Wait for the connection.
  static constexpr int kLoginTimeoutMs = 5000;       ///< Wait for the login reply.
  static constexpr int kGetTimeoutMs = 10000;        ///< Wait for the block.
  static constexpr int kSetTimeoutMs = 5000;         ///< Wait for the unit to take the block.

  /// Creates the control with the default properties.
  explicit ComboBlock(QObject* parent = nullptr);
  ~ComboBlock() override;

  /// True from a login until the control closes the connection. Raises no event.
  bool Connected() const;

  /// The unit's address. Raises no event.
  QString Host() const;
  /// Sets the unit's address; raises PropertyChanged("Host").
  void SetHost(const QString& host);
  /// The unit's network password. Raises no event.
  QString Password() const;
  /// Sets the unit's network password; raises PropertyChanged("Password").
  void SetPassword(const QString& password);
  /// The unit's control port. Raises no event.
  qint32 Port() const;
  /// Sets the unit's control port; raises PropertyChanged("Port").
  void SetPort(qint32 port);

  /// Reads the unit's block into ComboBlock and keeps it for SetComboBlock; true when the
  /// block holds a date. Raises Message for each step.
  bool GetComboBlock(zam::COMBO_BLOCK& ComboBlock);
  /// As GetComboBlock, with the reason of a failure in MsgReturn. Raises Message for each step.
  bool GetComboBlock(zam::COMBO_BLOCK& ComboBlock, QString& MsgReturn);
  /// Writes ComboBlock into the block kept from the last GetComboBlock and sends it back; true
  /// when the unit took it. Raises Message for each step.
  bool SetComboBlock(const zam::COMBO_BLOCK& ComboBlock);
  /// As SetComboBlock, with the reason of a failure in MsgReturn. Raises Message for each step.
  bool SetComboBlock(const zam::COMBO_BLOCK& ComboBlock, QString& MsgReturn);
  /// Sends one message of type MsgType on the open connection (a login carries Password);
  /// false when not connected or not sent. Raises no event.
  bool SendTCPMsg(qint32 MsgType, const QString& Password = QString());

  /// Takes Host, Port and Password from the host's bag (defaults when missing). Raises no event.
  void ReadProperties(const zam::PropertyBag& bag);
  /// Stores Host, Port and Password in the host's bag. Raises no event.
  void WriteProperties(zam::PropertyBag& bag) const;

 signals:
  /// One progress or error text of a get or set, never empty.
  void Message(const QString& Msg);
  /// A persisted property was set; the host saves its property bag later.
  void PropertyChanged(const QString& Name);

 private:
  class Private;
  std::unique_ptr<Private> d;
};

}  // namespace Corvel_Project

#endif  // CORVEL_COMBOBLOCK_H
