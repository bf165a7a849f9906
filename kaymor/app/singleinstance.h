#pragma once
// One copy a user: the running copy listens on a local socket named after
// the program title and the user id and answers "raise" and "close".
#include <QString>

namespace zam {

QString InstanceServerName();

// Sends request to the running copy; false when no copy listens.
bool SendToRunningCopy(const QString& request);

}  // namespace zam
