#pragma once
// One copy a user: the running copy listens on a local socket in the user's
// runtime folder, named after the program title and the user id, and
// answers "raise" and "close" with "ok".
#include <QString>

namespace zam {

// Full path of the socket.
QString InstanceServerName();

// Sends request to the running copy; true only when it answered.
bool SendToRunningCopy(const QString& request);

}  // namespace zam
