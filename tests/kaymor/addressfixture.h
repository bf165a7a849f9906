#pragma once
// The keyboard window's address book and timed discovery as the tests reach
// them: one place to follow when they move.
#include <QString>
#include <functional>

#include "addressbook.h"
#include <corvel/corvel_udp.h>
#include "frmZAMKeyboard.h"
#include "timeddiscovery.h"

namespace addressfixture {

inline zam::AddressBook& Book(zam::frmZAMKeyboard& w) { return w.IPList; }
inline zam::TimedDiscovery& Discovery(zam::frmZAMKeyboard& w) { return *w.Discovery; }
inline int DiscoverTicks(zam::frmZAMKeyboard& w) { return Discovery(w).Ticks(); }
inline bool AutoDiscover(zam::frmZAMKeyboard& w) { return Discovery(w).AutoDiscover(); }
inline Corvel_Project::UDP* Udp(zam::frmZAMKeyboard& w) { return Discovery(w).Udp(); }
// What the address box's "Add" opens instead of the add-address dialog.
inline void SetAddDialog(zam::frmZAMKeyboard& w, std::function<QString()> dialog) {
  w.AddAddressDialog = std::move(dialog);
}

}  // namespace addressfixture
