#include <corvel/corvel_udp.h>

#include <functional>

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "discoverymsg.h"
#include "eventpump.h"
#include "modNetwork.h"

namespace Corvel_Project {

namespace {
// The list's count travels as a signed 16-bit number; a flood of distinct
// replies must not wrap it.
constexpr qsizetype kMaxUnits = 32767;
}  // namespace

// Hidden: nested in an exported class, it would be exported with it.
class Q_DECL_HIDDEN UDP::Private {
 public:
  explicit Private(UDP* owner);

  QStringList LocalAddresses() const;
  void BindTo(const QString& localAddress);
  // Runs one request series from each local address in turn (bound to it),
  // or once from an unbound socket when there is none; stops when the series
  // returns true.
  void ForEachLocalAddress(const std::function<bool()>& series);
  void SendUdpRequest(zam::DiscoveryMsgType type);
  void OnReadyRead(QUdpSocket* socket);
  void HandleUdpReply(const QByteArray& datagram);
  bool WaitForMsgType(qint32 type, int ms);
  void CloseSocket();

  UDP* q;
  QUdpSocket* wskClient_;
  // Bound to port 8090 on every address: a socket bound to one local
  // address does not receive datagrams sent to a broadcast address, and a
  // unit on another subnet can only answer that way.
  QUdpSocket* broadcastRx_;
  qint32 remotePort_ = kDefaultRemotePort;
  QString unitIdFilter_ = kDefaultUnitIDFilter;
  quint8 state_ = 0;
  int requestsPerAddress_ = kRequestsPerAddress;
  QList<zam::DISCOVER_UDP_INFO> units_;
  qint32 lastReplyType_ = 0;
  zam::DISCOVER_SET_IP_REQ working_;
};

UDP::Private::Private(UDP* owner)
    : q(owner), wskClient_(new QUdpSocket(owner)), broadcastRx_(new QUdpSocket(owner)) {
  QObject::connect(wskClient_, &QUdpSocket::readyRead, owner, [this] { OnReadyRead(wskClient_); });
  QObject::connect(broadcastRx_, &QUdpSocket::readyRead, owner,
                   [this] { OnReadyRead(broadcastRx_); });
}

UDP::UDP(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

UDP::~UDP() = default;

QString UDP::UnitIDFilter() const { return d->unitIdFilter_; }
qint32 UDP::RemotePort() const { return d->remotePort_; }
quint8 UDP::State() const { return d->state_; }

int UDP::RequestsPerAddress() const { return d->requestsPerAddress_; }

void UDP::SetRequestsPerAddress(int count) { d->requestsPerAddress_ = count < 1 ? 1 : count; }

void UDP::SetUnitIDFilter(const QString& filter) {
  d->unitIdFilter_ = filter;
  emit PropertyChanged(QStringLiteral("UnitIDFilter"));
}

void UDP::SetRemotePort(qint32 port) {
  d->remotePort_ = port;
  emit PropertyChanged(QStringLiteral("RemotePort"));
}

void UDP::ReadProperties(const zam::PropertyBag& bag) {
  d->remotePort_ = bag.ReadProperty(QStringLiteral("RemotePort"), kDefaultRemotePort).toInt();
  d->unitIdFilter_ =
      bag.ReadProperty(QStringLiteral("UnitIDFilter"), kDefaultUnitIDFilter).toString();
}

void UDP::WriteProperties(zam::PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("RemotePort"), d->remotePort_, kDefaultRemotePort);
  bag.WriteProperty(QStringLiteral("UnitIDFilter"), d->unitIdFilter_, kDefaultUnitIDFilter);
}

QStringList UDP::Private::LocalAddresses() const {
  return GetLocalIPList(QStringLiteral(";")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

void UDP::Private::CloseSocket() {
  wskClient_->close();
  broadcastRx_->close();
}

void UDP::Private::BindTo(const QString& localAddress) {
  wskClient_->close();
  // Another program's socket on 8090 does not stop us; a failed bind leaves
  // the socket to bind itself to any port on the first send.
  wskClient_->bind(QHostAddress(localAddress), kLocalPort,
                   QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void UDP::Private::SendUdpRequest(zam::DiscoveryMsgType type) {
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

void UDP::Private::OnReadyRead(QUdpSocket* socket) {
  while (socket->hasPendingDatagrams()) {
    const QNetworkDatagram datagram = socket->receiveDatagram();
    if (zam::IsDiscoveryDatagram(datagram.data())) HandleUdpReply(datagram.data());
  }
}

void UDP::Private::HandleUdpReply(const QByteArray& datagram) {
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
    emit q->Discovered(static_cast<qint16>(units_.size()));
  } else if (*type == zam::SET_IP_RESPONSE) {
    const auto result = zam::ParseSetIpResponse(datagram);
    if (!result) return;
    const QString text = zam::SetIpResultText(*result);
    if (!text.isEmpty()) working_.Tag = text;
  }
}

bool UDP::Private::WaitForMsgType(qint32 type, int ms) {
  return zam::PumpUntil([this, type] { return lastReplyType_ == type; }, ms);
}

void UDP::Private::ForEachLocalAddress(const std::function<bool()>& series) {
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
  d->units_.clear();
  d->lastReplyType_ = 0;
  d->ForEachLocalAddress([this] {
    for (int i = 0; i < d->requestsPerAddress_; ++i) {
      zam::PumpEvents();
      d->SendUdpRequest(zam::DISCOVERY_REQUEST);
      zam::PumpFor(kRequestGapMs);
    }
    return false;
  });
  UnitList = d->units_;
  d->CloseSocket();
  d->state_ = 0;
}

bool UDP::DiscoverySetIP(zam::DISCOVER_SET_IP_REQ& UnitIP) {
  d->working_ = UnitIP;
  // Only this unit's answer decides: a Tag left from an earlier call must
  // not confirm a request nobody answered.
  d->working_.Tag = QVariant();
  d->lastReplyType_ = 0;
  const auto answered = [this] { return !d->working_.Tag.toString().isEmpty(); };
  d->ForEachLocalAddress([this, &answered] {
    for (int i = 0; i < kRequestsPerAddress; ++i) {
      zam::PumpEvents();
      d->SendUdpRequest(zam::SET_IP_REQUEST);
      if (d->WaitForMsgType(zam::SET_IP_RESPONSE, kRequestGapMs) || answered()) break;
    }
    return answered();
  });
  const bool ok = d->working_.Tag.toString().contains(QLatin1String("OK"), Qt::CaseSensitive);
  if (!ok) UnitIP.Tag = d->working_.Tag.toString();
  d->CloseSocket();
  d->state_ = 0;
  return ok;
}

}  // namespace Corvel_Project
