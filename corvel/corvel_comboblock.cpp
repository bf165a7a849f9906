#include <corvel/corvel_comboblock.h>

#include <QHash>

#include <QTcpSocket>

#include "PingIP.h"
#include "comboblock.h"
#include "eventpump.h"
#include "zamtcp.h"

namespace Corvel_Project {

// Hidden: nested in an exported class, it would be exported with it.
class Q_DECL_HIDDEN ComboBlock::Private {
 public:
  explicit Private(ComboBlock* owner);

  bool SendTCPMsg(qint32 MsgType, const QString& Password = QString());
  bool PingPhase(QString* lastText);
  bool ConnectAndLogIn(QString* message);
  bool WaitForMsgType(qint32 type, int ms);
  void ResetReceive();
  void CloseSocket();
  void OnReadyRead();
  void Say(const QString& text);

  ComboBlock* q;
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

ComboBlock::Private::Private(ComboBlock* owner) : q(owner), wskClient_(new QTcpSocket(owner)) {
  QObject::connect(wskClient_, &QTcpSocket::readyRead, owner, [this] { OnReadyRead(); });
}

ComboBlock::ComboBlock(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

ComboBlock::~ComboBlock() = default;

bool ComboBlock::Connected() const { return d->loggedIn_; }
QString ComboBlock::Host() const { return d->host_; }
QString ComboBlock::Password() const { return d->password_; }
qint32 ComboBlock::Port() const { return d->port_; }


void ComboBlock::SetHost(const QString& host) {
  d->host_ = host;
  emit PropertyChanged(QStringLiteral("Host"));
}

void ComboBlock::SetPassword(const QString& password) {
  d->password_ = password;
  emit PropertyChanged(QStringLiteral("Password"));
}

void ComboBlock::SetPort(qint32 port) {
  d->port_ = port;
  emit PropertyChanged(QStringLiteral("Port"));
}

void ComboBlock::ReadProperties(const zam::PropertyBag& bag) {
  d->host_ = bag.ReadProperty(QStringLiteral("Host"), QString()).toString();
  d->port_ = bag.ReadProperty(QStringLiteral("Port"), kDefaultPort).toInt();
  d->password_ = bag.ReadProperty(QStringLiteral("Password"), QString()).toString();
}

void ComboBlock::WriteProperties(zam::PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("Host"), d->host_, QString());
  bag.WriteProperty(QStringLiteral("Port"), d->port_, kDefaultPort);
  bag.WriteProperty(QStringLiteral("Password"), d->password_, QString());
}

void ComboBlock::Private::Say(const QString& text) {
  if (!text.isEmpty()) emit q->Message(text);
}

void ComboBlock::Private::ResetReceive() {
  rx_.Reset();
  lastFrame_.clear();
}

void ComboBlock::Private::CloseSocket() {
  wskClient_->close();
  if (wskClient_->state() != QAbstractSocket::UnconnectedState) wskClient_->abort();
}

void ComboBlock::Private::OnReadyRead() {
  const QList<QByteArray> frames = rx_.Feed(wskClient_->readAll());
  for (const QByteArray& frame : frames)
    if (const auto type = zam::FrameType(frame)) lastFrame_[*type] = frame;
}

bool ComboBlock::Private::WaitForMsgType(qint32 type, int ms) {
  // Nothing more can arrive once the unit has closed the connection.
  // Every frame completed since the request counts, not only the last one
  // of a read: a reply may share its read with a frame behind it.
  return zam::PumpUntil(
      [this, type] {
        return lastFrame_.contains(type) ||
               wskClient_->state() == QAbstractSocket::UnconnectedState;
      },
      ms) &&
         lastFrame_.contains(type);
}

bool ComboBlock::SendTCPMsg(qint32 MsgType, const QString& Password) {
  return d->SendTCPMsg(MsgType, Password);
}

bool ComboBlock::Private::SendTCPMsg(qint32 MsgType, const QString& Password) {
  QByteArray frame;
  if (MsgType == zam::ZAM_CONNECTION_REQUEST)
    frame = zam::BuildConnectionRequest(zam::kClientComboBlock, Password);
  else if (MsgType == zam::ZAM_COMBO_BLOCK_SEND)
    frame = zam::BuildComboBlockSend(packed_);
  else
    frame = zam::BuildFrame(MsgType);
  if (frame.isEmpty()) return false;
  if (wskClient_->state() != QAbstractSocket::ConnectedState) return false;
  ResetReceive();
  return wskClient_->write(frame) == frame.size();
}

bool ComboBlock::Private::PingPhase(QString* lastText) {
  for (int i = 0; i < kPingTries; ++i) {
    Say(QStringLiteral("Pinging ") + host_);
    *lastText = zam::PingAddress(host_);
    Say(QStringLiteral("Pinged: ") + *lastText);
    if (lastText->contains(QLatin1String("IP Success"))) return true;
    zam::PumpFor(1000);
  }
  return false;
}

bool ComboBlock::Private::ConnectAndLogIn(QString* message) {
  message->clear();
  if (wskClient_->state() != QAbstractSocket::ConnectedState) {
    CloseSocket();
    // A new connection has to log in again, whatever the last one did.
    loggedIn_ = false;
    loginReply_.clear();
    if (port_ <= 0 || port_ > 0xFFFF) return false;
    wskClient_->connectToHost(host_, static_cast<quint16>(port_));
    const bool settled = zam::PumpUntil(
        [this] {
          const auto s = wskClient_->state();
          return s == QAbstractSocket::ConnectedState || s == QAbstractSocket::UnconnectedState;
        },
        kConnectTimeoutMs);
    if (!settled) return false;
  }
  if (!loggedIn_) {
    if (!SendTCPMsg(zam::ZAM_CONNECTION_REQUEST, password_)) return false;
    if (!WaitForMsgType(zam::ZAM_CONNECTION_RESPONSE, kLoginTimeoutMs)) return false;
    loginReply_ = lastFrame_.value(zam::ZAM_CONNECTION_RESPONSE);
  }
  // On a connection kept from an earlier operation this is that login's reply.
  const auto reply = zam::ParseLoginReply(loginReply_);
  if (!reply || !zam::IsKeyboardUnitClass(reply->unitClass)) {
    *message = QStringLiteral("The unit is not ZAM");
    return false;
  }
  if (reply->result == 0) {
    *message = QStringLiteral("Connection was rejected");
    return false;
  }
  if (reply->result == 2) {
    *message = QStringLiteral("Invalid password");
    return false;
  }
  return true;
}

bool ComboBlock::GetComboBlock(zam::COMBO_BLOCK& ComboBlock) {
  QString ignored;
  return GetComboBlock(ComboBlock, ignored);
}

bool ComboBlock::GetComboBlock(zam::COMBO_BLOCK& block, QString& MsgReturn) {
  d->raw_ = zam::RawComboBlock();
  block.Alarms.AlarmLatch = zam::Invalid;

  QString text;
  if (!d->PingPhase(&text)) {
    MsgReturn = text;
    return false;
  }
  d->Say(QStringLiteral("Connecting to ") + d->host_);
  d->loggedIn_ = d->ConnectAndLogIn(&text);
  d->Say(text);
  if (!d->loggedIn_) {
    MsgReturn = text;
    d->CloseSocket();
    d->loggedIn_ = false;
    d->Say(QStringLiteral("Winsock closed"));
    return false;
  }

  d->Say(QStringLiteral("Connected to ") + d->host_);
  d->Say(QStringLiteral("Sending ZAM_COMBO_BLOCK_REQUEST request"));
  const bool sent = d->SendTCPMsg(zam::ZAM_COMBO_BLOCK_REQUEST);
  d->Say(QStringLiteral("ZAM_COMBO_BLOCK_REQUEST sent"));
  // Not sent or not answered: the connection and the login stay for the next try.
  if (!sent) return false;
  d->Say(QStringLiteral("Waiting for ZAM_COMBO_BLOCK_REQUEST_RESPONSE"));
  if (!d->WaitForMsgType(zam::ZAM_COMBO_BLOCK_REQUEST_RESPONSE, kGetTimeoutMs)) return false;

  d->Say(QStringLiteral("Got the ZAM_COMBO_BLOCK_REQUEST_RESPONSE"));
  d->CloseSocket();
  d->loggedIn_ = false;
  d->Say(QStringLiteral("Winsock closed"));
  d->Say(QStringLiteral("Extracting the combo block..."));
  const auto split =
      zam::SplitComboResponse(d->lastFrame_.value(zam::ZAM_COMBO_BLOCK_REQUEST_RESPONSE));
  if (split) {
    d->raw_ = *split;
    block = zam::UnpackComboBlock(d->raw_);
  } else {
    // A reply that cannot hold the block it announces gives nothing to keep.
    block = zam::COMBO_BLOCK();
  }
  d->Say(QStringLiteral("The combo block extracted"));
  return !block.DateTime.Value.isEmpty();
}

bool ComboBlock::SetComboBlock(const zam::COMBO_BLOCK& ComboBlock) {
  QString ignored;
  return SetComboBlock(ComboBlock, ignored);
}

bool ComboBlock::SetComboBlock(const zam::COMBO_BLOCK& block, QString& MsgReturn) {
  QString text;  // the last ping text, then the login message
  if (!d->PingPhase(&text)) {
    MsgReturn = QStringLiteral("Failed to ping to ") + d->host_;
    d->Say(QStringLiteral("Failed to ping to ") + d->host_ + QStringLiteral("; ") + text);
    return false;
  }

  d->Say(QStringLiteral("Packing to the Combo Block Data..."));
  // Packed from the block as received, so that a second set does not grow it twice.
  d->packed_ = d->raw_;
  const bool packed = !d->raw_.data.isEmpty() && zam::PackComboBlock(block, d->packed_);
  if (packed) {
    d->Say(QStringLiteral("Connecting to ") + d->host_);
    d->loggedIn_ = d->ConnectAndLogIn(&text);
    d->Say(text);
  } else {
    d->packed_ = zam::RawComboBlock();
    d->Say(QStringLiteral("Packing to the Combo Block Data failed."));
  }

  // Nothing goes out unpacked, even on a connection kept logged in.
  if (packed && d->loggedIn_) {
    d->Say(QStringLiteral("Connected to ") + d->host_);
    const bool sent = d->SendTCPMsg(zam::ZAM_COMBO_BLOCK_SEND);
    d->Say(QStringLiteral("ZAM_COMBO_BLOCK_SEND sent ") +
        (sent ? QStringLiteral("True") : QStringLiteral("False")));
    if (!sent) return false;
    d->Say(QStringLiteral("Waiting for ZAM_COMBO_BLOCK_SEND_RESPONSE"));
    if (!d->WaitForMsgType(zam::ZAM_COMBO_BLOCK_SEND_RESPONSE, kSetTimeoutMs)) return false;
    d->Say(QStringLiteral("Got the ZAM_COMBO_BLOCK_SEND_RESPONSE"));
    d->CloseSocket();
    d->loggedIn_ = false;
    d->Say(QStringLiteral("Winsock closed"));
    return true;
  }

  MsgReturn = text;
  d->CloseSocket();
  d->loggedIn_ = false;
  d->Say(QStringLiteral("Winsock closed"));
  return false;
}

}  // namespace Corvel_Project
