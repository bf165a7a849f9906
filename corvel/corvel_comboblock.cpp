#include "corvel_comboblock.h"

#include <QTcpSocket>

#include "PingIP.h"
#include "eventpump.h"

namespace Corvel_Project {

ComboBlock::ComboBlock(QObject* parent) : QObject(parent), wskClient_(new QTcpSocket(this)) {
  connect(wskClient_, &QTcpSocket::readyRead, this, &ComboBlock::OnReadyRead);
}

ComboBlock::~ComboBlock() = default;

void ComboBlock::SetHost(const QString& host) {
  host_ = host;
  emit PropertyChanged(QStringLiteral("Host"));
}

void ComboBlock::SetPassword(const QString& password) {
  password_ = password;
  emit PropertyChanged(QStringLiteral("Password"));
}

void ComboBlock::SetPort(qint32 port) {
  port_ = port;
  emit PropertyChanged(QStringLiteral("Port"));
}

void ComboBlock::ReadProperties(const zam::PropertyBag& bag) {
  host_ = bag.ReadProperty(QStringLiteral("Host"), QString()).toString();
  port_ = bag.ReadProperty(QStringLiteral("Port"), kDefaultPort).toInt();
  password_ = bag.ReadProperty(QStringLiteral("Password"), QString()).toString();
}

void ComboBlock::WriteProperties(zam::PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("Host"), host_, QString());
  bag.WriteProperty(QStringLiteral("Port"), port_, kDefaultPort);
  bag.WriteProperty(QStringLiteral("Password"), password_, QString());
}

void ComboBlock::Say(const QString& text) {
  if (!text.isEmpty()) emit Message(text);
}

void ComboBlock::ResetReceive() {
  rx_.Reset();
  lastFrame_.clear();
}

void ComboBlock::CloseSocket() {
  wskClient_->close();
  if (wskClient_->state() != QAbstractSocket::UnconnectedState) wskClient_->abort();
}

void ComboBlock::OnReadyRead() {
  const QList<QByteArray> frames = rx_.Feed(wskClient_->readAll());
  for (const QByteArray& frame : frames)
    if (const auto type = zam::FrameType(frame)) lastFrame_[*type] = frame;
}

bool ComboBlock::WaitForMsgType(qint32 type, int ms) {
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

bool ComboBlock::PingPhase(QString* lastText) {
  for (int i = 0; i < kPingTries; ++i) {
    Say(QStringLiteral("Pinging ") + host_);
    *lastText = zam::PingAddress(host_);
    Say(QStringLiteral("Pinged: ") + *lastText);
    if (lastText->contains(QLatin1String("IP Success"))) return true;
    zam::PumpFor(1000);
  }
  return false;
}

bool ComboBlock::ConnectAndLogIn(QString* message) {
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
  raw_ = zam::RawComboBlock();
  block.Alarms.AlarmLatch = zam::Invalid;

  QString text;
  if (!PingPhase(&text)) {
    MsgReturn = text;
    return false;
  }
  Say(QStringLiteral("Connecting to ") + host_);
  loggedIn_ = ConnectAndLogIn(&text);
  Say(text);
  if (!loggedIn_) {
    MsgReturn = text;
    CloseSocket();
    loggedIn_ = false;
    Say(QStringLiteral("Winsock closed"));
    return false;
  }

  Say(QStringLiteral("Connected to ") + host_);
  Say(QStringLiteral("Sending ZAM_COMBO_BLOCK_REQUEST request"));
  const bool sent = SendTCPMsg(zam::ZAM_COMBO_BLOCK_REQUEST);
  Say(QStringLiteral("ZAM_COMBO_BLOCK_REQUEST sent"));
  // Not sent or not answered: the connection and the login stay for the next try.
  if (!sent) return false;
  Say(QStringLiteral("Waiting for ZAM_COMBO_BLOCK_REQUEST_RESPONSE"));
  if (!WaitForMsgType(zam::ZAM_COMBO_BLOCK_REQUEST_RESPONSE, kGetTimeoutMs)) return false;

  Say(QStringLiteral("Got the ZAM_COMBO_BLOCK_REQUEST_RESPONSE"));
  CloseSocket();
  loggedIn_ = false;
  Say(QStringLiteral("Winsock closed"));
  Say(QStringLiteral("Extracting the combo block..."));
  const auto split =
      zam::SplitComboResponse(lastFrame_.value(zam::ZAM_COMBO_BLOCK_REQUEST_RESPONSE));
  if (split) {
    raw_ = *split;
    block = zam::UnpackComboBlock(raw_);
  } else {
    // A reply that cannot hold the block it announces gives nothing to keep.
    block = zam::COMBO_BLOCK();
  }
  Say(QStringLiteral("The combo block extracted"));
  return !block.DateTime.Value.isEmpty();
}

bool ComboBlock::SetComboBlock(const zam::COMBO_BLOCK& ComboBlock) {
  QString ignored;
  return SetComboBlock(ComboBlock, ignored);
}

bool ComboBlock::SetComboBlock(const zam::COMBO_BLOCK& block, QString& MsgReturn) {
  QString text;  // the last ping text, then the login message
  if (!PingPhase(&text)) {
    MsgReturn = QStringLiteral("Failed to ping to ") + host_;
    Say(QStringLiteral("Failed to ping to ") + host_ + QStringLiteral("; ") + text);
    return false;
  }

  Say(QStringLiteral("Packing to the Combo Block Data..."));
  // Packed from the block as received, so that a second set does not grow it twice.
  packed_ = raw_;
  const bool packed = !raw_.data.isEmpty() && zam::PackComboBlock(block, packed_);
  if (packed) {
    Say(QStringLiteral("Connecting to ") + host_);
    loggedIn_ = ConnectAndLogIn(&text);
    Say(text);
  } else {
    packed_ = zam::RawComboBlock();
    Say(QStringLiteral("Packing to the Combo Block Data failed."));
  }

  // Nothing goes out unpacked, even on a connection kept logged in.
  if (packed && loggedIn_) {
    Say(QStringLiteral("Connected to ") + host_);
    const bool sent = SendTCPMsg(zam::ZAM_COMBO_BLOCK_SEND);
    Say(QStringLiteral("ZAM_COMBO_BLOCK_SEND sent ") +
        (sent ? QStringLiteral("True") : QStringLiteral("False")));
    if (!sent) return false;
    Say(QStringLiteral("Waiting for ZAM_COMBO_BLOCK_SEND_RESPONSE"));
    if (!WaitForMsgType(zam::ZAM_COMBO_BLOCK_SEND_RESPONSE, kSetTimeoutMs)) return false;
    Say(QStringLiteral("Got the ZAM_COMBO_BLOCK_SEND_RESPONSE"));
    CloseSocket();
    loggedIn_ = false;
    Say(QStringLiteral("Winsock closed"));
    return true;
  }

  MsgReturn = text;
  CloseSocket();
  loggedIn_ = false;
  Say(QStringLiteral("Winsock closed"));
  return false;
}

}  // namespace Corvel_Project
