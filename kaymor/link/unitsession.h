#pragma once
// One operator session with a unit: the link chosen at connect (TCP or the
// serial line), the connect and disconnect steps with their status texts and
// log lines, the supervision of the link, the LED poll and the reboot.
// The window asks for a connect with what the operator entered and shows
// what the session reports through its signals; it never holds link state.
#include <QObject>
#include <QString>

#include "unitlink.h"

namespace zam {

enum class LinkKind { Serial, Ethernet };

// What the operator entered for a connect.
struct ConnectRequest {
  LinkKind kind = LinkKind::Ethernet;
  QString entry;     // the address box's text: "10.0.0.5, name, MAC", an address or a COM port
  QString password;  // as typed; the default password is sent as none
  QString port;      // TCP port as typed
};

class UnitSession : public QObject {
  Q_OBJECT
 public:
  explicit UnitSession(QObject* parent = nullptr);

  UnitLink& Link() { return link_; }
  const UnitLink& Link() const { return link_; }
  const UnitInfoRecord& Unit() const { return link_.UnitInfo; }
  UnitInfoRecord& Unit() { return link_.UnitInfo; }

  bool IsConnected() const { return connected_; }
  LinkKind Kind() const { return kind_; }
  bool IsEthernet() const { return kind_ == LinkKind::Ethernet; }
  // The unit of the current (or last) connection: its address, or the COM port.
  QString Target() const { return target_; }
  // Counts connects, so that a reply that arrives late is not taken for a new link.
  int Generation() const { return generation_; }
  // A TCP LED request went unanswered and the supervision has not acted yet.
  bool LedReplyMissed() const { return ledReplyMissed_; }
  // Serial LED requests unanswered in a row; the third ends the session.
  int SerialMisses() const { return serialMisses_; }

  // Connects over the request's link and identifies the unit; the outcome is
  // reported through statusChanged and, on success, connectedChanged.
  void Connect(const ConnectRequest& request);
  void Disconnect();

  // The once-a-second look at the link: a socket that dropped, or a missed
  // LED reply over TCP, ends the session.
  void Supervise();
  // The once-a-second LED request and the drawing of its reply.
  void UpdateLeds();
  // The LEDs again after the alarm key, serial link only (TCP polls anyway).
  void RefreshAlarmLeds();
  // Sends the reboot command; true when it went out (serial) or was
  // acknowledged (TCP).
  bool RebootUnit();
  // Ctrl+R: reboot, and end the session when the unit acknowledged.
  void RebootSequence();

 signals:
  void statusChanged(const QString& text);
  void connectedChanged(bool connected);
  // The unit took the password and port: the window keeps them with the entry.
  void credentialsAccepted(const QString& password, const QString& port);
  // One LED of the row of unitType; index 8 is the link LED.
  void ledChanged(int unitType, int index, bool lit);
  // The eight key LEDs, and the link LED with them when includeLink.
  void rowChanged(int unitType, bool includeLink, bool lit);
  // Serial LED requests unanswered in a row on the link of unitType; 0 after a reply.
  void serialMissesChanged(int unitType, int misses);

 private:
  void ConnectSerial(const ConnectRequest& request);
  void ConnectEthernet(const ConnectRequest& request);
  void Failed(const QString& status, const QString& reason);
  void Established();
  void DrawLeds(quint8 bits);
  void PollSerialLeds();

  UnitLink link_;
  LinkKind kind_ = LinkKind::Ethernet;
  bool connected_ = false;
  QString target_;
  QString entry_;  // the address box's text at connect, for the log lines
  int generation_ = 0;
  bool ledPollBusy_ = false;
  // The LEDs 0 to 7 as last drawn on this link: which are known, which lit.
  quint8 ledsKnown_ = 0, ledsLit_ = 0;
  // A TCP LED request went unanswered: the next supervision tick ends the link.
  bool ledReplyMissed_ = false;
  // Serial LED requests unanswered in a row since the last reply.
  int serialMisses_ = 0;
};

}  // namespace zam
