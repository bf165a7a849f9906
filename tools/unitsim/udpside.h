#pragma once
// The unit's discovery service: answers discovery and set-IP datagrams to
// the address and port they came from.
#include "discoverymsg.h"
#include "unit.h"

#include <QObject>
#include <QUdpSocket>

namespace unitsim {

class UdpSide : public QObject {
  Q_OBJECT
 public:
  // listenPort: what the discovery reply reports as the unit's listen port.
  UdpSide(Unit& unit, quint16 listenPort, QObject* parent = nullptr);
  bool Start(QString* error);
  quint16 port() const { return socket_.localPort(); }

 private:
  void OnReadyRead();
  void Handle(const QByteArray& datagram, const QHostAddress& from, quint16 fromPort);
  void Reply(const QByteArray& datagram, const QHostAddress& to, quint16 toPort);
  // --discovery-flood: the replies of that many made-up units.
  void Flood(zam::DiscoveryReplyFields f, const QHostAddress& to, quint16 toPort);

  Unit& unit_;
  quint16 listenPort_;
  QUdpSocket socket_;
};

}  // namespace unitsim
