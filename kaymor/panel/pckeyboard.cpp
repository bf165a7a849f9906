#include "pckeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

#include "busycursor.h"
#include "comboblock.h"
#include "controlproperties.h"
#include <corvel/corvel_comboblock.h>
#include <corvel/corvel_factory.h>
#include "debuglog.h"
#include "eventpump.h"
#include "unitlink.h"
#include "keypanel.h"
#include "panelhost.h"
#include "panellayout.h"
#include "pckeymap.h"

namespace zam {

namespace {

const QString kSet = QStringLiteral("Set");

constexpr quint8 kDown = 0x80;
constexpr quint8 kPressed = 0x01;
constexpr quint8 kDownAndPressed = 0x81;
constexpr qint32 kAlarmKeyKept = 129;  // A down and pressed: kept by the reset
constexpr qint32 kAlarmModeInvalid = 255;
constexpr quint32 kHoldMs = kPcKeyHoldMs;
constexpr int kPressMs = 100;
constexpr int kInactiveWaitMs = 1000;

// X key symbols of the two Ctrl keys, and the key code of the right one.
constexpr quint32 kXkControlR = 0xffe4;
constexpr quint32 kXKeycodeControlR = 105;

constexpr int kWatchedKeys[] = {vk::Enter, vk::Control, vk::LeftControl, vk::RightControl, vk::Pause,
                                vk::PageUp, vk::PageDown, vk::Left, vk::Up, vk::Right, vk::Down,
                                49, 50, 51, 52, 53, vk::A, vk::B, vk::C, vk::F, vk::M, vk::P, vk::Q,
                                vk::R, vk::S, 97, 98, 99, 100, 101};

bool IsControl(int virtualKey) {
  return virtualKey == vk::Control || virtualKey == vk::LeftControl || virtualKey == vk::RightControl;
}

// A point inside a hit region, so that the handler accepts the press.
QPointF Centre(const layout::HitRegion& hit) { return QPointF((hit.x1 + hit.x2) / 2.0, (hit.y1 + hit.y2) / 2.0); }

QPointF ArrowPoint(int direction) {
  for (const layout::ArrowRegion& r : layout::kArrowRegions)
    if (r.direction == direction) return Centre(r.hit);
  return {};
}

// The digit of a key of the digit row, by its X key code, whatever the
// layout and Shift make it type there; 0 for another key.
int DigitRowKey(quint32 keyCode) {
  if (keyCode >= 10 && keyCode <= 18) return '1' + int(keyCode - 10);
  return keyCode == 19 ? '0' : 0;
}

// The letter a US layout has on the key of this X key code; 0 for none.
int UsLetterKey(quint32 keyCode) {
  static constexpr char kTop[] = "QWERTYUIOP", kHome[] = "ASDFGHJKL", kBottom[] = "ZXCVBNM";
  if (keyCode >= 24 && keyCode < 24 + sizeof kTop - 1) return kTop[keyCode - 24];
  if (keyCode >= 38 && keyCode < 38 + sizeof kHome - 1) return kHome[keyCode - 38];
  if (keyCode >= 52 && keyCode < 52 + sizeof kBottom - 1) return kBottom[keyCode - 52];
  return 0;
}

// A letter of another script than Latin (a Cyrillic layout's, say).
bool IsNonLatinLetter(int key) {
  if (key <= 0 || key > 0x10FFFF) return false;
  const auto c = static_cast<char32_t>(key);
  return QChar::isLetter(c) && QChar::script(c) != QChar::Script_Latin;
}

bool IsModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
         key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_AltGr;
}

// A key pressed with Alt or the Meta key down: an access key or a desktop shortcut.
bool IsShortcut(const QKeyEvent& event) {
  return (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier)) && !IsModifierKey(event.key());
}

}  // namespace

// The keys act as the keys they are, like a Windows keyboard reports them:
// the digit row gives its digits with or without Shift on every layout,
// letters are read as labelled on Latin layouts, and on other layouts by
// the US letter of their position.
int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
  const quint32 keyCode = event.nativeScanCode();
  if (!keypad) {
    if (const int digit = DigitRowKey(keyCode)) return digit;
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? 96 + (key - Qt::Key_0) : key;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
  if (IsNonLatinLetter(key)) return UsLetterKey(keyCode);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::Enter;
    case Qt::Key_Control:
      return event.nativeVirtualKey() == kXkControlR || event.nativeScanCode() == kXKeycodeControlR
                 ? vk::RightControl
                 : vk::LeftControl;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return vk::Pause;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return vk::PageUp;
    case Qt::Key_PageDown: return vk::PageDown;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Print: return vk::PrintScreen;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
  }
}

