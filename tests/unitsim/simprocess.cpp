#include "simprocess.h"

#include "eventpump.h"

#include <QRegularExpression>
#include <QTest>

#include <csignal>

SimProcess::~SimProcess() {
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, 5000);
  }
}

bool SimProcess::Start(QStringList args) {
  if (!args.contains(QLatin1String("--tcp")) && !args.contains(QLatin1String("--no-tcp")))
    args << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:0");
  if (!args.contains(QLatin1String("--udp-port")) && !args.contains(QLatin1String("--no-udp")))
    args << QStringLiteral("--udp-port") << QStringLiteral("0");
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(QStringLiteral(UNITSIM_PATH), args);
  const bool ready = QTest::qWaitFor(
      [this] {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return output.contains(QLatin1String("ready\n")) ||
               process.state() == QProcess::NotRunning;
      },
      10000);
  if (!ready || !output.contains(QLatin1String("ready\n"))) return false;
  const QRegularExpression tcp(QStringLiteral("^tcp: .*:(\\d+)$"),
                               QRegularExpression::MultilineOption);
  const QRegularExpression udp(QStringLiteral("^udp: .*:(\\d+)$"),
                               QRegularExpression::MultilineOption);
  const QRegularExpression ptyLine(QStringLiteral("^pty: (.+)$"),
                                   QRegularExpression::MultilineOption);
  if (const auto m = tcp.match(output); m.hasMatch()) tcpPort = quint16(m.captured(1).toUInt());
  if (const auto m = udp.match(output); m.hasMatch()) udpPort = quint16(m.captured(1).toUInt());
  if (const auto m = ptyLine.match(output); m.hasMatch()) pty = m.captured(1);
  return true;
}

bool SimProcess::Terminate(int* code) {
  ::kill(pid_t(process.processId()), SIGTERM);
  QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, 5000);
  if (process.state() != QProcess::NotRunning) return false;
  *code = process.exitCode();
  return process.exitStatus() == QProcess::NormalExit;
}

QByteArray ReadBytes(QIODevice& device, int n, int timeoutMs) {
  QByteArray got;
  QTest::qWaitFor(
      [&] {
        got += device.read(n - got.size());
        return got.size() >= n;
      },
      timeoutMs);
  return got;
}

QByteArray BytesWithin(QIODevice& device, int ms) {
  zam::PumpFor(ms);
  return device.readAll();
}

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
