#include "unitsession.h"

#include <QDate>
#include <QLocale>

#include "debuglog.h"
#include "eventpump.h"
#include "settingskeys.h"
#include "settingsstore.h"
#include "zamtcp.h"

namespace zam {

namespace {
QString Today() { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }

void LogLedReply(quint8 bits) {
  if (DebugMode())
    WriteDebugLog(
        QStringLiteral("LED Bits/Byte: %1/0x%2").arg(ByteToBits(bits), QString::number(bits, 16).toUpper()));
}
}  // namespace

UnitSession::UnitSession(QObject* parent) : QObject(parent) {}

void UnitSession::Connect(const ConnectRequest& request) {
  if (connected_) return;
  kind_ = request.kind;
  entry_ = request.entry;
  target_ = request.entry.contains(',') ? request.entry.section(QStringLiteral(", "), 0, 0) : request.entry;
  // Nothing of the unit reached last time may stand for this one.
  link_.UnitInfo.Reset();
  if (kind_ == LinkKind::Serial)
    ConnectSerial(request);
  else
    ConnectEthernet(request);
}

void UnitSession::ConnectSerial(const ConnectRequest& request) {
  SerialAdapter& port = link_.MSComm1;
  port.SetCommPort(request.entry.mid(3).toInt());
  const bool opened = port.Open();
  emit statusChanged(QStringLiteral("Status: Detecting the unit..."));
  // A port that could not be opened has no unit to find at any rate; a device the user
  // may not open says so, any other failure adds the platform's reason to the status line.
  bool addReason = false;
  if (opened)
    link_.DetectUnit(false);
  else if (port.PermissionDenied())
    link_.UnitInfo.Message = SerialPermissionText(port.Device());
  else {
    link_.UnitInfo.Message = QStringLiteral("Could not detect the unit");
    addReason = true;
  }
  if (link_.UnitInfo.UnitType == 0) {
    // The platform's reason goes to the status line only; the log line stays as it is.
    Failed(QStringLiteral("Status: ") + link_.UnitInfo.Message +
               (addReason ? QStringLiteral(" (") + port.OpenFailure() + ')' : QString()),
           link_.UnitInfo.Message);
    return;
  }
  emit statusChanged(QStringLiteral("Status: Connected to the unit (") + link_.UnitInfo.Name + ')');
  Established();
}

void UnitSession::ConnectEthernet(const ConnectRequest& request) {
  DeleteSetting(setting::Password);
  emit statusChanged(QStringLiteral("Status: Detecting the unit..."));
  const QString password = request.password == QLatin1String(kDefaultPassword) ? QString() : request.password;
  QString errMsg = target_;
  if (!link_.ConnectionRequest(target_, password, request.port, errMsg)) {
    const QString reason = link_.wskClient.FailureReason();
    Failed(QStringLiteral("Status: Could not detect the unit - ") + errMsg +
               (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + ')'),
           errMsg);
    return;
  }
  emit statusChanged(QStringLiteral("Status: Detecting the unit..."));
  link_.DetectUnit(true);
  emit credentialsAccepted(request.password, request.port);
  emit statusChanged(QStringLiteral("Status: Connected to ") + target_ + QStringLiteral(" (") +
                     link_.UnitInfo.Name + ')');
  Established();
}

void UnitSession::Failed(const QString& status, const QString& reason) {
  emit statusChanged(status);
  if (kind_ == LinkKind::Serial)
    link_.MSComm1.Close();
  else
    link_.wskClient.Close();
  link_.RebootDone = false;
  WriteDebugLog(QStringLiteral("Cannot connect to %1 on %2 (%3)").arg(entry_, Today(), reason));
  emit connectedChanged(false);
}

// The steps every successful connect ends with.
void UnitSession::Established() {
  connected_ = true;
  ++generation_;
  ledsKnown_ = 0;
  // A miss of the link closed before must not end this one.
  ledReplyMissed_ = false;
  serialMisses_ = 0;
  emit serialMissesChanged(link_.UnitInfo.UnitType, 0);
  emit connectedChanged(true);
  WriteDebugLog(QStringLiteral("Connected to ") + entry_ + QStringLiteral(" on ") + Today());
  const int type = link_.UnitInfo.UnitType;
  emit ledChanged(type, 8, true);
  SaveSetting(setting::LastKeyboard, QString::number(type));
}

void UnitSession::Disconnect() {
  if (!connected_) return;
  if (kind_ == LinkKind::Ethernet) {
    emit statusChanged(QStringLiteral("Status: Disconnected from ") + target_ + QStringLiteral(" (") +
                       link_.UnitInfo.Name + ')');
    WriteDebugLog(QStringLiteral("Disconnected from %1 on %2").arg(entry_, Today()));
    link_.wskClient.Close();
  } else {
    emit statusChanged(QStringLiteral("Status: Disconnected from the unit (") + link_.UnitInfo.Name + ')');
    link_.MSComm1.Close();
  }
  connected_ = false;
  link_.RebootDone = false;
  ledReplyMissed_ = false;
  emit connectedChanged(false);
  emit rowChanged(link_.UnitInfo.UnitType, true, false);
}

void UnitSession::Supervise() {
  const int state = link_.wskClient.State();
  if ((state == sckConnectionPending || state == sckClosing || state == sckError) && connected_) {
    Disconnect();
  } else if (state == sckConnected && ledReplyMissed_) {
    ledReplyMissed_ = false;
    Disconnect();
  }
}

// Only the LEDs whose state changed are drawn: a steady row costs nothing.
void UnitSession::DrawLeds(quint8 bits) {
  const int type = link_.UnitInfo.UnitType;
  if (type != 1 && type != 4) return;
  const int generation = generation_;
  for (int i = 0; i < 8; ++i) {
    const quint8 mask = quint8(1u << i);
    const bool lit = bits & mask;
    if ((ledsKnown_ & mask) && bool(ledsLit_ & mask) == lit) continue;
    PumpEvents();
    // A disconnect while events ran has put the row out: leave it so.
    if (!connected_ || generation != generation_) return;
    emit ledChanged(type, i, lit);
    ledsKnown_ |= mask;
    ledsLit_ = lit ? quint8(ledsLit_ | mask) : quint8(ledsLit_ & ~mask);
  }
}

void UnitSession::UpdateLeds() {
  if (ledPollBusy_) return;  // a tick that arrives inside the previous poll's wait
  const QString& version = link_.UnitInfo.Version;
  if (version.isEmpty() || VersionValue(version) < 1.2 || !connected_) return;
  ledPollBusy_ = true;
  const int generation = generation_;
  if (kind_ == LinkKind::Ethernet) {
    if (link_.wskClient.State() == sckConnected) {
      const UnitLink::LedReply reply = link_.RequestLedTcp();
      if (generation == generation_) {
        if (reply.outcome != UnitLink::LedReply::Reply) {
          ledReplyMissed_ = true;
        } else {
          LogLedReply(reply.bits);
          ledReplyMissed_ = false;
          DrawLeds(reply.bits);
        }
      }
    }
  } else {
    PollSerialLeds();
  }
  ledPollBusy_ = false;
}

void UnitSession::PollSerialLeds() {
  if (!link_.MSComm1.IsOpen()) {
    // The port closed under a connected session: its device is gone.
    Disconnect();
    return;
  }
  const UnitLink::LedReply reply = link_.RequestLedSerial();
  if (reply.outcome == UnitLink::LedReply::Reply) {
    LogLedReply(reply.bits);
    serialMisses_ = 0;
    emit serialMissesChanged(link_.UnitInfo.UnitType, 0);
    DrawLeds(reply.bits);
  } else if (reply.outcome == UnitLink::LedReply::NoReply) {
    ++serialMisses_;
    emit serialMissesChanged(link_.UnitInfo.UnitType, serialMisses_);
    // A unit reporting exactly 1.20 is not dropped this way.
    if (serialMisses_ == 3 && VersionValue(link_.UnitInfo.Version) > 1.2) Disconnect();
  }
}

void UnitSession::RefreshAlarmLeds() {
  const QString& version = link_.UnitInfo.Version;
  if (version.isEmpty() || VersionValue(version) < 1.2 || !connected_) return;
  // Over TCP the regular poll keeps the LEDs current.
  if (kind_ == LinkKind::Ethernet || ledPollBusy_) return;
  ledPollBusy_ = true;
  PollSerialLeds();
  ledPollBusy_ = false;
}

bool UnitSession::RebootUnit() { return link_.RebootUnit(kind_ == LinkKind::Ethernet); }

void UnitSession::RebootSequence() {
  WriteDebugLog(QStringLiteral("The unit has requested to reboot"));
  link_.RebootDone = RebootUnit();
  if (!link_.RebootDone) return;
  WriteDebugLog(QStringLiteral("The unit rebooted successfully"));
  Disconnect();
}

}  // namespace zam