PcKeyboard::PcKeyboard(PanelHost& host, KeyPanel& panel)
    : QObject(&host.KeyboardWindow()), host_(host), window_(host.KeyboardWindow()), panel_(panel) {
  setObjectName(QStringLiteral("PCKeyboard"));
  ComboBlock1 = qobject_cast<Corvel_Project::ComboBlock*>(
      CreateCorvelControl(QStringLiteral("Corvel_Project.ComboBlock"), &window_));
  if (ComboBlock1) ComboBlock1->setObjectName(QStringLiteral("ComboBlock1"));
  LoadControlProperties(ComboBlock1, window_.objectName());
  panel_.KeyHeldDown = [this] { return pckb_.HeldDown; };
  panel_.VirtualKeyDown = [this](int virtualKey) { return GetKeyState(virtualKey) < 0; };
  qApp->installEventFilter(this);
  // Releases typed into another program never reach us: a key that was down
  // when the focus left counts as released.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) ApplicationInactive();
  });
}

// Leaves the panel alone: it may be gone already when the window goes.
PcKeyboard::~PcKeyboard() {
  if (qApp) qApp->removeEventFilter(this);
}

bool PcKeyboard::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) KeyEvent(static_cast<const QKeyEvent&>(*event));
  // A key taken by a shortcut never arrives as a key press; its repeats may,
  // once Alt is up.
  if (type == QEvent::ShortcutOverride) {
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (IsShortcut(key))
      if (const int virtualKey = VirtualKeyOf(key)) ignoredUntilUp_[virtualKey] = true;
  }
  // Back in the keyboard window: what was typed elsewhere is not acted on.
  if (type == QEvent::WindowActivate && watched == &window_) ForgetKeys();
  return QObject::eventFilter(watched, event);
}

// One event may pass here several times (the window, then each widget it
// propagates to), so every change is one that repeating leaves the same.
void PcKeyboard::KeyEvent(const QKeyEvent& event) {
  const int virtualKey = VirtualKeyOf(event);
  const quint32 scanCode = event.nativeScanCode();
  const bool knownScanCode = scanCode > 0 && scanCode < downByScanCode_.size();
  if (event.type() == QEvent::KeyPress) {
    if (virtualKey == 0) return;
    if (knownScanCode) downByScanCode_[scanCode] = static_cast<quint8>(virtualKey);
    // X sends a repeat as a release and a press at the same time stamp,
    // not always marked as a repeat.
    const bool repeat = event.isAutoRepeat() ||
                        (event.timestamp() != 0 && event.timestamp() == releasedAt_[virtualKey]);
    if (repeat) {
      if (ignoredUntilUp_[virtualKey] || releasedIgnored_[virtualKey]) {
        ignoredUntilUp_[virtualKey] = true;
        return;
      }
    } else {
      ignoredUntilUp_[virtualKey] = false;
    }
    // A key with Alt or the Meta key down is an access key or a desktop
    // shortcut, and a key typed in another window, or before the unit was
    // reached, was meant for something else: none of them, nor their
    // repeats, is a key for the unit.
    if (IsShortcut(event) || !Listening()) {
      ignoredUntilUp_[virtualKey] = true;
      return;
    }
    KeyDownNow(virtualKey);  // auto-repeat included: every key-down counts
    return;
  }
  if (event.isAutoRepeat()) return;  // the key stays down between repeats
  int released = virtualKey;
  if (knownScanCode && downByScanCode_[scanCode] != 0) {
    released = downByScanCode_[scanCode];
    downByScanCode_[scanCode] = 0;
  }
  if (released == 0) return;
  // The same release may pass here twice: what it ended is kept.
  releasedIgnored_[released] =
      ignoredUntilUp_[released] || (releasedIgnored_[released] && releasedAt_[released] == event.timestamp());
  releasedAt_[released] = event.timestamp();
  ignoredUntilUp_[released] = false;
  KeyUpNow(released);
}

