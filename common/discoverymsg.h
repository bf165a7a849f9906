#pragma once
// UDP discovery and set-IP datagrams: FF FF CC CC, 16-bit type, body.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

#include "zamrecords.h"

namespace zam {

enum DiscoveryMsgType : quint16 {
  DISCOVERY_REQUEST = 0x0100,
  DISCOVERY_RESPONSE = 0x0164,
  SET_IP_REQUEST = 0x0102,
  SET_IP_RESPONSE = 0x0166,
};

QString UnitIDText(quint8 id);      // 0x80 "ZAM1" ... else ""
QString StreamModeText(quint8 m);   // 0 "Disable" ... else ""

QByteArray BuildDiscoveryRequest();  // FF FF CC CC 01 00

// FF FF CC CC and byte 4 = 0x01: a datagram of this protocol.
bool IsDiscoveryDatagram(const QByteArray& d);
// Bytes 4-5 (nullopt when shorter than 6).
std::optional<quint16> DatagramType(const QByteArray& d);

// "0x8A" for 0x8A: the token the unit type filter is searched for.
QString UnitIDToken(quint8 id);
// Serial number from byte 31 on (up to the first 00 or the end), trimmed.
QString DiscoverySerialNo(const QByteArray& d);
// A whole discovery reply by the length rules; nullopt for a datagram too
// short to hold the serial number (under 31 bytes) or not a reply.
std::optional<DISCOVER_UDP_INFO> ParseDiscoveryResponse(const QByteArray& d);

// 33-byte set-IP request. ctrlPortTxFallback is sent when req.CtrlPort_Tx
// is 0. A MAC group or address part that does not convert is sent as 0; the
// ports go out as their low 16 bits.
QByteArray BuildSetIpRequest(const DISCOVER_SET_IP_REQ& req, quint16 ctrlPortTxFallback);
// Result byte 6 of a SET_IP_RESPONSE (nullopt when too short).
std::optional<quint8> ParseSetIpResponse(const QByteArray& d);
// "0 - Set OK", "1 - Invalid Password"; empty for other results (Tag unchanged).
QString SetIpResultText(quint8 result);

// Unit side (simulator).
struct DiscoveryReplyFields {
  quint8 unitId = 0x81;
  quint8 ip[4] = {127, 0, 0, 1};
  QByteArray modelName;   // up to 20 bytes
  QByteArray serialNo;    // up to 32 bytes
  QByteArray mac = QByteArray(6, '\0');
  quint8 streamMode = 0;
  quint8 versionMajor = 1, versionMinor = 40;
  char versionSuffix = 'b';
  qint32 listenPort = 1024;
};
// length: 63, 70, 73 or 77 (or more: zero-padded); other lengths are cut or padded.
QByteArray BuildDiscoveryResponse(const DiscoveryReplyFields& f, int length = 77);

struct SetIpRequestFields {
  QByteArray mac;  // 6 bytes
  qint32 passwordCode = 0;
  quint8 dhcp = 0;
  quint8 ip[4] = {}, mask[4] = {}, gateway[4] = {};
  quint16 ctrlPortRx = 0, ctrlPortTx = 0;
};
std::optional<SetIpRequestFields> ParseSetIpRequest(const QByteArray& d);
QByteArray BuildSetIpResponse(quint8 result);  // 7 bytes

}  // namespace zam
