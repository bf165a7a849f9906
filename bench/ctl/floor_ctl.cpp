// The floor of the command line's key figure: a bare QCoreApplication that
// opens the TCP connection, logs in, writes one key frame and exits.
// floor_ctl HOST PORT CODE
#include <QCoreApplication>
#include <QTcpSocket>

#include "zamtcp.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 4) return 2;
  QTcpSocket socket;
  socket.connectToHost(args[1], static_cast<quint16>(args[2].toUInt()));
  if (!socket.waitForConnected(5000)) return 1;
  // The default password travels as none.
  socket.write(zam::BuildConnectionRequest(zam::kClientKeyboard, QString()));
  zam::FrameAssembler frames(zam::FrameAssembler::Rule::Keyboard);
  bool loggedIn = false;
  while (!loggedIn && socket.waitForReadyRead(5000))
    for (const QByteArray& frame : frames.Feed(socket.readAll()))
      loggedIn = loggedIn || zam::FrameType(frame) == zam::ZAM_CONNECTION_RESPONSE;
  if (!loggedIn) return 1;
  socket.write(zam::BuildSpiKeyFrame(static_cast<quint8>(args[3].toUInt(nullptr, 0))));
  socket.flush();
  return 0;
}