bool PcKeyboard::WindowActive() const { return QApplication::activeWindow() == &window_; }

bool PcKeyboard::Listening() const { return host_.IsConnected() && WindowActive(); }

void PcKeyboard::ForgetKeys() {
  live_.fill(0);
  KeyState.fill(0);
  asyncPressed_.fill(false);
  // A key still down now went down before: its repeats do not count either.
  for (int k = 0; k < 256; ++k) {
    if (physical_[k]) ignoredUntilUp_[k] = true;
    physical_[k] = false;
  }
  pckb_.Clear();
}

void PcKeyboard::KeyDownNow(int virtualKey) {
  for (int k : {virtualKey, IsControl(virtualKey) ? int(vk::Control) : 0}) {
    if (k == 0) continue;
    live_[k] = kDownAndPressed;
    physical_[k] = true;
    asyncPressed_[k] = true;
  }
}

void PcKeyboard::KeyUpNow(int virtualKey) {
  physical_[virtualKey] = false;
  live_[virtualKey] &= static_cast<quint8>(~kDown);
  if (virtualKey == vk::LeftControl || virtualKey == vk::RightControl) {
    if (!physical_[vk::LeftControl] && !physical_[vk::RightControl]) {
      physical_[vk::Control] = false;
      live_[vk::Control] &= static_cast<quint8>(~kDown);
    }
  }
}

void PcKeyboard::ApplicationInactive() {
  for (int k = 0; k < 256; ++k) {
    physical_[k] = false;
    live_[k] &= static_cast<quint8>(~kDown);
  }
  downByScanCode_.fill(0);
}

qint16 PcKeyboard::GetAsyncKeyState(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  quint16 state = physical_[virtualKey] ? 0x8000 : 0;
  if (asyncPressed_[virtualKey]) state |= 1;
  asyncPressed_[virtualKey] = false;
  return static_cast<qint16>(state);
}

qint16 PcKeyboard::GetKeyState(int virtualKey) const {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  const quint8 state = live_[virtualKey];
  return static_cast<qint16>((state & kDown ? 0xFF80 : 0) | (state & kPressed));
}

void PcKeyboard::ResetKeys(KeyReset mode) {
  if (mode == KeyReset::Init) {
    ValidKeys.fill(0);
    for (int k : kWatchedKeys) ValidKeys[k] = static_cast<quint8>(k);
    return;
  }
  for (int i = 0; i < 256; ++i) {
    if (i == vk::A) {
      if (KeyState[vk::A] != kAlarmKeyKept) KeyState[vk::A] = 0;
    } else if (ValidKeys[i] != 0) {
      KeyState[ValidKeys[i]] = 0;
    }
  }
  // Written back for the watched keys only: the others keep what their
  // events said meanwhile. A kept A is left as it is now, so a release
  // that came during the poll is not undone.
  for (int i = 0; i < 256; ++i) {
    const int k = i == vk::A ? vk::A : ValidKeys[i];
    if (k == 0 || (k == vk::A && KeyState[vk::A] == kAlarmKeyKept)) continue;
    // Ctrl does not repeat while held here, so its down bit follows the key.
    live_[k] = IsControl(k) && physical_[k] ? kDown : KeyState[k];
  }
}

int PcKeyboard::KbIndex() const { return host_.UnitInfo().UnitType == 4 ? 1 : 0; }

QString PcKeyboard::AlarmTag() const {
  const PictureKey* alarm = panel_.Key(QStringLiteral("imgAlarm"), -1);
  return alarm ? alarm->Tag() : QString();
}

void PcKeyboard::KeyHook() {
  // A poll started inside a running poll's wait leaves that poll's marker alone.
  if (pckb_.Busy) return;
  pckb_.Busy = true;
  QPointer<PcKeyboard> guard(this);
  const bool reset = Poll();
  if (!guard) return;
  if (reset) ResetKeys(KeyReset::Reset);
  pckb_.Busy = false;
}

