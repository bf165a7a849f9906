// The keyboard window's connection manager, link supervision, LED poll and
// reboot.
#include <QDate>
#include <QLocale>

#include "busycursor.h"
#include "debuglog.h"
#include "eventpump.h"
#include "frmZAMKeyboard.h"
#include "panellayout.h"
#include "pckeyboard.h"
#include "pictures.h"
#include "settingsstore.h"
#include "zamtcp.h"

namespace zam {

namespace {
const QString kLedLit = QString::fromLatin1(layout::kLedLit);
const QString kLedUnlit = QString::fromLatin1(layout::kLedUnlit);
const QString kConnectCaption = QStringLiteral("&Connect");
const QString kDisconnectCaption = QStringLiteral("&Disconnect");
const QString kNoResponse = QStringLiteral("LED-NoResponse");

QString Today() { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }
}  // namespace

QLabel** frmZAMKeyboard::LedRow(int unitType) {
  if (unitType == 1) return imgLED;
  if (unitType == 4) return imgLED4;
  return nullptr;
}

void frmZAMKeyboard::ShowKeyboardPanel(int unitType) {
  if (unitType == 1) {
    picKeyboard[0]->setVisible(true);
    picKeyboard[1]->setVisible(false);
    shownKeyboard_ = 1;
  } else if (unitType == 4) {
    picKeyboard[1]->setVisible(true);
    picKeyboard[0]->setVisible(false);
    shownKeyboard_ = 4;
  }
}

void frmZAMKeyboard::SetRowLeds(int unitType, bool includeLink, const QString& picture) {
  QLabel** row = LedRow(unitType);
  if (!row) return;
  for (int i = 0; i < (includeLink ? 9 : 8); ++i) LoadPicture(row[i], picture);
}

void frmZAMKeyboard::cmdConnect_Click() {
  const QString text = cboComPort->currentText();
  if (!text.contains(',')) {
    target_ = text;
    if (text == QLatin1String("Add") || text == QLatin1String("Delete") || text == QLatin1String("Clear"))
      return;
    if (text.isEmpty()) {
      lblStatus->setText(cboCommType->currentIndex() == 0 ? QStringLiteral("Status: No COM Port selected")
                                                          : QStringLiteral("Status: No IP address selected"));
      return;
    }
  } else {
    target_ = text.section(QStringLiteral(", "), 0, 0);
  }

  cmdConnect->setEnabled(false);
  const BusyCursor busy;
  const bool ethernet = IsEthernet();
  const bool connecting = cmdConnect->text() == kConnectCaption;

  if (connecting && !ethernet) {
    Link.UnitInfo.Reset();
    Link.MSComm1.SetCommPort(text.mid(3).toInt());
    const bool opened = Link.MSComm1.Open();
    lblStatus->setText(QStringLiteral("Status: Detecting the unit..."));
    // A port that could not be opened has no unit to find at any rate; a device the user
    // may not open says so, any other failure adds the platform's reason to the status line.
    bool addReason = false;
    if (opened)
      Link.DetectUnit(false);
    else if (Link.MSComm1.PermissionDenied())
      Link.UnitInfo.Message = SerialPermissionText(Link.MSComm1.Device());
    else {
      Link.UnitInfo.Message = QStringLiteral("Could not detect the unit");
      addReason = true;
    }
    if (Link.UnitInfo.UnitType == 0) {
      // The platform's reason goes to the status line only; the log line stays as it is.
      lblStatus->setText(QStringLiteral("Status: ") + Link.UnitInfo.Message +
                         (addReason ? QStringLiteral(" (") + Link.MSComm1.OpenFailure() + ')' : QString()));
      Link.MSComm1.Close();
      tmrKeyHook->stop();
      NotConnected = true;
      Link.RebootDone = false;
      WriteDebugLog(QStringLiteral("Cannot connect to %1 on %2 (%3)").arg(text, Today(), Link.UnitInfo.Message));
    } else {
      lblStatus->setText(QStringLiteral("Status: Connected to the unit (") + Link.UnitInfo.Name + ')');
      SetLinkEnd(QStringLiteral("Connected to ") + text + QStringLiteral(" on ") + Today());
    }
  } else if (connecting && ethernet) {
    // Nothing of the unit reached last time may stand for this one.
    Link.UnitInfo.Reset();
    DeleteSetting("IPAddressList", "Password");
    lblStatus->setText(QStringLiteral("Status: Detecting the unit..."));
    const QString typed = txtPassword->text();
    txtPassword->setProperty("Tag", typed == QLatin1String(kDefaultPassword) ? QString() : typed);
    QString errMsg = target_;
    if (!Link.ConnectionRequest(target_, txtPassword->property("Tag").toString(), txtPort->text(), errMsg)) {
      const QString reason = Link.wskClient.FailureReason();
      lblStatus->setText(QStringLiteral("Status: Could not detect the unit - ") + errMsg +
                         (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + ')'));
      Link.wskClient.Close();
      tmrKeyHook->stop();
      NotConnected = true;
      Link.RebootDone = false;
      WriteDebugLog(QStringLiteral("Cannot connect to %1 on %2 (%3)").arg(text, Today(), errMsg));
    } else {
      lblStatus->setText(QStringLiteral("Status: Detecting the unit..."));
      Link.DetectUnit(true);
      // Remember the password and port that worked with the selected entry.
      const int k = cboComPort->currentIndex();
      if (k >= 0 && k < IPList.Count()) {
        QStringList fields = IPList.Entries()[k].split(',').mid(0, 3);
        // A short entry keeps its missing fields, empty, so that the
        // password and port land in their own places.
        while (fields.size() < 3) fields << QString();
        fields << txtPassword->text() << txtPort->text();
        IPList.Replace(k, fields.join(','));
        // Slots follow the sorted list, so write them all: writing slot k
        // alone would overwrite another unit's entry.
        SaveIPList();
        RefreshHiddenList();
      }
      lblStatus->setText(QStringLiteral("Status: Connected to ") + target_ + QStringLiteral(" (") +
                         Link.UnitInfo.Name + ')');
      SetLinkEnd(QStringLiteral("Connected to ") + text + QStringLiteral(" on ") + Today());
    }
  } else {
    cmdConnect->setText(kConnectCaption);
    if (ethernet) {
      lblStatus->setText(QStringLiteral("Status: Disconnected from ") + target_ + QStringLiteral(" (") +
                         Link.UnitInfo.Name + ')');
      WriteDebugLog(QStringLiteral("Disconnected from %1 on %2").arg(text, Today()));
      Link.wskClient.Close();
    } else {
      lblStatus->setText(QStringLiteral("Status: Disconnected from the unit (") + Link.UnitInfo.Name + ')');
      Link.MSComm1.Close();
    }
    tmrKeyHook->stop();
    NotConnected = true;
    Link.RebootDone = false;
    // A miss of the link just closed must not end the next one.
    Timer1Tag.clear();
    if (VideoPaneOn && Screen1024x768) ArrangeWindow();
    SetRowLeds(Link.UnitInfo.UnitType, true, kLedUnlit);
  }

  ApplyNotConnected();
  cmdConnect->setEnabled(true);
}

// The steps every successful connect ends with.
void frmZAMKeyboard::SetLinkEnd(const QString& logLine) {
  cmdConnect->setText(kDisconnectCaption);
  // Keys typed before the unit was reached (the password, the connect
  // access key) are not for it.
  PCKeyboard->ForgetKeys();
  tmrKeyHook->start();
  NotConnected = false;
  ++linkGeneration_;
  Timer1Tag.clear();
  WriteDebugLog(logLine);
  if (VideoPaneOn && Screen1024x768) ArrangeWindow();
  const int type = Link.UnitInfo.UnitType;
  ShowKeyboardPanel(type);
  if (QLabel** row = LedRow(type)) LoadPicture(row[8], kLedLit);
  SaveSetting("Keyboard", "LastUsed", QString::number(type));
}

void frmZAMKeyboard::Timer1_Timer() {
  const int state = Link.wskClient.State();
  if ((state == sckConnectionPending || state == sckClosing || state == sckError) && IsConnected()) {
    cmdConnect_Click();
  } else if (state == sckConnected && Timer1Tag == kNoResponse) {
    Timer1Tag.clear();
    if (IsConnected()) cmdConnect_Click();
  }
  TimedDiscoveryTick();
}

void frmZAMKeyboard::DrawLeds(quint8 bits) {
  const QString text = ByteToBits(bits);
  QLabel** row = LedRow(Link.UnitInfo.UnitType);
  if (!row) return;
  const int generation = linkGeneration_;
  for (int i = 0; i < 8; ++i) {
    PumpEvents();
    // A disconnect while events ran has put the row out: leave it so.
    if (!IsConnected() || generation != linkGeneration_) return;
    LoadPicture(row[i], text.at(7 - i) == QLatin1Char('1') ? kLedLit : kLedUnlit);
  }
}

void frmZAMKeyboard::UpdateLEDStatus() {
  if (ledPollBusy_) return;  // a tick that arrives inside the previous poll's wait
  const QString& version = Link.UnitInfo.Version;
  if (version.isEmpty() || VersionValue(version) < 1.2 || !IsConnected()) return;
  ledPollBusy_ = true;
  const int generation = linkGeneration_;
  if (cboCommType->currentIndex() != 0) {
    if (Link.wskClient.State() == sckConnected) {
      const UnitLink::LedReply reply = Link.RequestLedTcp();
      if (generation == linkGeneration_) {
        if (reply.outcome != UnitLink::LedReply::Reply) {
          Timer1Tag = kNoResponse;
        } else {
          if (DebugMode())
            WriteDebugLog(QStringLiteral("LED Bits/Byte: %1/0x%2")
                              .arg(ByteToBits(reply.bits), QString::number(reply.bits, 16).toUpper()));
          Timer1Tag.clear();
          DrawLeds(reply.bits);
        }
      }
    }
  } else {
    PollSerialLeds();
  }
  ledPollBusy_ = false;
}

void frmZAMKeyboard::PollSerialLeds() {
  if (!Link.MSComm1.IsOpen()) return;
  const UnitLink::LedReply reply = Link.RequestLedSerial();
  if (reply.outcome == UnitLink::LedReply::Reply) {
    if (DebugMode())
      WriteDebugLog(QStringLiteral("LED Bits/Byte: %1/0x%2")
                        .arg(ByteToBits(reply.bits), QString::number(reply.bits, 16).toUpper()));
    imgLED[8]->setProperty("Tag", QString());
    imgLED4[8]->setProperty("Tag", QString());
    DrawLeds(reply.bits);
  } else if (reply.outcome == UnitLink::LedReply::NoReply) {
    if (QLabel** row = LedRow(Link.UnitInfo.UnitType))
      row[8]->setProperty("Tag", row[8]->property("Tag").toString() + '1');
    const bool threeMisses = imgLED[8]->property("Tag").toString() == QLatin1String("111") ||
                             imgLED4[8]->property("Tag").toString() == QLatin1String("111");
    // A unit reporting exactly 1.20 is not dropped this way.
    if (threeMisses && VersionValue(Link.UnitInfo.Version) > 1.2 && IsConnected()) cmdConnect_Click();
  }
}

void frmZAMKeyboard::AlarmKeyLedRefresh() {
  const QString& version = Link.UnitInfo.Version;
  if (version.isEmpty() || VersionValue(version) < 1.2 || !IsConnected()) return;
  // Over TCP the regular poll keeps the LEDs current.
  if (cboCommType->currentIndex() != 0 || ledPollBusy_) return;
  ledPollBusy_ = true;
  PollSerialLeds();
  ledPollBusy_ = false;
}

bool frmZAMKeyboard::RebootUnit() { return Link.RebootUnit(cboCommType->currentIndex() != 0); }

void frmZAMKeyboard::RebootSequence() {
  WriteDebugLog(QStringLiteral("The unit has requested to reboot"));
  Link.RebootDone = RebootUnit();
  if (!Link.RebootDone) return;
  WriteDebugLog(QStringLiteral("The unit rebooted successfully"));
  if (IsConnected()) cmdConnect_Click();
}

}  // namespace zam
