#include "unittarget.h"

#include <QHostAddress>
#include <QRegularExpression>

#include "PingIP.h"
#include "addresslist.h"
#include "settingskeys.h"

namespace zam::ctl {

namespace {

// The password in the form the unit receives it: the default is sent as none.
QString AsSent(const QString& password) {
  return password == QLatin1String(kDefaultPassword) ? QString() : password;
}

// The unit receives a code of a password of 3 or 4 characters, and the code
// of none for any other length: such a password would open a unit that has
// the default one.
bool Receivable(const QString& password, QString* error) {
  if (password.isEmpty() || password.size() == 3 || password.size() == 4) return true;
  *error = QStringLiteral("a unit's password has 3 or 4 characters, not %1").arg(password.size());
  return false;
}

QString FallbackPassword() {
  const QString env = qEnvironmentVariable("KAYMOR_PASSWORD");
  return env.isEmpty() ? QString::fromLatin1(kDefaultPassword) : env;
}

}  // namespace

std::optional<UnitTarget> ResolveUnit(const QString& text, const std::optional<QString>& password,
                                      QString* error) {
  UnitTarget target;
  if (text.trimmed().isEmpty()) {
    *error = QStringLiteral("no unit given");
    return std::nullopt;
  }

  QList<QStringList> matches;
  for (const QString& entry : AddressBookEntries()) {
    const QStringList f = entry.split(',');
    if (f.size() < 3) continue;
    if (f[2].compare(text, Qt::CaseInsensitive) == 0) {
      matches = {f};  // a serial number names one unit
      break;
    }
    if (f[1].compare(text, Qt::CaseInsensitive) == 0) matches << f;
  }
  if (matches.size() > 1) {
    *error = QStringLiteral("%1 entries of the address book have the model %2: name the unit by its serial number")
                 .arg(matches.size())
                 .arg(text);
    return std::nullopt;
  }
  if (matches.size() == 1) return EntryTarget(matches.front().join(','), password, error);

  // An address or a host name, with an optional port.
  static const QRegularExpression hostPort(QStringLiteral(R"(^([A-Za-z0-9._-]+)(?::(\d{1,5}))?$)"));
  const auto m = hostPort.match(text.trimmed());
  if (!m.hasMatch()) {
    *error = QStringLiteral("no address-book entry and no address: %1").arg(text);
    return std::nullopt;
  }
  target.host = m.captured(1);
  if (!m.captured(2).isEmpty()) {
    const uint port = m.captured(2).toUInt();
    if (port == 0 || port > 0xFFFF) {
      *error = QStringLiteral("no such port: %1").arg(m.captured(2));
      return std::nullopt;
    }
    target.port = static_cast<quint16>(port);
  }
  quint32 ip = 0;
  if (!IsHostName(target.host) && !ParseInetAddr(target.host, &ip)) {
    *error = QStringLiteral("not an IPv4 address: %1").arg(target.host);
    return std::nullopt;
  }
  if (IsHostName(target.host)) {
    const QString resolved = ResolveHostName(target.host);
    if (resolved.isEmpty()) {
      *error = QStringLiteral("no address-book entry and no host named %1").arg(target.host);
      return std::nullopt;
    }
    target.host = resolved;
  }
  target.password = AsSent(password ? *password : FallbackPassword());
  if (!Receivable(target.password, error)) return std::nullopt;
  return target;
}

std::optional<UnitTarget> EntryTarget(const QString& entry, const std::optional<QString>& password,
                                      QString* error) {
  const QStringList f = entry.split(',');
  UnitTarget target;
  target.host = f.value(0);
  target.entry = entry;
  bool ok = false;
  const uint port = f.value(4).toUInt(&ok);
  target.port = ok && port > 0 && port <= 0xFFFF ? static_cast<quint16>(port) : kDefaultUnitPort;
  const QString stored = f.value(3);
  target.password = AsSent(password ? *password : (stored.isEmpty() ? FallbackPassword() : stored));
  if (!Receivable(target.password, error)) return std::nullopt;
  return target;
}

QStringList AddressBookEntries() {
  AddressList book;
  LoadStoredAddresses(book, SlotUpgrade::InMemory);
  return book.Entries();
}

}  // namespace zam::ctl
