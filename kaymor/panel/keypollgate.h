#pragma once
// Runs the PC keyboard poll when something happens instead of every 10 ms
// all the time: a key press or release, or the keyboard window's activation
// changing, runs a poll at once (queued, after the keyboard state took the
// event in) and starts the 10 ms cadence; after each poll the cadence stops
// when no watched key is down or pressed and not yet acted on, no hold is
// being timed and no poll is running. The poll itself is unchanged.
#include <QObject>

class QTimer;
class QWidget;

namespace zam {

class PanelHost;
class PcKeyboard;

class KeyPollGate : public QObject {
  Q_OBJECT
 public:
  // cadence is the 10 ms poll timer; the connect starts it and a disconnect stops it.
  KeyPollGate(PanelHost& host, PcKeyboard& keyboard, QTimer& cadence);

  // One poll (tmrKeyHook's tick, or a queued one after an event).
  void Poll();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Wake();
  bool NothingToTime() const;

  PanelHost& host_;
  QWidget& window_;
  PcKeyboard& keyboard_;
  QTimer& cadence_;
  bool pollQueued_ = false;
};

}  // namespace zam