bool PcKeyboard::Poll() {
  PCKB_STATE& pckb = pckb_;
  if (!WindowActive()) {
    Inactive = true;
    return false;
  }
  if (Inactive) {
    // Back from another window: what was typed there, and in the first
    // second here, is not acted on.
    Inactive = false;
    QPointer<PcKeyboard> guard(this);
    PumpFor(kInactiveWaitMs);
    return guard;
  }

  KeyState = live_;

  if (GetAsyncKeyState(vk::PrintScreen) >= 1) return true;

  if (KeyState[vk::Control] >= kDown) {
    if (KeyState[vk::R] != 0)
      WriteDebugLog(QStringLiteral("KeyHook: KeyCtrl =  Ctrl+R"));
    else
      WriteDebugLog(QStringLiteral("KeyHook: SysKey(17/162/163/82) = %1/%2/%3/%4")
                        .arg(KeyState[vk::Control])
                        .arg(KeyState[vk::LeftControl])
                        .arg(KeyState[vk::RightControl])
                        .arg(KeyState[vk::R]));
    // While Ctrl is down nothing else is acted on, and nothing is reset;
    // R is forgotten, repeats included, so that one press asks once.
    if (KeyState[vk::R] != 0) {
      if (physical_[vk::R]) ignoredUntilUp_[vk::R] = true;
      live_[vk::R] = 0;
      physical_[vk::R] = false;
      QPointer<PcKeyboard> guard(this);
      host_.RebootSequence();
      if (!guard) return false;
    }
    return false;
  }

  // The watched key with the lowest code that is down or was pressed.
  int keyValue = 0;
  for (int i = 0; i < 256; ++i) {
    const quint8 state = KeyState[ValidKeys[i]];
    if (ValidKeys[i] != 0 && state != 0) {
      keyValue = ValidKeys[i];
      pckb.State = state;
      break;
    }
  }
  if (keyValue == 0) return false;

  // A down arrow wins over A, and of several arrows the highest code.
  int heldKey = 0;
  for (int k : {vk::A, vk::Left, vk::Up, vk::Right, vk::Down})
    if (KeyState[k] > kPressed) heldKey = k;
  if (heldKey == 0) {
    pckb.Clear();
  } else if (heldKey != pckb.Key) {
    pckb.Key = static_cast<quint8>(heldKey);
    pckb.StartTime = TickCount();
    return false;
  } else {
    if (static_cast<quint32>(TickCount() - pckb.StartTime) < kHoldMs) return false;
    pckb.HeldDown = true;
    // Held: a keypad digit is looked for even though A scans first.
    for (int k = vk::Numpad1; k <= vk::Numpad5; ++k) {
      if (KeyState[k] != 0) {
        keyValue = k;
        pckb.State = KeyState[k];
        break;
      }
    }
  }

  WriteDebugLog(QStringLiteral("KeyHook: KeyValue = %1").arg(keyValue));
  return ActOn(keyValue);
}

bool PcKeyboard::ActOn(int keyValue) {
  if (keyValue >= vk::Digit1 && keyValue <= vk::Digit4)
    WriteDebugLog(QStringLiteral("KeyHook: PCKB.State/imgAlarm.Tag/GetAsyncKeyStateXXX = %1/%2/%3")
                      .arg(pckb_.State)
                      .arg(AlarmTag())
                      .arg(GetAsyncKeyState(vk::A)));
  const PcKeyBinding* binding = FindPcKeyBinding(keyValue);
  if (!binding) return true;  // a Ctrl key
  const char* target = PcKeyTarget(*binding, host_.UnitInfo().UnitType == 4 ? 4 : 1);
  if (!target) return true;  // no such key on this keyboard
  const layout::KeyPicture* key = layout::FindKey(target);
  if (!key) return true;
  switch (binding->action) {
    case PcKeyAction::Arrow: return PressArrow(binding->arrowRegion);
    case PcKeyAction::Alarm: return AlarmKeyRule();
    case PcKeyAction::Click: break;
  }
  const QString control = QString::fromLatin1(key->control);
  if (binding->arrowRegion >= 0) return Click(control, key->index, ArrowPoint(binding->arrowRegion));
  return Click(control, key->index);
}

