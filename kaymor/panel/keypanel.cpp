#include "keypanel.h"

#include <QMouseEvent>
#include <QPointer>

#include "debuglog.h"
#include "eventpump.h"
#include "panelhost.h"
#include "pictures.h"
#include "twips.h"

namespace zam {

namespace {

const QString kArrow = QStringLiteral("imgArrow");
const QString kAlarm = QStringLiteral("imgAlarm");
const QString kSet = QStringLiteral("Set");
const QString kNotSet = QStringLiteral("Not Set");
const QString kKey = QStringLiteral("Key");
const QString kUp = QStringLiteral("Up");
const QString kDown = QStringLiteral("Down");

constexpr quint32 kAlarmHoldMs = 400;
constexpr int kRepeatStart = 400;  // Interval at which a held arrow repeats

int ButtonNumber(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return KeyPanel::LeftButton;
    case Qt::RightButton: return KeyPanel::RightButton;
    case Qt::MiddleButton: return KeyPanel::MiddleButton;
    default: return 0;
  }
}

int ShiftState(Qt::KeyboardModifiers mods) {
  return (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
         (mods & Qt::AltModifier ? 4 : 0);
}

float Twips(qreal pixels) { return static_cast<float>(pixels * layout::kTwipsPerPixel); }

const layout::ArrowRegion* ArrowRegionOf(int direction) {
  for (const layout::ArrowRegion& r : layout::kArrowRegions)
    if (r.direction == direction) return &r;
  return nullptr;
}

KeyPair ArrowPair(int direction) {
  switch (direction) {
    case 1: return keys::Rewind;
    case 2: return keys::StillAdvance;
    case 3: return keys::FastForward;
    case 4: return keys::StillBack;
    default: return keys::Menu;
  }
}

// Enter and Search show their pressed picture on both panels at once.
bool ChangesBothPanels(const layout::KeyPicture& key) {
  return layout::SameText(key.control, "imgEnter") || layout::SameText(key.control, "imgSearch");
}

}  // namespace

PictureKey::PictureKey(const layout::KeyPicture& key, KeyPanel& panel, QWidget* parent)
    : QLabel(parent), key_(key), panel_(panel) {
  setObjectName(QString::fromLatin1(key.objectName));
  setScaledContents(true);
  setGeometry(Px(key.left), Px(key.top),
              Px(key.width), Px(key.height));
  setToolTip(QString::fromLatin1(key.tooltip));
  setProperty("Tag", QString());
  // The arrow pad names the region under the mouse as it moves.
  setMouseTracking(layout::SameText(key.control, "imgArrow"));
  setVisible(!key.hidden);
  LoadPicture(this, QString::fromLatin1(key.normal));
}

void PictureKey::SetTag(const QString& tag) {
  tag_ = tag;
  setProperty("Tag", tag);
}

void PictureKey::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) panel_.HintWhenDisconnected();
  panel_.MouseDown(QString::fromLatin1(key_.control), key_.index, ButtonNumber(event->button()),
                   ShiftState(event->modifiers()), Twips(event->position().x()),
                   Twips(event->position().y()));
}

void PictureKey::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  panel_.MouseUp(QString::fromLatin1(key_.control), key_.index, ButtonNumber(event->button()),
                 ShiftState(event->modifiers()), Twips(event->position().x()),
                 Twips(event->position().y()));
}

void PictureKey::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!layout::SameText(key_.control, "imgArrow")) return;
  int buttons = 0;
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
    if (event->buttons() & b) buttons |= ButtonNumber(b);
  panel_.imgArrow_MouseMove(key_.index, buttons, ShiftState(event->modifiers()),
                            Twips(event->position().x()), Twips(event->position().y()));
}

KeyPanel::KeyPanel(PanelHost& host, const std::array<QWidget*, 2>& keyboards)
    : QObject(&host.KeyboardWindow()), host_(host) {
  setObjectName(QStringLiteral("KeyPanel"));
  for (const layout::KeyPicture& key : layout::kKeys)
    keys_ << new PictureKey(key, *this, keyboards[key.panel]);
}

PictureKey* KeyPanel::Key(const QString& objectName) const {
  for (PictureKey* k : keys_)
    if (k->objectName() == objectName) return k;
  return nullptr;
}

PictureKey* KeyPanel::Key(const QString& control, int index) const {
  for (PictureKey* k : keys_)
    if (QLatin1String(k->Layout().control) == control && k->Layout().index == index) return k;
  return nullptr;
}

void KeyPanel::ReadyArrowPads() {
  for (int index : {0, 1})
    if (PictureKey* pad = Key(kArrow, index)) pad->SetTag(QString());
}

bool KeyPanel::AlarmModeSet() const {
  const PictureKey* alarm = Key(kAlarm, -1);
  return alarm && alarm->Tag() == kSet;
}

