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
  // Conditions may change outside events (a port's buffer count), so wake at
  // least every 10 ms to look again even when no event arrives.
  constexpr qint64 kMaxSleep = 10;
  while (!done()) {
    const qint64 left = timeoutMs - clock.elapsed();
    if (left <= 0) return false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(qMin(left, kMaxSleep)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace zam
