#pragma once
// One ICMP echo to a unit, as a status text; shared by Kaymor and Corvel.
#include <QByteArray>
#include <QString>

namespace zam {

constexpr qint32 kPingBadFormat = -1;
constexpr qint32 kPingSuccess = 0;
constexpr qint32 kPingTimedOut = 11010;
constexpr qint32 kPingHostUnreachable = 11003;
constexpr qint32 kPingNetUnreachable = 11002;
constexpr qint32 kPingGeneralFailure = 11050;

// How long one echo waits for its reply.
constexpr int kPingTimeoutMs = 500;

// The result when neither ICMP socket kind may be opened (README: ping_group_range).
inline constexpr char kPingNoIcmpSocketText[] =
    "ICMP sockets are not permitted for this user: "
    "add its group to net.ipv4.ping_group_range";

// "0   [ IP Success ]": the code, three blanks, "[ ", the table text, " ]".
QString GetPingStatusText(qint32 status);

// Pings once (500 ms) and gives the status text. A host name in address is
// replaced by its dotted address. When no ICMP socket can be opened the
// text says so (see README: net.ipv4.ping_group_range).
QString PingAddress(QString& address);

// Which socket an echo goes through: PingAddress tries a datagram socket
// first and falls back to a raw one.
enum class IcmpSocketKind { Auto, Datagram, Raw };
QString PingAddressWith(QString& address, IcmpSocketKind kind);

QString ResolveHostName(const QString& hostName);  // first IPv4 address or ""
QString AddressToText(const QByteArray& fourBytes); // "a.b.c.d"
bool IsHostName(const QString& address);            // first part not numeric
// inet_addr rules: dotted decimal (and the classic short forms); nullopt-like
// false for anything else, including 255.255.255.255 (the no-address value).
bool ParseInetAddr(const QString& address, quint32* hostOrder);

}  // namespace zam
