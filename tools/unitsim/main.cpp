// unitsim: a stand-in for a unit on TCP, a pseudo-terminal and UDP, so that
// the keyboard program, its tests and its demo have a partner to talk to.
#include "options.h"
#include "serialside.h"
#include "signalwatch.h"
#include "simlog.h"
#include "tcpside.h"
#include "udpside.h"
#include "unit.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <memory>

using namespace unitsim;

namespace {

int Fail(const QString& message) {
  std::fprintf(stderr, "unitsim: %s\n", qPrintable(message));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("unitsim"));

  QString error;
  const std::optional<Options> parsed = ParseOptions(app.arguments(), &error);
  if (!parsed) return Fail(error + QStringLiteral(" (see --help)"));
  const Options& options = *parsed;

  // A ready file left from an earlier run must not announce this one early.
  if (!options.readyFile.isEmpty()) QFile::remove(options.readyFile);

  SimLog log;
  if (!log.Open(options.logFile, &error)) return Fail(error);

  SignalWatch signalWatch;
  if (!signalWatch.Start()) return Fail(QStringLiteral("cannot watch for signals"));
  QObject::connect(&signalWatch, &SignalWatch::terminate, &app, [&log](int signal) {
    log.Event("unit", QStringLiteral("stop"), {{"signal", signal}});
    QCoreApplication::quit();
  });

  Unit unit(options, log);
  QStringList announce;

  std::unique_ptr<TcpSide> tcp;
  quint16 tcpPort = options.tcpPort;
  if (options.tcpEnabled) {
    tcp = std::make_unique<TcpSide>(unit);
    if (!tcp->Start(&error)) return Fail(error);
    tcpPort = tcp->port();
    announce << QStringLiteral("tcp: %1:%2").arg(options.tcpAddress.toString()).arg(tcpPort);
  }

  std::unique_ptr<UdpSide> udp;
  if (options.udpEnabled) {
    udp = std::make_unique<UdpSide>(unit, options.listenPort.value_or(tcpPort));
    if (!udp->Start(&error)) return Fail(error);
    announce << QStringLiteral("udp: %1:%2").arg(options.udpAddress.toString()).arg(udp->port());
  }

  std::unique_ptr<SerialSide> serial;
  if (options.pty) {
    serial = std::make_unique<SerialSide>(unit);
    if (!serial->Start(&error)) return Fail(error);
    announce << QStringLiteral("pty: %1").arg(serial->slavePath());
    QObject::connect(&signalWatch, &SignalWatch::serialGone, serial.get(), &SerialSide::Vanish);
    QObject::connect(&signalWatch, &SignalWatch::serialBack, serial.get(), [&serial, &log] {
      QString why;
      if (!serial->Back(&why)) log.Event("serial", QStringLiteral("error"), {{"error", why}});
    });
  }

  announce << QStringLiteral("ready");
  const QByteArray text = announce.join(QLatin1Char('\n')).toLocal8Bit() + '\n';
  if (!options.readyFile.isEmpty()) {
    // Written whole or not at all: a waiting reader never sees half of it.
    QSaveFile ready(options.readyFile);
    if (!ready.open(QIODevice::WriteOnly) || ready.write(text) != text.size() || !ready.commit())
      return Fail(QStringLiteral("cannot write %1").arg(options.readyFile));
  }
  std::fputs(text.constData(), stdout);
  std::fflush(stdout);
  log.Event("unit", QStringLiteral("ready"));

  return app.exec();
}
