#pragma once
// SIGTERM and SIGINT end the event loop cleanly: the handler only writes a
// byte to a socket pair, the loop reads it through a notifier. SIGUSR1 and
// SIGUSR2 take the serial device away and bring it back (a pulled adapter).
#include <QObject>

class QSocketNotifier;

namespace unitsim {

class SignalWatch : public QObject {
  Q_OBJECT
 public:
  explicit SignalWatch(QObject* parent = nullptr);
  ~SignalWatch() override;
  bool Start();

 signals:
  void terminate(int signal);
  void serialGone();
  void serialBack();

 private:
  void OnSignal();
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace unitsim