bool PcKeyboard::Click(const QString& control, int index, std::optional<QPointF> at) {
  const PictureKey* key = panel_.Key(control, index);
  if (!key) return true;
  const QPointF point = at.value_or(Centre(key->Layout().hit));
  const auto x = static_cast<float>(point.x()), y = static_cast<float>(point.y());
  QPointer<PcKeyboard> guard(this);
  panel_.MouseDown(control, index, KeyPanel::LeftButton, 0, x, y);
  if (!guard) return false;
  PumpFor(kPressMs);
  if (!guard) return false;
  panel_.MouseUp(control, index, KeyPanel::LeftButton, 0, x, y);
  return guard;
}

bool PcKeyboard::PressArrow(int direction) {
  const int kb = KbIndex();
  PictureKey* pad = panel_.Key(QStringLiteral("imgArrow"), kb);
  if (!pad) return true;
  pad->SetTag(QStringLiteral("Key"));
  const QPointF point = ArrowPoint(direction);
  QPointer<PcKeyboard> guard(this);
  // The pad's repeat loop runs until the PC arrow goes up; no release call.
  panel_.imgArrow_MouseDown(kb, KeyPanel::LeftButton, 0, static_cast<float>(point.x()),
                            static_cast<float>(point.y()));
  if (!guard) return false;
  pckb_.Clear();
  return true;
}

bool PcKeyboard::AlarmKeyRule() {
  PCKB_STATE& pckb = pckb_;
  UnitInfoRecord& info = host_.UnitInfo();
  WriteDebugLog(QStringLiteral("KeyHook: PCKB.State/imgAlarm.Tag = %1/%2").arg(pckb.State).arg(AlarmTag()));
  QPointer<PcKeyboard> guard(this);

  if (pckb.State == kAlarmKeyKept) {
    // The flag makes the refresh happen once per run of presses.
    if (!info.AlarmModeRead) {
      RefreshAlarmMode();
      if (!guard) return false;
    }
    if (info.AlarmMode != kAlarmModeInvalid) info.AlarmModeRead = true;
  }

  const PictureKey* alarm = panel_.Key(QStringLiteral("imgAlarm"), -1);
  if (!alarm) return true;
  const QPointF point = Centre(alarm->Layout().hit);
  const auto x = static_cast<float>(point.x()), y = static_cast<float>(point.y());
  auto press = [&] {
    panel_.imgAlarm_MouseDown(KeyPanel::LeftButton, 0, x, y);
    return static_cast<bool>(guard);
  };
  auto release = [&] {
    panel_.imgAlarm_MouseUp(KeyPanel::LeftButton, 0, x, y);
    return static_cast<bool>(guard);
  };
  auto wait = [&] {
    PumpFor(kPressMs);
    return static_cast<bool>(guard);
  };

  if (!pckb.HeldDown) {
    if (pckb.State > pckb.PrevState.value_or(0)) {
      info.AlarmModeRead = false;
      pckb.PrevState.reset();
      if (info.AlarmMode == 1 && !(press() && wait())) return false;
      return release();
    }
    return press() && wait() && release();
  }

  if (AlarmTag() != kSet) {
    if (!press()) return false;
    // The release then sees the hold time since the key went down and sets alarm mode.
    if (PictureKey* key = panel_.Key(QStringLiteral("imgAlarm"), -1))
      key->SetTag(QString::number(pckb.StartTime));
    if (!release()) return false;
    pckb.PrevState = pckb.State;
    return true;
  }
  pckb.Clear();
  return false;
}

void PcKeyboard::RefreshAlarmMode() {
  // The control reaches the unit by its IP address only: on the serial link
  // the mode read at detection stays.
  if (!ComboBlock1) return;
  const std::optional<ComboBlockTarget> target = host_.ComboTarget();
  if (!target) return;
  ComboBlock1->SetHost(target->address);
  ComboBlock1->SetPassword(target->password);
  ComboBlock1->SetPort(target->port.trimmed().toInt());
  COMBO_BLOCK block;
  QPointer<PcKeyboard> guard(this);
  bool read = false;
  {
    // The exchange pings the unit first and waits for its block.
    const BusyCursor busy;
    read = ComboBlock1->GetComboBlock(block);
  }
  if (!guard) return;
  // A failed read counts as mode 0, as at detection: the marker is then set
  // and the hold does not repeat the read at every poll.
  host_.UnitInfo().AlarmMode = read ? block.Alarms.AlarmLatch : 0;
}

}  // namespace zam
