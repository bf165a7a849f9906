#include "PingIP.h"

#include "eventpump.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStringList>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zam {

QString GetPingStatusText(qint32 status) {
  const char* text = "Unknown message returned";
  switch (status) {
    case -1: text = "IP Bad Format"; break;
    case 0: text = "IP Success"; break;
    case 500: text = "Ping timeout"; break;
    case 11001: text = "IP Buffer too small"; break;
    case 11002: text = "IP Destination Net Unreachable"; break;
    case 11003: text = "IP Destination Host Unreachable"; break;
    case 11004: text = "IP Destination Protocol Unreachable"; break;
    case 11005: text = "IP Destination Port Unreachable"; break;
    case 11006: text = "IP No Resources"; break;
    case 11007: text = "IP Bad Option"; break;
    case 11008: text = "IP Hardware Error"; break;
    case 11009: text = "IP Packet too big"; break;
    case 11010: text = "IP Reqquest timed out"; break;
    case 11011: text = "IP Bad Request"; break;
    case 11012: text = "IP Bad Route"; break;
    case 11013: text = "IP TTL Expired Transit"; break;
    case 11014: text = "IP TTL Expired Reassem"; break;
    case 11015: text = "IP Parameter Problem"; break;
    case 11016: text = "IP Source Quench"; break;
    case 11017: text = "IP Option too big"; break;
    case 11018: text = "IP Bad Destination"; break;
    case 11019: text = "IP Address Deleted"; break;
    case 11020: text = "IP Spec MTU Change"; break;
    case 11021: text = "IP MTU Change"; break;
    case 11022: text = "IP Unload"; break;
    case 11023: text = "IP Address Added"; break;
    case 11050: text = "IP General Failure"; break;
    case 11255: text = "IP Pending"; break;
    default: break;
  }
  return QString::number(status) + QStringLiteral("   [ ") + QLatin1String(text) +
         QStringLiteral(" ]");
}

QString AddressToText(const QByteArray& fourBytes) {
  if (fourBytes.size() < 4) return {};
  QStringList parts;
  for (int i = 0; i < 4; ++i) parts << QString::number(quint8(fourBytes[i]));
  return parts.join(QLatin1Char('.'));
}

QString ResolveHostName(const QString& hostName) {
  // The name ends at a NUL, as a C string would.
  const QByteArray name = hostName.left(hostName.indexOf(QChar(0))).toUtf8();
  if (name.isEmpty()) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || !found) return {};
  QString text;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_family != AF_INET || !a->ai_addr) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    text = AddressToText(QByteArray(reinterpret_cast<const char*>(&sin->sin_addr), 4));
    break;
  }
  freeaddrinfo(found);
  return text;
}

bool IsHostName(const QString& address) {
  // A number in any form the classic numeric conversion takes (blanks, sign,
  // decimals, exponent, &H / &O) is not a name, even when out of byte range.
  static const QRegularExpression numeric(QStringLiteral(
      R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?|&[hH][0-9a-fA-F]+|&[oO][0-7]+)\s*$)"));
  const QString first = address.section(QLatin1Char('.'), 0, 0);
  return !numeric.match(first).hasMatch();
}

bool ParseInetAddr(const QString& address, quint32* hostOrder) {
  const QStringList parts = address.split(QLatin1Char('.'));
  if (parts.size() > 4) return false;
  quint64 values[4] = {};
  for (int i = 0; i < parts.size(); ++i) {
    const QString& p = parts[i];
    if (p.isEmpty()) return false;
    int base = 10;
    qsizetype start = 0;
    if (p.size() > 1 && p[0] == QLatin1Char('0') &&
        (p[1] == QLatin1Char('x') || p[1] == QLatin1Char('X'))) {
      base = 16;
      start = 2;
      if (p.size() == 2) return false;
    } else if (p.size() > 1 && p[0] == QLatin1Char('0')) {
      base = 8;
      start = 1;
    }
    quint64 v = 0;
    for (qsizetype k = start; k < p.size(); ++k) {
      const char16_t c = p[k].unicode();
      int digit = base;
      if (c >= u'0' && c <= u'9') digit = c - u'0';
      else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
      if (digit >= base) return false;
      v = v * base + digit;
      if (v > 0xFFFFFFFFull) return false;
    }
    values[i] = v;
  }
  // The last part fills the bytes the earlier ones leave: a, a.b, a.b.c, a.b.c.d.
  const int n = static_cast<int>(parts.size());
  for (int i = 0; i < n - 1; ++i)
    if (values[i] > 255) return false;
  const quint64 lastMax = n == 1 ? 0xFFFFFFFFull : n == 2 ? 0xFFFFFFull : n == 3 ? 0xFFFFull : 0xFFull;
  if (values[n - 1] > lastMax) return false;
  quint64 result = 0;
  for (int i = 0; i < n - 1; ++i) result |= values[i] << (24 - 8 * i);
  result |= values[n - 1];
  if (result == 0xFFFFFFFFull) return false;
  if (hostOrder) *hostOrder = static_cast<quint32>(result);
  return true;
}

