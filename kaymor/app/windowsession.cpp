// The keyboard window over its session: the Connect button and the timers
// hand over to the session, and one slot shows the session's state.
#include "busycursor.h"
#include "frmZAMKeyboard.h"
#include "keypanel.h"
#include "keypollgate.h"
#include "panellayout.h"
#include "pckeyboard.h"
#include "pictures.h"
#include "timeddiscovery.h"
#include "zamtcp.h"

namespace zam {

namespace {
const QString kLedLit = QString::fromLatin1(layout::kLedLit);
const QString kLedUnlit = QString::fromLatin1(layout::kLedUnlit);
const QString kConnectCaption = QStringLiteral("&Connect");
const QString kDisconnectCaption = QStringLiteral("&Disconnect");
}  // namespace

void frmZAMKeyboard::ConnectSession() {
  connect(&Session, &UnitSession::statusChanged, lblStatus, &QLabel::setText);
  connect(&Session, &UnitSession::connectedChanged, this, &frmZAMKeyboard::ShowSessionState);
  connect(&Session, &UnitSession::credentialsAccepted, this, &frmZAMKeyboard::KeepCredentials);
  connect(&Session, &UnitSession::ledChanged, this, [this](int unitType, int index, bool lit) {
    if (QLabel** row = LedRow(unitType)) LoadPicture(row[index], lit ? kLedLit : kLedUnlit);
  });
  connect(&Session, &UnitSession::rowChanged, this, [this](int unitType, bool includeLink, bool lit) {
    SetRowLeds(unitType, includeLink, lit ? kLedLit : kLedUnlit);
  });
  // The link LED's tag shows the serial misses in a row, one "1" each.
  connect(&Session, &UnitSession::serialMissesChanged, this, [this](int unitType, int misses) {
    if (misses == 0) {
      imgLED[8]->setProperty("Tag", QString());
      imgLED4[8]->setProperty("Tag", QString());
    } else if (QLabel** row = LedRow(unitType)) {
      row[8]->setProperty("Tag", QString(misses, QLatin1Char('1')));
    }
  });
}

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

bool frmZAMKeyboard::IsConnected() const { return Session.IsConnected(); }

bool frmZAMKeyboard::IsEthernet() const { return Session.IsEthernet(); }

void frmZAMKeyboard::cmdConnect_Click() {
  const QString text = cboComPort->currentText();
  const bool ethernet = EthernetChosen();
  if (!Session.IsConnected()) {
    if (text == QLatin1String("Add") || text == QLatin1String("Delete") || text == QLatin1String("Clear")) return;
    if (text.isEmpty()) {
      lblStatus->setText(ethernet ? QStringLiteral("Status: No IP address selected")
                                  : QStringLiteral("Status: No COM Port selected"));
      return;
    }
  }

  cmdConnect->setEnabled(false);
  {
    const BusyCursor busy;
    if (Session.IsConnected()) {
      Session.Disconnect();
    } else {
      // The connect waits for the unit: no timed discovery starts meanwhile.
      const TimedDiscovery::Held held(Discovery);
      const QString typed = txtPassword->text();
      txtPassword->setProperty("Tag", typed == QLatin1String(kDefaultPassword) ? QString() : typed);
      Session.Connect({ethernet ? LinkKind::Ethernet : LinkKind::Serial, text, typed, txtPort->text()});
    }
  }
  cmdConnect->setEnabled(true);
}

// The password and port that worked stay with the selected entry.
void frmZAMKeyboard::KeepCredentials(const QString& password, const QString& port) {
  const int k = cboComPort->currentIndex();
  if (k < 0 || k >= IPList.Count()) return;
  QStringList fields = IPList.Entries()[k].split(',').mid(0, 3);
  // A short entry keeps its missing fields, empty, so that the password and
  // port land in their own places.
  while (fields.size() < 3) fields << QString();
  fields << password << port;
  IPList.Replace(k, fields.join(','));
  // Slots follow the sorted list, so write them all: writing slot k alone
  // would overwrite another unit's entry.
  SaveIPList();
  RefreshHiddenList();
}

// The one place the session's state reaches the window's controls.
void frmZAMKeyboard::ShowSessionState(bool connected) {
  cmdConnect->setText(connected ? kDisconnectCaption : kConnectCaption);
  if (connected) {
    // Keys typed before the unit was reached (the password, the connect
    // access key) are not for it.
    PCKeyboard->ForgetKeys();
    Panel->ReadyArrowPads();
    tmrKeyHook->start();
  } else {
    tmrKeyHook->stop();
  }
  if (Video->IsOn() && Screen1024x768) ArrangeWindow();
  if (connected) ShowKeyboardPanel(Session.Unit().UnitType);
  ApplyNotConnected();
}

void frmZAMKeyboard::Timer1_Timer() {
  Session.Supervise();
  TimedDiscoveryTick();
}

void frmZAMKeyboard::UpdateLEDStatus() { Session.UpdateLeds(); }

void frmZAMKeyboard::AlarmKeyLedRefresh() { Session.RefreshAlarmLeds(); }

bool frmZAMKeyboard::RebootUnit() { return Session.RebootUnit(); }

void frmZAMKeyboard::RebootSequence() { Session.RebootSequence(); }

}  // namespace zam
