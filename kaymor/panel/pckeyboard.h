#pragma once
// The PC keyboard poll: while a unit is connected, mapped keys typed on the
// PC press the pictured keys through their own handlers. There is no thread
// keyboard state here, so the poll keeps its own, fed by the application's
// key events: per virtual key, 0x80 while down and 0x01 once pressed since
// the last reset.
#include <QObject>
#include <QPointF>
#include <QString>
#include <array>
#include <optional>

class QKeyEvent;
class QWidget;

namespace Corvel_Project {
class ComboBlock;
}

namespace zam {

class KeyPanel;
class PanelHost;

// Virtual-key codes the poll looks at.
namespace vk {
constexpr int Enter = 13, Control = 17, Pause = 19, PageUp = 33, PageDown = 34, Left = 37, Up = 38,
              Right = 39, Down = 40, PrintScreen = 44, Digit1 = 49, Digit4 = 52, Digit5 = 53, A = 65,
              B = 66, C = 67, F = 70, M = 77, P = 80, Q = 81, R = 82, S = 83, Numpad1 = 97,
              Numpad4 = 100, Numpad5 = 101, LeftControl = 162, RightControl = 163;
}

// The virtual-key code of a key event, 0 when it has none here. Ctrl gives
// the code of its side (162 left, 163 right); the digits of the keypad give
// 97-101, told apart by the keypad modifier.
int VirtualKeyOf(const QKeyEvent& event);

// The poll's state between polls.
struct PCKB_STATE {
  bool Busy = false;          // a poll runs (it may be waiting inside)
  qint32 State = 0;           // state byte of the key acted on
  quint8 Key = 0;             // arrow or A being timed for a hold; 0 none
  bool HeldDown = false;      // Key held 400 ms or more
  quint32 StartTime = 0;      // millisecond clock when Key was first seen down
  std::optional<qint32> PrevState;  // State of the A key after a long press
  // Busy and PrevState are left as they are.
  void Clear() {
    Key = 0;
    StartTime = 0;
    State = 0;
    HeldDown = false;
  }
};

// What ResetKeys does: fill ValidKeys, or clear the watched keys after a poll.
enum class KeyReset { Init, Reset };

class PcKeyboard : public QObject {
  Q_OBJECT
 public:
  using KeyBytes = std::array<quint8, 256>;

  // Watches the application's key events from now on.
  PcKeyboard(PanelHost& host, KeyPanel& panel);
  ~PcKeyboard() override;

  void ResetKeys(KeyReset mode);
  // Forgets every key pressed so far; keys still down stay ignored until
  // they go up. Done when the poll starts and when the window is activated.
  void ForgetKeys();
  // One poll (tmrKeyHook, every 10 ms while connected).
  void KeyHook();

  // Like the platform calls the poll was designed around: negative while the
  // key is down; the async form adds bit 0 when it was pressed since the
  // last async query of that key.
  qint16 GetAsyncKeyState(int virtualKey);
  qint16 GetKeyState(int virtualKey) const;

  const PCKB_STATE& PollState() const { return pckb_; }

  // The state read at the start of the poll, written back by ResetKeys.
  KeyBytes KeyState{};
  KeyBytes ValidKeys{};
  // Another window was active at the last poll.
  bool Inactive = false;
  // Reads the unit's alarm latch mode for the A key.
  Corvel_Project::ComboBlock* ComboBlock1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void KeyEvent(const QKeyEvent& event);
  // Key presses count only while the keyboard window is active and connected.
  bool Listening() const;
  void KeyDownNow(int virtualKey, bool repeat);
  void KeyUpNow(int virtualKey);
  void ApplicationInactive();
  // Steps of one poll; each returns whether the watched keys are reset
  // after it (false also when the window went during a wait).
  bool Poll();
  bool ActOn(int keyValue);
  bool AlarmKeyRule();
  // A keypad digit pressed while A was down, with alarm mode on, and not
  // acted on yet; 0 for none.
  int AlarmCameraDigit() const;
  bool PressArrow(int direction);
  // Presses a pictured key at the point (the centre of its hit region when
  // none is given) and releases it 100 ms later.
  bool Click(const QString& control, int index, std::optional<QPointF> at = std::nullopt);
  void RefreshAlarmMode();
  int KbIndex() const;
  QString AlarmTag() const;

  // The keyboard window is the active one.
  bool WindowActive() const;

  PanelHost& host_;
  QWidget& window_;
  KeyPanel& panel_;
  PCKB_STATE pckb_;
  KeyBytes live_{};          // the keyboard state: key events and resets
  std::array<bool, 256> physical_{};  // down now, whatever the resets did
  std::array<bool, 256> asyncPressed_{};  // pressed since the last GetAsyncKeyState of the key
  std::array<bool, 256> ignoredUntilUp_{};  // down, but not for the unit: its repeats are ignored
  std::array<quint64, 256> releasedAt_{};   // time stamp of each key's last release
  std::array<bool, 256> releasedIgnored_{};  // the key was ignored when it last went up
  // Virtual key of each key code that went down, so that its release clears
  // the same key even when a modifier changed the key's meaning meanwhile.
  std::array<quint8, 256> downByScanCode_{};
  // The order of key events, counted: each key's last press (not a
  // repeat), A's last
  // press from up and its last release, and the count when the running
  // poll read the keys. A press the poll did not see outlives its reset.
  quint64 keyEvents_ = 0;
  std::array<quint64, 256> pressOrder_{};
  quint64 alarmDownOrder_ = 0;
  quint64 alarmUpOrder_ = 0;
  quint64 pollReadOrder_ = 0;
  // A went up, unless a press with the same time stamp follows at once.
  bool alarmUpPending_ = false;
};

}  // namespace zam
