#pragma once
// Runs the real unitsim binary on free loopback ports and reads what it
// announces ("tcp: ...", "udp: ...", "pty: ...", "ready").
#include <QByteArray>
#include <QIODevice>
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess {
 public:
  ~SimProcess();

  // Adds --tcp 127.0.0.1:0 and --udp-port 0 unless args choose otherwise;
  // true once the simulator printed "ready".
  bool Start(QStringList args);
  // SIGTERM; true when it then exited normally, with the exit code in *code.
  bool Terminate(int* code);

  quint16 tcpPort = 0;
  quint16 udpPort = 0;
  QString pty;
  QProcess process;
  QString output;  // stdout so far
};

// Reads exactly n bytes (fewer only on timeout); waits pump events.
QByteArray ReadBytes(QIODevice& device, int n, int timeoutMs = 5000);
// Bytes that arrive within ms (for "stays silent" checks).
QByteArray BytesWithin(QIODevice& device, int ms);
// "ff ff 05 01" and "FFFF0501" alike.
QByteArray Hex(const char* text);
