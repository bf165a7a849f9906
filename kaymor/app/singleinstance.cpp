#include "singleinstance.h"

#include <QLocalSocket>
#include <unistd.h>

#include "appinfo.h"

namespace zam {

QString InstanceServerName() {
  return QStringLiteral("%1-%2").arg(QLatin1String(kProgramTitle)).arg(::getuid());
}

bool SendToRunningCopy(const QString& request) {
  QLocalSocket socket;
  socket.connectToServer(InstanceServerName());
  if (!socket.waitForConnected(1000)) return false;
  socket.write(request.toUtf8() + '\n');
  socket.waitForBytesWritten(1000);
  // The running copy answers once it has acted; don't hang on one that doesn't.
  socket.waitForReadyRead(2000);
  socket.disconnectFromServer();
  return true;
}

}  // namespace zam
