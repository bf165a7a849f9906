#include "corvel_udp.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "eventpump.h"
#include "modNetwork.h"

namespace Corvel_Project {

namespace {
// The list's count travels as a signed 16-bit number; a flood of distinct
// replies must not wrap it.
constexpr qsizetype kMaxUnits = 32767;
}  // namespace

UDP::UDP(QObject* parent)
    : QObject(parent), wskClient_(new QUdpSocket(this)), broadcastRx_(new QUdpSocket(this)) {
  connect(wskClient_, &QUdpSocket::readyRead, this, [this] { OnReadyRead(wskClient_); });
  connect(broadcastRx_, &QUdpSocket::readyRead, this, [this] { OnReadyRead(broadcastRx_); });
}

UDP::~UDP() = default;

void UDP::SetUnitIDFilter(const QString& filter) {
  unitIdFilter_ = filter;
  emit PropertyChanged(QStringLiteral("UnitIDFilter"));
}

void UDP::SetRemotePort(qint32 port) {
  remotePort_ = port;
  emit PropertyChanged(QStringLiteral("RemotePort"));
}

void UDP::ReadProperties(const zam::PropertyBag& bag) {
  remotePort_ = bag.ReadProperty(QStringLiteral("RemotePort"), kDefaultRemotePort).toInt();
  unitIdFilter_ =
      bag.ReadProperty(QStringLiteral("UnitIDFilter"), kDefaultUnitIDFilter).toString();
}

void UDP::WriteProperties(zam::PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("RemotePort"), remotePort_, kDefaultRemotePort);
  bag.WriteProperty(QStringLiteral("UnitIDFilter"), unitIdFilter_, kDefaultUnitIDFilter);
}

QStringList UDP::LocalAddresses() const {
  return GetLocalIPList(QStringLiteral(";")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

void UDP::CloseSocket() {
  wskClient_->close();
  broadcastRx_->close();
}

void UDP::BindTo(const QString& localAddress) {
  wskClient_->close();
  // Another program's socket on 8090 does not stop us; a failed bind leaves
  // the socket to bind itself to any port on the first send.
  wskClient_->bind(QHostAddress(localAddress), kLocalPort,
                   QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void UDP::SendUdpRequest(zam::DiscoveryMsgType type) {
  if (remotePort_ <= 0 || remotePort_ > 0xFFFF) return;
  QByteArray datagram;
  if (type == zam::SET_IP_REQUEST) {
    if (working_.CtrlPort_Tx == 0) working_.CtrlPort_Tx = wskClient_->localPort();
    datagram = zam::BuildSetIpRequest(working_, static_cast<quint16>(working_.CtrlPort_Tx));
  } else {
    datagram = zam::BuildDiscoveryRequest();
  }
  wskClient_->writeDatagram(datagram, QHostAddress(QHostAddress::Broadcast),
                            static_cast<quint16>(remotePort_));
}

void UDP::OnReadyRead(QUdpSocket* socket) {
  while (socket->hasPendingDatagrams()) {
    const QNetworkDatagram datagram = socket->receiveDatagram();
    if (zam::IsDiscoveryDatagram(datagram.data())) HandleUdpReply(datagram.data());
  }
}

void UDP::HandleUdpReply(const QByteArray& datagram) {
  const auto type = zam::DatagramType(datagram);
  if (!type) return;
  lastReplyType_ = *type;
  if (*type == zam::DISCOVERY_RESPONSE) {
    const auto info = zam::ParseDiscoveryResponse(datagram);
    if (!info) return;
    if (!unitIdFilter_.isEmpty() &&
        !unitIdFilter_.contains(zam::UnitIDToken(info->UnitIDVal), Qt::CaseSensitive))
      return;
    // A unit answers every request on every local address: list it once.
    for (const auto& unit : units_)
      if (unit.SerialNo == info->SerialNo) return;
    if (units_.size() >= kMaxUnits) return;
    units_.append(*info);
    emit Discovered(static_cast<qint16>(units_.size()));
  } else if (*type == zam::SET_IP_RESPONSE) {
    const auto result = zam::ParseSetIpResponse(datagram);
    if (!result) return;
    const QString text = zam::SetIpResultText(*result);
    if (!text.isEmpty()) working_.Tag = text;
  }
}

bool UDP::WaitForMsgType(qint32 type, int ms) {
  return zam::PumpUntil([this, type] { return lastReplyType_ == type; }, ms);
}

void UDP::ForEachLocalAddress(const std::function<bool()>& series) {
  QStringList locals = LocalAddresses();
  // Without a local address one series goes out from an unbound socket.
  const bool bind = !locals.isEmpty();
  if (!bind) locals << QString();
  // Replies sent by broadcast reach this one; replies sent to a local
  // address reach the socket bound to it, the more specific bind.
  if (bind && broadcastRx_->state() != QAbstractSocket::BoundState)
    broadcastRx_->bind(QHostAddress(QHostAddress::AnyIPv4), kLocalPort,
                       QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
  for (const QString& local : locals) {
    if (bind) BindTo(local);
    state_ = 1;
    if (series()) break;
  }
}

void UDP::Discovery(QList<zam::DISCOVER_UDP_INFO>& UnitList) {
  units_.clear();
  lastReplyType_ = 0;
  ForEachLocalAddress([this] {
    for (int i = 0; i < requestsPerAddress_; ++i) {
      zam::PumpEvents();
      SendUdpRequest(zam::DISCOVERY_REQUEST);
      zam::PumpFor(kRequestGapMs);
    }
    return false;
  });
  UnitList = units_;
  CloseSocket();
  state_ = 0;
}

bool UDP::DiscoverySetIP(zam::DISCOVER_SET_IP_REQ& UnitIP) {
  working_ = UnitIP;
  // Only this unit's answer decides: a Tag left from an earlier call must
  // not confirm a request nobody answered.
  working_.Tag = QVariant();
  lastReplyType_ = 0;
  const auto answered = [this] { return !working_.Tag.toString().isEmpty(); };
  ForEachLocalAddress([this, &answered] {
    for (int i = 0; i < kRequestsPerAddress; ++i) {
      zam::PumpEvents();
      SendUdpRequest(zam::SET_IP_REQUEST);
      if (WaitForMsgType(zam::SET_IP_RESPONSE, kRequestGapMs) || answered()) break;
    }
    return answered();
  });
  const bool ok = working_.Tag.toString().contains(QLatin1String("OK"), Qt::CaseSensitive);
  if (!ok) UnitIP.Tag = working_.Tag.toString();
  CloseSocket();
  state_ = 0;
  return ok;
}

}  // namespace Corvel_Project
