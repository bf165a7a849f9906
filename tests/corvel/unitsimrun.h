#pragma once
// The unit simulator as the controls' partner: started on loopback (or by a
// NetnsLab inside a namespace), with its log of everything it received.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class UnitSim {
 public:
  // Starts unitsim with args plus --log; owns the process.
  bool Start(const QStringList& args);
  // Takes a process started elsewhere (whose args included LogArgs()).
  bool Adopt(QProcess* process);
  ~UnitSim();

  // "--log <file>" for a process started elsewhere.
  QStringList LogArgs() const;
  quint16 tcpPort() const { return tcpPort_; }
  void Stop();

  // Every JSON line logged so far.
  QList<QJsonObject> Log() const;
  // The bytes of the log lines with this link and direction whose hex starts
  // with prefix ("ff ff 05 00"), in order.
  QList<QByteArray> Messages(const QString& link, const QString& dir,
                             const QByteArray& prefix = {}) const;

 private:
  bool WaitReady();
  QTemporaryDir dir_;
  std::unique_ptr<QProcess> owned_;
  QProcess* process_ = nullptr;
  QString output_;
  quint16 tcpPort_ = 0;
};

// True when this user may ping 127.0.0.1 (net.ipv4.ping_group_range): the
// combo-block control pings before every exchange.
bool CanPingLoopback();

#define REQUIRE_PING()                                                                \
  do {                                                                                \
    if (!CanPingLoopback())                                                           \
      QSKIP("the control pings first, and this user may not ping 127.0.0.1 "          \
            "(net.ipv4.ping_group_range)");                                           \
  } while (0)
