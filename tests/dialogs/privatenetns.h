#pragma once
// A private network namespace for the whole test process, in which "&OK" of
// the add-address dialog may ping: 10.9.9.1 on its loopback answers echoes,
// 10.9.8.2 lies behind a veth pair whose far end nobody answers on (an echo
// times out), and 10.9.9.2 has no route. Nothing leaves the machine.
#include <QString>

namespace dialogtest {

// Call from main() before any thread exists, so that the whole process
// moves; empty when the namespace is built, else why it could not be.
QString EnterPrivateNetns();

}  // namespace dialogtest
