#pragma once
// The computer's own IPv4 addresses, which discovery binds to one by one.
#include "corvel_global.h"

#include <QString>

namespace Corvel_Project {

// One IPv4 address per interface that is up, loopback left out, in the
// system's order, joined by separator; empty when there is none.
CORVEL_EXPORT QString GetLocalIPList(const QString& separator);

// text up to its first NUL character, or all of it.
CORVEL_EXPORT QString TrimAtNull(const QString& text);

}  // namespace Corvel_Project