std::optional<KeyPair> KeyPanel::PairOf(const PictureKey& key) const {
  const std::string_view c = key.Layout().control;
  const int i = key.Layout().index;
  if (c == "imgRec") return keys::Record;
  if (c == "imgPlayRev") return keys::PlayBackward;
  if (c == "imgStop") return keys::Stop;
  if (c == "imgPlay") return keys::Play;
  if (c == "imgPause") return keys::Pause;
  if (c == "imgSearch") return keys::Search;
  if (c == "imgRecSpeedUp") return keys::SpeedUp;
  if (c == "imgRecSpeedDown") return keys::SpeedDown;
  if (c == "imgEnter") return keys::Enter;
  if (c == "imgZoom") return keys::Zoom;
  if (c == "imgCam1") return keys::Camera(1, false);  // the one-camera panel has no alarm mode
  if (c == "imgIPCam1") return keys::IpCamera(1);
  if (c == "imgIPCam") return keys::IpCamera(i + 1);
  if (c == "imgCam") return i == 132 ? keys::Quad : keys::Camera(i + 1, AlarmModeSet());
  if (c == "imgSeq") return AlarmModeSet() ? keys::AlarmSequence : keys::Sequence;
  return std::nullopt;  // imgFunc only changes its picture
}

void KeyPanel::Send(const KeyPair& key) { host_.SendKey(key); }

bool KeyPanel::LinkClosed() const { return !host_.IsConnected(); }

void KeyPanel::HintWhenDisconnected() {
  if (LinkClosed() && !host_.ConnectUnderWay()) host_.ShowStatus(QStringLiteral("Status: Connect to a unit first"));
}

void KeyPanel::ShowPicture(PictureKey& key, bool pressed) {
  const layout::KeyPicture& k = key.Layout();
  auto load = [pressed](PictureKey* target) {
    const layout::KeyPicture& l = target->Layout();
    LoadPicture(target, QString::fromLatin1(pressed ? l.pressed : l.normal));
  };
  if (!ChangesBothPanels(k)) {
    load(&key);
    return;
  }
  for (int element = 0; element < 2; ++element)
    if (PictureKey* other = Key(QString::fromLatin1(k.control), element)) load(other);
}

void KeyPanel::MouseDown(const QString& control, int index, int button, int shift, float x, float y) {
  Q_UNUSED(shift);
  PictureKey* key = Key(control, index);
  if (!key) return;
  if (control == kAlarm) return AlarmDown(*key, button, x, y);
  if (control == kArrow) return ArrowDown(*key, button, x, y);
  if (button != LeftButton || !key->Layout().hit.Contains(x, y)) return;
  // The key code leaves before the picture changes: the unit hears the key
  // as soon as the press arrives.
  QPointer<PictureKey> guard(key);
  if (const auto pair = PairOf(*key)) Send(*pair);
  if (guard) ShowPicture(*key, true);
}

void KeyPanel::MouseUp(const QString& control, int index, int button, int shift, float x, float y) {
  Q_UNUSED(button);
  Q_UNUSED(shift);
  Q_UNUSED(x);
  Q_UNUSED(y);
  PictureKey* key = Key(control, index);
  if (!key) return;
  ++key->releases_;
  if (control == kAlarm) return AlarmUp(*key);
  if (control == kArrow) return ArrowUp(*key);
  ShowPicture(*key, false);
}

void KeyPanel::AlarmDown(PictureKey& key, int button, float x, float y) {
  if (button != LeftButton) return;
  const int releases = key.Releases();
  QPointer<PictureKey> guard(&key);
  host_.RefreshAlarmLeds();
  if (!guard || !key.Layout().hit.Contains(x, y)) return;
  if (key.Tag() != kSet) {
    key.SetTag(QString::number(TickCount()));
  } else {
    Send(keys::AlarmRelease);
    Send(keys::Alarm);
  }
  WriteDebugLog(QStringLiteral("Alarm Mode (Down)= ") + key.Tag());
  if (key.Tag() != kSet) {
    LoadPicture(&key, QString::fromLatin1(key.Layout().pressed));
    Send(keys::AlarmRelease);
    Send(keys::Alarm);
  }
  // The LED refresh runs events: a release that came in meanwhile found the
  // press unfinished, so it is applied again to end as a short press would.
  if (key.Releases() != releases) AlarmUp(key);
}

void KeyPanel::AlarmUp(PictureKey& key) {
  bool isTime = false;
  const quint32 pressedAt = key.Tag().toUInt(&isTime);
  if (isTime && static_cast<quint32>(TickCount() - pressedAt) >= kAlarmHoldMs) {
    key.SetTag(kSet);  // alarm mode on: the pressed picture stays
  } else {
    LoadPicture(&key, QString::fromLatin1(key.Layout().normal));
    key.SetTag(kNotSet);
  }
  WriteDebugLog(QStringLiteral("Alarm Mode (Up)= ") + key.Tag());
}