namespace {

quint16 InternetChecksum(const quint8* data, int length) {
  quint32 sum = 0;
  for (int i = 0; i + 1 < length; i += 2) sum += (quint32(data[i]) << 8) | data[i + 1];
  if (length & 1) sum += quint32(data[length - 1]) << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<quint16>(~sum);
}

// Final status of an ICMP error about our echo; -1 for messages that are not
// final (redirects and the like).
qint32 StatusFromIcmpError(int type, int code) {
  switch (type) {
    case ICMP_DEST_UNREACH:
      switch (code) {
        case ICMP_NET_UNREACH: case ICMP_NET_UNKNOWN: case ICMP_NET_ANO:
        case ICMP_NET_UNR_TOS:
          return 11002;
        case ICMP_PROT_UNREACH: return 11004;
        case ICMP_PORT_UNREACH: return 11005;
        case ICMP_FRAG_NEEDED: return 11009;
        case ICMP_SR_FAILED: return 11012;
        default: return 11003;
      }
    case ICMP_TIME_EXCEEDED: return code == ICMP_EXC_FRAGTIME ? 11014 : 11013;
    case ICMP_PARAMETERPROB: return 11015;
    case ICMP_SOURCE_QUENCH: return 11016;
    default: return -1;
  }
}

qint32 StatusFromErrno(int error) {
  switch (error) {
    case ENETUNREACH: return kPingNetUnreachable;
    case EHOSTUNREACH: case EHOSTDOWN: return kPingHostUnreachable;
    case EMSGSIZE: return 11009;
    case ENOBUFS: case ENOMEM: return 11006;
    case EPROTO: return 11015;
    case ETIMEDOUT: return kPingTimedOut;
    case EINVAL: case EADDRNOTAVAIL: case EDESTADDRREQ: return 11018;
    default: return kPingGeneralFailure;
  }
}

std::atomic<quint16> g_sequence{1};

// One echo request on one socket, and the wait for what answers it.
class EchoProbe {
 public:
  EchoProbe(int fd, bool raw, quint32 target)
      : fd_(fd), raw_(raw), target_(htonl(target)),
        id_(static_cast<quint16>(getpid())), seq_(g_sequence.fetch_add(1)) {}

  // Sends the request; false (with the status set) when the send fails.
  bool Send() {
    quint8 packet[8] = {ICMP_ECHO, 0, 0, 0, quint8(id_ >> 8), quint8(id_), quint8(seq_ >> 8),
                        quint8(seq_)};
    const quint16 sum = InternetChecksum(packet, sizeof packet);
    packet[2] = quint8(sum >> 8);
    packet[3] = quint8(sum);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = target_;
    if (sendto(fd_, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
      Finish(StatusFromErrno(errno));
      return false;
    }
    return true;
  }

  // Reads what the socket holds and decides when it answers our request.
  void ReadAvailable() {
    if (done_) return;
    if (!raw_ && ReadErrorQueue()) return;
    quint8 buffer[1500];
    for (;;) {
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) Finish(StatusFromErrno(errno));
        return;
      }
      if (raw_ ? HandleRaw(buffer, int(n)) : HandleDatagram(buffer, int(n), from)) return;
    }
  }

  bool done() const { return done_; }
  qint32 status() const { return status_; }

 private:
  void Finish(qint32 status) {
    done_ = true;
    status_ = status;
  }

  static quint16 Word(const quint8* p) { return quint16((p[0] << 8) | p[1]); }

  // Datagram socket: the kernel rewrote the identifier and hands us only
  // replies to it, so the sequence and sender tell ours from a stale one.
  bool HandleDatagram(const quint8* p, int n, const sockaddr_in& from) {
    if (n < 8 || p[0] != ICMP_ECHOREPLY || Word(p + 6) != seq_) return false;
    if (from.sin_addr.s_addr != target_) return false;
    Finish(kPingSuccess);
    return true;
  }

