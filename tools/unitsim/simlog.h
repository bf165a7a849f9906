#pragma once
// JSON lines of everything the unit receives (and sends), one flushed line
// per message, so tests and benchmarks can read exact bytes and timing.
#include <QByteArray>
#include <QFile>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

namespace unitsim {

using LogField = QPair<QString, QJsonValue>;
using LogFields = QList<LogField>;

class SimLog {
 public:
  // An empty path gives a log that writes nothing.
  bool Open(const QString& path, QString* error);

  // {"t_us": ..., "link": ..., "dir": "rx"|"tx", "hex": "ff ff ...", fields...}
  void Rx(const char* link, const QByteArray& bytes, const LogFields& fields = {});
  void Tx(const char* link, const QByteArray& bytes, const LogFields& fields = {});
  // {"t_us": ..., "link": ..., "event": name, fields...}
  void Event(const char* link, const QString& name, const LogFields& fields = {});

  // Monotonic microseconds (CLOCK_MONOTONIC, the clock of std::chrono::steady_clock).
  static qint64 NowUs();

 private:
  void Write(const LogFields& fields);
  QFile file_;
};

// "0x05020000", "0x0100", "0xB6": how the log and the options write codes.
QString HexCode(quint32 value, int digits);

}  // namespace unitsim
