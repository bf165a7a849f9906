#pragma once
// The UDP control: finds the units on the LAN by broadcast and sends one of
// them new IP settings.
#include "corvel_global.h"

#include <functional>

#include <QList>
#include <QObject>
#include <QString>

#include "discoverymsg.h"
#include "propertybag.h"

class QUdpSocket;

namespace Corvel_Project {

class CORVEL_EXPORT UDP : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString UnitIDFilter READ UnitIDFilter WRITE SetUnitIDFilter)
  Q_PROPERTY(qint32 RemotePort READ RemotePort WRITE SetRemotePort)
  Q_PROPERTY(quint8 State READ State)

 public:
  static constexpr qint32 kDefaultRemotePort = 8092;
  static constexpr quint16 kLocalPort = 8090;
  static constexpr int kRequestsPerAddress = 5;
  static constexpr int kRequestGapMs = 1000;
  static inline const QString kDefaultUnitIDFilter = QStringLiteral("0x80;0x81;0x82;0x83");

  explicit UDP(QObject* parent = nullptr);
  ~UDP() override;

  // One discovery: five requests a second apart from each local address;
  // UnitList receives every unit that answered, each serial number once.
  void Discovery(QList<zam::DISCOVER_UDP_INFO>& UnitList);
  // Sends UnitIP's settings to the unit with its MACAddress; true when the
  // unit confirmed. Otherwise UnitIP.Tag holds the unit's reply text, empty
  // when no unit answered.
  bool DiscoverySetIP(zam::DISCOVER_SET_IP_REQ& UnitIP);

  QString UnitIDFilter() const { return unitIdFilter_; }
  void SetUnitIDFilter(const QString& filter);
  qint32 RemotePort() const { return remotePort_; }
  void SetRemotePort(qint32 port);
  quint8 State() const { return state_; }
  // Discovery requests sent from each local address, a second apart
  // (kRequestsPerAddress unless set; at least 1).
  int RequestsPerAddress() const { return requestsPerAddress_; }
  void SetRequestsPerAddress(int count) { requestsPerAddress_ = count < 1 ? 1 : count; }

  void ReadProperties(const zam::PropertyBag& bag);
  void WriteProperties(zam::PropertyBag& bag) const;

 signals:
  void Discovered(qint16 UnitCount);
  // A persisted property was set; the host saves the bag later.
  void PropertyChanged(const QString& Name);

 private:
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

}  // namespace Corvel_Project