  // ICMP errors about our datagram socket's echo arrive on its error queue.
  bool ReadErrorQueue() {
    for (;;) {
      quint8 original[64];
      char control[512];
      iovec iov{original, sizeof original};
      msghdr msg{};
      msg.msg_iov = &iov;
      msg.msg_iovlen = 1;
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      const ssize_t n = recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
      if (n < 0) return false;
      // The queued copy starts with our own ICMP header when the kernel keeps it.
      if (n >= 8 && Word(original + 6) != seq_) continue;
      for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
        sock_extended_err err;
        std::memcpy(&err, CMSG_DATA(c), sizeof err);
        const qint32 status = err.ee_origin == SO_EE_ORIGIN_ICMP
                                  ? StatusFromIcmpError(err.ee_type, err.ee_code)
                                  : StatusFromErrno(int(err.ee_errno));
        if (status >= 0) {
          Finish(status);
          return true;
        }
      }
    }
  }

  // Raw socket: every ICMP message of the host arrives, IP header first.
  bool HandleRaw(const quint8* p, int n) {
    if (n < 20) return false;
    const int ihl = (p[0] & 0x0F) * 4;
    if (ihl < 20 || n < ihl + 8) return false;
    quint32 source;
    std::memcpy(&source, p + 12, 4);
    const quint8* icmp = p + ihl;
    const int icmpLength = n - ihl;
    if (icmp[0] == ICMP_ECHOREPLY) {
      if (source != target_ || Word(icmp + 4) != id_ || Word(icmp + 6) != seq_) return false;
      Finish(kPingSuccess);
      return true;
    }
    // An error quotes the IP header and first 8 bytes of the request it is about.
    if (icmpLength < 8 + 20 + 8) return false;
    const quint8* inner = icmp + 8;
    const int innerIhl = (inner[0] & 0x0F) * 4;
    if (innerIhl < 20 || icmpLength < 8 + innerIhl + 8 || inner[9] != IPPROTO_ICMP) return false;
    quint32 innerTarget;
    std::memcpy(&innerTarget, inner + 16, 4);
    const quint8* request = inner + innerIhl;
    if (innerTarget != target_ || request[0] != ICMP_ECHO || Word(request + 4) != id_ ||
        Word(request + 6) != seq_)
      return false;
    const qint32 status = StatusFromIcmpError(icmp[0], icmp[1]);
    if (status < 0) return false;
    Finish(status);
    return true;
  }

  int fd_;
  bool raw_;
  quint32 target_;  // network order
  quint16 id_, seq_;
  bool done_ = false;
  qint32 status_ = kPingTimedOut;
};

int OpenIcmpSocket(IcmpSocketKind kind, bool* raw) {
  int fd = -1;
  if (kind != IcmpSocketKind::Raw) {
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    *raw = false;
  }
  if (fd < 0 && kind != IcmpSocketKind::Datagram) {
    fd = socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    *raw = true;
  }
  if (fd < 0) return -1;
  if (*raw) {
    // Only the messages that can answer an echo wake us.
    icmp_filter filter{~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) |
                         (1u << ICMP_SOURCE_QUENCH) | (1u << ICMP_TIME_EXCEEDED) |
                         (1u << ICMP_PARAMETERPROB))};
    setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
  } else {
    const int on = 1;
    setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
  }
  return fd;
}

}  // namespace

QString PingAddressWith(QString& address, IcmpSocketKind kind) {
  QString target = address;
  if (IsHostName(target)) {
    target = ResolveHostName(target);
    // The caller keeps its name when it does not resolve: a later try may.
    if (target.isEmpty()) return GetPingStatusText(kPingBadFormat);
    address = target;
  }
  quint32 host = 0;
  if (!ParseInetAddr(target, &host)) return GetPingStatusText(kPingBadFormat);

  bool raw = false;
  const int fd = OpenIcmpSocket(kind, &raw);
  if (fd < 0) return QString::fromLatin1(kPingNoIcmpSocketText);

  EchoProbe probe(fd, raw, host);
  if (probe.Send()) {
    if (QCoreApplication::instance()) {
      QSocketNotifier notifier(fd, QSocketNotifier::Read);
      QObject::connect(&notifier, &QSocketNotifier::activated, [&probe] { probe.ReadAvailable(); });
      PumpUntil([&probe] { return probe.done(); }, kPingTimeoutMs);
    } else {
      // Without an event loop there is nothing to keep running: just wait.
      const quint32 start = TickCount();
      for (;;) {
        const qint64 left = kPingTimeoutMs - qint64(quint32(TickCount() - start));
        if (left <= 0) break;
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, int(left)) > 0) probe.ReadAvailable();
        if (probe.done()) break;
      }
    }
  }
  ::close(fd);
  return GetPingStatusText(probe.status());
}

QString PingAddress(QString& address) { return PingAddressWith(address, IcmpSocketKind::Auto); }

}  // namespace zam
