#pragma once
// What the pictured keys, the PC keyboard poll and its gate need from the
// program around them: the window the keys live in, the link the key codes
// go out on, and the few window actions a key can start. The keyboard
// window provides it; the panel never sees the window's own class.
#include <QString>
#include <optional>

#include "keycodes.h"

class QWidget;

namespace zam {

struct UnitInfoRecord;

// Where the settings block of the connected unit is read from: the address
// of the connection, and the password and port as typed.
struct ComboBlockTarget {
  QString address;
  QString password;
  QString port;
};

class PanelHost {
 public:
  virtual ~PanelHost() = default;

  // The keyboard window: owner of the panel's objects, and the window whose
  // activation decides whether typed keys are for the unit.
  virtual QWidget& KeyboardWindow() = 0;

  // Sends one key code over the selected link (serial or TCP).
  virtual void SendKey(const KeyPair& key) = 0;
  // A unit is connected and takes keys.
  virtual bool IsConnected() const = 0;
  // The link is up for the key poll (from the end of a connect to the
  // start of its disconnect).
  virtual bool KeyPollWanted() const = 0;
  // A connect is under way (the Connect button is disabled meanwhile).
  virtual bool ConnectUnderWay() const = 0;
  // The window's status line.
  virtual void ShowStatus(const QString& text) = 0;

  // What the unit of the connection reported; the PC keyboard poll keeps the
  // alarm latch mode it reads there.
  virtual UnitInfoRecord& UnitInfo() = 0;
  // The settings-block target of an Ethernet connection; none on the serial link.
  virtual std::optional<ComboBlockTarget> ComboTarget() const = 0;

  // Reads the unit's LEDs again at once (the Alarm key shows its mode).
  virtual void RefreshAlarmLeds() = 0;
  // Ctrl+R: asks, reboots the unit and disconnects when it acknowledged.
  virtual void RebootSequence() = 0;
};

}  // namespace zam
