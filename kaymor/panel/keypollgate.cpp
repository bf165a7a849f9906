#include "keypollgate.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "panelhost.h"
#include "pckeyboard.h"

namespace zam {

KeyPollGate::KeyPollGate(PanelHost& host, PcKeyboard& keyboard, QTimer& cadence)
    : QObject(&host.KeyboardWindow()),
      host_(host),
      window_(host.KeyboardWindow()),
      keyboard_(keyboard),
      cadence_(cadence) {
  qApp->installEventFilter(this);
}

bool KeyPollGate::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:  // auto-repeat included: each repeat counts as a press
    case QEvent::KeyRelease:
      Wake();
      break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      if (watched == &window_) Wake();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

// The poll runs only while connected: the connect starts the cadence and a
// disconnect stops it.
void KeyPollGate::Wake() {
  if (!host_.KeyPollWanted()) return;
  if (!cadence_.isActive()) cadence_.start();
  if (pollQueued_) return;
  pollQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    pollQueued_ = false;
    if (host_.KeyPollWanted()) Poll();
  });
}

void KeyPollGate::Poll() {
  // Events run in the poll's waits: the window, and this with it, may go.
  QPointer<KeyPollGate> guard(this);
  keyboard_.KeyHook();
  if (guard && NothingToTime()) cadence_.stop();
}

bool KeyPollGate::NothingToTime() const {
  const PCKB_STATE& pckb = keyboard_.PollState();
  if (pckb.Busy || pckb.Key != 0) return false;
  // Left inactive: the poll that follows the window's activation waits
  // first, as the cadence would have.
  if (QApplication::activeWindow() != &window_) return keyboard_.Inactive;
  for (quint8 k : keyboard_.ValidKeys)
    if (k != 0 && keyboard_.GetKeyState(k) != 0) return false;
  return true;
}

}  // namespace zam
