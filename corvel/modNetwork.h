#pragma once
// The computer's own IPv4 addresses, which discovery binds to one by one.
// Inside the library only.
#include <QString>

namespace Corvel_Project {

// One IPv4 address per interface that is up, loopback left out, in the
// system's order, joined by separator; empty when there is none.
QString GetLocalIPList(const QString& separator);

// text up to its first NUL character, or all of it.
QString TrimAtNull(const QString& text);

}  // namespace Corvel_Project
