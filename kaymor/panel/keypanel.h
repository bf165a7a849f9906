#pragma once
// The pictured keys of both keyboard panels and their mouse handlers. Every
// handler takes (element, button, shift, X, Y) with X and Y in twips within
// the key picture, so the PC keyboard poll presses a key exactly as the mouse
// does. Button 1 is the left button; the shift state is not looked at.
#include <QLabel>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "keycodes.h"
#include "panellayout.h"

namespace zam {

class KeyPanel;
class PanelHost;

// One key picture. Its tag text holds the arrow pad's and the Alarm key's
// state ("Up", "Key", "Set", a press time, ...), as the debug lines show it;
// the "Tag" property mirrors it for those who look from outside. Mouse
// events go to the panel's handlers.
class PictureKey : public QLabel {
  Q_OBJECT
 public:
  PictureKey(const layout::KeyPicture& key, KeyPanel& panel, QWidget* parent);

  const layout::KeyPicture& Layout() const { return key_; }
  QString Tag() const { return tag_; }
  void SetTag(const QString& tag);
  // Counts releases, so a press that ran events can tell one happened meanwhile.
  int Releases() const { return releases_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  friend class KeyPanel;
  const layout::KeyPicture& key_;
  KeyPanel& panel_;
  int releases_ = 0;
  QString tag_;
};

class KeyPanel : public QObject {
  Q_OBJECT
 public:
  enum : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

  // Builds every key of the layout on the two keyboard pictures (the
  // one-camera keyboard's, then the four-camera one's), each showing its
  // normal picture.
  KeyPanel(PanelHost& host, const std::array<QWidget*, 2>& keyboards);

  // The key by objectName ("imgRec(1)", "imgAlarm"), or by control and
  // element (-1 for a single control); nullptr when there is none.
  PictureKey* Key(const QString& objectName) const;
  PictureKey* Key(const QString& control, int index) const;

  // Press and release of any key by control name and element.
  void MouseDown(const QString& control, int index, int button, int shift, float x, float y);
  void MouseUp(const QString& control, int index, int button, int shift, float x, float y);

#define ZAM_ARRAY_KEY(name)                                                   \
  void name##_MouseDown(int index, int button, int shift, float x, float y) { \
    MouseDown(QStringLiteral(#name), index, button, shift, x, y);             \
  }                                                                           \
  void name##_MouseUp(int index, int button, int shift, float x, float y) {   \
    MouseUp(QStringLiteral(#name), index, button, shift, x, y);               \
  }
#define ZAM_SINGLE_KEY(name)                                       \
  void name##_MouseDown(int button, int shift, float x, float y) { \
    MouseDown(QStringLiteral(#name), -1, button, shift, x, y);     \
  }                                                                \
  void name##_MouseUp(int button, int shift, float x, float y) {   \
    MouseUp(QStringLiteral(#name), -1, button, shift, x, y);       \
  }
  ZAM_ARRAY_KEY(imgRec)
  ZAM_ARRAY_KEY(imgPlayRev)
  ZAM_ARRAY_KEY(imgStop)
  ZAM_ARRAY_KEY(imgPlay)
  ZAM_ARRAY_KEY(imgPause)
  ZAM_ARRAY_KEY(imgSearch)
  ZAM_ARRAY_KEY(imgRecSpeedUp)
  ZAM_ARRAY_KEY(imgRecSpeedDown)
  ZAM_ARRAY_KEY(imgEnter)
  ZAM_ARRAY_KEY(imgArrow)
  ZAM_ARRAY_KEY(imgCam)  // element 132 is the Quad key
  ZAM_ARRAY_KEY(imgIPCam)
  ZAM_SINGLE_KEY(imgCam1)
  ZAM_SINGLE_KEY(imgIPCam1)
  ZAM_SINGLE_KEY(imgAlarm)
  ZAM_SINGLE_KEY(imgSeq)
  ZAM_SINGLE_KEY(imgZoom)
  ZAM_SINGLE_KEY(imgFunc)
#undef ZAM_ARRAY_KEY
#undef ZAM_SINGLE_KEY

  // A click on a key while no unit is connected sends nothing: says so in
  // the status line (not while a connect is under way).
  void HintWhenDisconnected();

  // Sets the arrow pad's tooltip for the region under (x, y).
  void imgArrow_MouseMove(int index, int button, int shift, float x, float y);

  // Sends the arrow of direction 1 (left) to 4 (down) at once, again after
  // 400 ms held and then about every 100 ms, until the pad's tag says the
  // key went up or the link closes. extraInfo only goes to the debug log.
  void SendArrowKey(int index, int direction, const QString& extraInfo);

  // Both arrow pads ready for a new hold (their tags empty), as a connect
  // starts.
  void ReadyArrowPads();

  // True while alarm mode is on (the Alarm key's tag is "Set").
  bool AlarmModeSet() const;

  // The PC keyboard poll's answers for an arrow pressed from the keyboard
  // (tag "Key"): whether the key has been held 400 ms, and whether a
  // virtual key is down now. Unset, a keyboard arrow sends once.
  std::function<bool()> KeyHeldDown;
  std::function<bool(int virtualKey)> VirtualKeyDown;

 private:
  std::optional<KeyPair> PairOf(const PictureKey& key) const;
  void Send(const KeyPair& key);
  bool LinkClosed() const;
  void ShowPicture(PictureKey& key, bool pressed);
  void AlarmDown(PictureKey& key, int button, float x, float y);
  void AlarmUp(PictureKey& key);
  void ArrowDown(PictureKey& key, int button, float x, float y);
  void ArrowUp(PictureKey& key);

  PanelHost& host_;
  QList<PictureKey*> keys_;
};

}  // namespace zam