void KeyPanel::ArrowDown(PictureKey& key, int button, float x, float y) {
  if (button != LeftButton) return;
  QPointer<PictureKey> guard(&key);
  WriteDebugLog(QStringLiteral("imgArrow_MouseDown-In: imgArrow(Index).Tag = ") + key.Tag());
  if (key.Tag() != kKey) key.SetTag(kDown);
  if (const layout::ArrowRegion* region = layout::ArrowRegionAt(x, y)) {
    if (region->direction == 0) {
      LoadPicture(&key, QString::fromLatin1(region->pressed));
      Send(keys::Menu);
    } else {
      SendArrowKey(key.Layout().index, region->direction, QStringLiteral("MouseDown"));
    }
  }
  if (guard) WriteDebugLog(QStringLiteral("imgArrow_MouseDown-Out: imgArrow(Index).Tag = ") + key.Tag());
}

void KeyPanel::ArrowUp(PictureKey& key) {
  key.SetTag(kUp);
  LoadPicture(&key, QString::fromLatin1(key.Layout().normal));
}

void KeyPanel::imgArrow_MouseMove(int index, int button, int shift, float x, float y) {
  Q_UNUSED(button);
  Q_UNUSED(shift);
  PictureKey* key = Key(kArrow, index);
  if (!key) return;
  const layout::ArrowRegion* region = layout::ArrowRegionAt(x, y);
  key->setToolTip(region ? QString::fromLatin1(region->tooltip) : QString());
}

void KeyPanel::SendArrowKey(int index, int direction, const QString& extraInfo) {
  PictureKey* key = Key(kArrow, index);
  const layout::ArrowRegion* region = direction >= 1 && direction <= 4 ? ArrowRegionOf(direction) : nullptr;
  if (!key || !region) return;
  // Events run in every wait: the window may go, and with it this panel.
  QPointer<PictureKey> guard(key);
  const KeyPair pair = ArrowPair(direction);
  int interval = 0;
  auto tag = [&] { return key->Tag(); };
  auto stopped = [&] { return !guard || LinkClosed(); };
  // Waits are measured from one start, so the repeat does not drift.
  quint32 due = TickCount();
  auto wait = [&](int ms, const std::function<bool()>& early) {
    due += static_cast<quint32>(ms);
    const int left = static_cast<int>(due - TickCount());
    PumpUntil([&] { return stopped() || (early && early()); }, qMax(left, 0));
  };
  auto upOrIdle = [&] { return tag() == kUp || tag().isEmpty(); };

  WriteDebugLog(QStringLiteral("SendArrowKey-In: imgArrow(Index).Tag/Interval = %1/%2").arg(tag()).arg(interval));
  WriteDebugLog(QStringLiteral("SendArrowKey-In: ExtraInfo = ") + extraInfo);
  LoadPicture(key, QString::fromLatin1(region->pressed));

  for (;;) {
    PumpEvents();
    if (stopped()) break;
    due = TickCount();
    Send(pair);
    if (tag() == kKey) {
      if (!(KeyHeldDown && KeyHeldDown())) {
        key->SetTag(QString());
        wait(100, nullptr);
        break;
      }
      interval = kRepeatStart;
      if (!(VirtualKeyDown && VirtualKeyDown(36 + direction))) {
        // The PC arrow is up: the next mouse hold repeats as its own.
        key->SetTag(QString());
        break;
      }
    }
    wait(10, nullptr);
    interval += 10;
    while (interval < kRepeatStart && !stopped()) {
      wait(10, upOrIdle);
      interval += 10;
      if (stopped()) break;
      WriteDebugLog(QStringLiteral("SendArrowKey: Interval < 400: Interval/imgArrow(Index).Tag = %1/%2")
                        .arg(interval)
                        .arg(tag()));
      if (upOrIdle()) break;
    }
    if (stopped()) break;
    if (tag() == kUp) {
      key->SetTag(QString());
      break;
    }
    if (tag().isEmpty()) break;
    WriteDebugLog(QStringLiteral("SendArrowKey: Interval >= 400: Interval/imgArrow(Index).Tag = %1/%2")
                      .arg(interval)
                      .arg(tag()));
    wait(90, nullptr);
  }
  if (!guard) return;
  // The link closed under a hold: the pad is ready for the next one, which
  // a keyboard arrow's "Key" left behind would cut to one code.
  if (LinkClosed() && !tag().isEmpty() && tag() != kUp) key->SetTag(QString());
  LoadPicture(key, QString::fromLatin1(key->Layout().normal));
  WriteDebugLog(QStringLiteral("SendArrowKey-Out: Interval/imgArrow(Index).Tag = %1/%2").arg(interval).arg(tag()));
}

}  // namespace zam
