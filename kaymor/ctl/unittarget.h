#pragma once
// Which unit a command means: an address with its port, or an address-book
// entry named by its serial number or model, with the password to use.
#include <QString>
#include <QStringList>

#include <optional>

namespace zam::ctl {

constexpr quint16 kDefaultUnitPort = 1024;

struct UnitTarget {
  QString host;
  quint16 port = kDefaultUnitPort;
  QString password;  // as the unit is to receive it: empty for the default
  QString entry;     // the address-book entry used, empty for an address
};

// "10.0.0.5", "10.0.0.5:2000", "dvr.example:2000", or an entry's serial
// number or model (compared without regard to case; a model must name one
// entry). password: --password when given. On failure nullopt and the reason.
std::optional<UnitTarget> ResolveUnit(const QString& text, const std::optional<QString>& password,
                                      QString* error);

// One address-book entry "ip,model,serial,password,port" as a target.
std::optional<UnitTarget> EntryTarget(const QString& entry, const std::optional<QString>& password,
                                      QString* error);

// The address book's entries, read as the window reads them, never written.
QStringList AddressBookEntries();

}  // namespace zam::ctl
