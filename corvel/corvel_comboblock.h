#pragma once
// The ComboBlock control: reads and writes a unit's settings block over a
// TCP connection of its own (ping, connect, log in, one exchange, close).
#include "corvel_global.h"

#include <QHash>
#include <QObject>
#include <QString>

#include "comboblock.h"
#include "propertybag.h"
#include "zamtcp.h"

class QTcpSocket;

namespace Corvel_Project {

class CORVEL_EXPORT ComboBlock : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Connected READ Connected)
  Q_PROPERTY(QString Host READ Host WRITE SetHost)
  Q_PROPERTY(QString Password READ Password WRITE SetPassword)
  Q_PROPERTY(qint32 Port READ Port WRITE SetPort)

 public:
  static constexpr qint32 kDefaultPort = 1024;
  static constexpr int kPingTries = 5;
  static constexpr int kConnectTimeoutMs = 5000;
  static constexpr int kLoginTimeoutMs = 5000;
  static constexpr int kGetTimeoutMs = 10000;
  static constexpr int kSetTimeoutMs = 5000;

  explicit ComboBlock(QObject* parent = nullptr);
  ~ComboBlock() override;

  // The logged-in flag: true from a login until the control closes the socket.
  bool Connected() const { return loggedIn_; }

  QString Host() const { return host_; }
  void SetHost(const QString& host);
  QString Password() const { return password_; }
  void SetPassword(const QString& password);
  qint32 Port() const { return port_; }
  void SetPort(qint32 port);

  // Reads the unit's block into ComboBlock and keeps it for SetComboBlock.
  bool GetComboBlock(zam::COMBO_BLOCK& ComboBlock);
  bool GetComboBlock(zam::COMBO_BLOCK& ComboBlock, QString& MsgReturn);
  // Packs ComboBlock into the block kept from the last GetComboBlock and
  // sends it back.
  bool SetComboBlock(const zam::COMBO_BLOCK& ComboBlock);
  bool SetComboBlock(const zam::COMBO_BLOCK& ComboBlock, QString& MsgReturn);
  // Sends one frame (login with client byte 0x02, the packed block, or a bare
  // header); only while connected.
  bool SendTCPMsg(qint32 MsgType, const QString& Password = QString());

  void ReadProperties(const zam::PropertyBag& bag);
  void WriteProperties(zam::PropertyBag& bag) const;

 signals:
  // One progress or error text, never empty.
  void Message(const QString& Msg);
  // A persisted property was set; the host saves the bag later.
  void PropertyChanged(const QString& Name);

 private:
  bool PingPhase(QString* lastText);
  bool ConnectAndLogIn(QString* message);
  bool WaitForMsgType(qint32 type, int ms);
  void ResetReceive();
  void CloseSocket();
  void OnReadyRead();
  void Say(const QString& text);

  QTcpSocket* wskClient_;
  QString host_;
  QString password_;
  qint32 port_ = kDefaultPort;
  bool loggedIn_ = false;
  zam::FrameAssembler rx_{zam::FrameAssembler::Rule::ComboBlock};
  QHash<qint32, QByteArray> lastFrame_;  // last complete frame of each type
  QByteArray loginReply_;                // the reply of the login in force
  zam::RawComboBlock raw_;               // as received by the last get
  zam::RawComboBlock packed_;            // what SendTCPMsg sends as the block
};

}  // namespace Corvel_Project
