#include "modNetwork.h"

#include <QStringList>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace Corvel_Project {

QString GetLocalIPList(const QString& separator) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  QStringList addresses;
  QStringList seen;  // interface names already listed
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    if (!(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK)) continue;
    // An alias label ("eth0:1") belongs to its interface.
    const QString name = QString::fromLocal8Bit(a->ifa_name).section(QLatin1Char(':'), 0, 0);
    if (seen.contains(name)) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if (!inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) continue;
    seen << name;
    addresses << TrimAtNull(QString::fromLatin1(text));
  }
  freeifaddrs(list);
  return addresses.join(separator);
}

QString TrimAtNull(const QString& text) {
  const qsizetype nul = text.indexOf(QChar(0));
  return nul < 0 ? text : text.left(nul);
}

}  // namespace Corvel_Project
