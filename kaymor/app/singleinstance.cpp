#include "singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

#include "appinfo.h"

namespace zam {

namespace {
constexpr int kAnswerWaitMs = 2000;
}

QString InstanceServerName() {
  // The user's runtime folder (XDG_RUNTIME_DIR, else a private folder of the
  // user that Qt makes and checks): in the shared temporary folder another
  // user could take the name first.
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  QDir().mkpath(folder);
  return QStringLiteral("%1/%2-%3").arg(folder, QLatin1String(kProgramTitle)).arg(::getuid());
}

bool SendToRunningCopy(const QString& request) {
  QLocalSocket socket;
  socket.connectToServer(InstanceServerName());
  if (!socket.waitForConnected(1000)) return false;
  socket.write(request.toUtf8() + '\n');
  socket.waitForBytesWritten(1000);
  // Only a copy that answers is running: a socket that takes the request and
  // stays silent is no reason to give way. Don't hang on it either.
  const QDeadlineTimer deadline(kAnswerWaitMs);
  while (!socket.canReadLine() && !deadline.hasExpired())
    if (!socket.waitForReadyRead(int(deadline.remainingTime()))) break;
  const bool answered = socket.canReadLine() && socket.readLine().trimmed() == "ok";
  socket.disconnectFromServer();
  return answered;
}

}  // namespace zam
