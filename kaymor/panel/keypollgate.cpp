#include "keypollgate.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include "frmZAMKeyboard.h"
#include "pckeyboard.h"

namespace zam {

KeyPollGate::KeyPollGate(frmZAMKeyboard& window, PcKeyboard& keyboard)
    : QObject(&window), window_(window), keyboard_(keyboard) {
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
  if (window_.NotConnected) return;
  if (!window_.tmrKeyHook->isActive()) window_.tmrKeyHook->start();
  if (pollQueued_) return;
  pollQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    pollQueued_ = false;
    if (!window_.NotConnected) Poll();
  });
}

void KeyPollGate::Poll() {
  // Events run in the poll's waits: the window, and this with it, may go.
  QPointer<KeyPollGate> guard(this);
  keyboard_.KeyHook();
  if (guard && NothingToTime()) window_.tmrKeyHook->stop();
}

bool KeyPollGate::NothingToTime() const {
  const PCKB_STATE& pckb = window_.PCKB;
  if (!pckb.Status.isEmpty() || pckb.Key != 0) return false;
  // Left inactive: the poll that follows the window's activation waits
  // first, as the cadence would have.
  if (QApplication::activeWindow() != &window_) return !keyboard_.Inactive.isEmpty();
  for (quint8 k : keyboard_.ValidKeys)
    if (k != 0 && keyboard_.GetKeyState(k) != 0) return false;
  return true;
}

}  // namespace zam
