#include "udpside.h"

#include "discoverymsg.h"

#include <QNetworkDatagram>
#include <QTimer>

#include <algorithm>

namespace unitsim {

namespace {

const char* TypeName(quint16 type) {
  switch (type) {
    case zam::DISCOVERY_REQUEST: return "DISCOVERY_REQUEST";
    case zam::DISCOVERY_RESPONSE: return "DISCOVERY_RESPONSE";
    case zam::SET_IP_REQUEST: return "SET_IP_REQUEST";
    case zam::SET_IP_RESPONSE: return "SET_IP_RESPONSE";
    default: return "";
  }
}

QString Endpoint(const QHostAddress& address, quint16 port) {
  return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

}  // namespace

UdpSide::UdpSide(Unit& unit, quint16 listenPort, QObject* parent)
    : QObject(parent), unit_(unit), listenPort_(listenPort) {
  connect(&socket_, &QUdpSocket::readyRead, this, &UdpSide::OnReadyRead);
}

bool UdpSide::Start(QString* error) {
  const Options& o = unit_.options();
  if (!socket_.bind(o.udpAddress, o.udpPort)) {
    *error = QStringLiteral("cannot bind UDP %1:%2: %3")
                 .arg(o.udpAddress.toString())
                 .arg(o.udpPort)
                 .arg(socket_.errorString());
    return false;
  }
  return true;
}

void UdpSide::OnReadyRead() {
  while (socket_.hasPendingDatagrams()) {
    const QNetworkDatagram d = socket_.receiveDatagram();
    if (d.isValid()) Handle(d.data(), d.senderAddress(), quint16(d.senderPort()));
  }
}

void UdpSide::Handle(const QByteArray& datagram, const QHostAddress& from, quint16 fromPort) {
  const Options& o = unit_.options();
  LogFields fields{{"from", Endpoint(from, fromPort)}};
  if (!zam::IsDiscoveryDatagram(datagram)) {
    unit_.log().Rx("udp", datagram, fields + LogFields{{"ignored", "not discovery"}});
    return;
  }
  const quint16 type = zam::DatagramType(datagram).value_or(0);
  fields.append(LogField("type", HexCode(type, 4)));
  fields.append(LogField("name", QString::fromLatin1(TypeName(type))));
  const bool silent = o.silentUdp.contains(type);
  if (silent) fields.append(LogField("silent", true));

  if (type == zam::DISCOVERY_REQUEST) {
    unit_.log().Rx("udp", datagram, fields);
    if (silent) return;
    zam::DiscoveryReplyFields f;
    f.unitId = o.unitClass;
    const NetworkSettings& n = unit_.network();
    std::copy(n.ip.begin(), n.ip.end(), f.ip);
    f.modelName = o.modelName;
    f.serialNo = o.serialNo;
    f.mac = o.mac;
    f.streamMode = o.streamMode;
    f.versionMajor = o.versionMajor;
    f.versionMinor = o.versionMinor;
    f.listenPort = listenPort_;
    Reply(zam::BuildDiscoveryResponse(f, o.discoveryLength), from, fromPort);
    return;
  }

  if (type == zam::SET_IP_REQUEST) {
    const auto request = zam::ParseSetIpRequest(datagram);
    if (!request) {
      unit_.log().Rx("udp", datagram, fields + LogFields{{"ignored", "short"}});
      return;
    }
    // Addressed by MAC: another unit's request is none of our business.
    if (request->mac != o.mac) {
      unit_.log().Rx("udp", datagram, fields + LogFields{{"ignored", "other unit"}});
      return;
    }
    const bool ok = unit_.PasswordMatches(request->passwordCode);
    fields.append(LogField("code", int(request->passwordCode)));
    fields.append(LogField("result", ok ? 0 : 1));
    unit_.log().Rx("udp", datagram, fields);
    if (ok) {
      NetworkSettings n = unit_.network();
      n.dhcpMode = request->dhcp;
      std::copy_n(request->ip, 4, n.ip.begin());
      std::copy_n(request->mask, 4, n.mask.begin());
      std::copy_n(request->gateway, 4, n.gateway.begin());
      unit_.SetNetwork(n, "udp");
    }
    if (!silent) Reply(zam::BuildSetIpResponse(ok ? 0 : 1), from, fromPort);
    return;
  }

  unit_.log().Rx("udp", datagram, fields + LogFields{{"ignored", "unknown type"}});
}

void UdpSide::Reply(const QByteArray& datagram, const QHostAddress& sender, quint16 toPort) {
  // A unit with no route back to the sender answers by broadcast.
  const QHostAddress to = unit_.options().replyBroadcast.isNull() ? sender : unit_.options().replyBroadcast;
  const auto send = [this, datagram, to, toPort] {
    unit_.log().Tx("udp", datagram, {{"to", Endpoint(to, toPort)}});
    socket_.writeDatagram(datagram, to, toPort);
  };
  const int delay = unit_.options().delayMs;
  if (delay <= 0) send();
  else QTimer::singleShot(delay, this, send);
}

}  // namespace unitsim
