#include "eventpump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace zam {

quint32 TickCount() {
  using namespace std::chrono;
  return static_cast<quint32>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void PumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  PumpEvents();
  if (done()) return true;
  // Everything a wait looks at changes through an event (a socket's or a
  // port's notifier, a timer, a window event), so the loop sleeps until the
  // next event or until the time is up, and looks again after each event.
  // One timer for the whole wait, precise so that the wait ends on time.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  while (!done()) {
    const qint64 left = timeoutMs - clock.elapsed();
    if (left <= 0) return false;
    if (!deadline.isActive()) deadline.start(static_cast<int>(left));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace zam
