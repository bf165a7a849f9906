#pragma once
// The one wait helper of the program and the controls: every wait lets the
// window's events run (replies arrive through them) without spinning a core.
#include <QtGlobal>
#include <functional>

namespace zam {

// 32-bit millisecond tick count from a monotonic clock; wraps like a tick counter does.
quint32 TickCount();

// Runs the events that are pending now, once.
void PumpEvents();

// Runs events until done() is true or timeoutMs has passed; returns done().
// Sleeps in the event loop between events, with no periodic wake-up: done()
// is looked at after each event, so it must change only through events.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

// Runs events for ms milliseconds.
void PumpFor(int ms);

}  // namespace zam
