// Tools > Unit Settings...: the selected unit's own settings in a modal
// window, with timed discovery held meanwhile.
#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include "frmUnitSettings.h"
#include "frmZAMKeyboard.h"
#include "timeddiscovery.h"

namespace zam {

namespace {

constexpr int kDefaultPort = 1024;

// "ip,model,serial,password,port" as a unit to talk to.
UnitTarget TargetOfEntry(const QString& entry) {
  const QStringList f = entry.split(QLatin1Char(','));
  UnitTarget t;
  t.host = f.value(0).trimmed();
  t.model = f.value(1).trimmed();
  t.serial = f.value(2).trimmed();
  t.password = f.value(3).trimmed();
  bool ok = false;
  const int port = f.value(4).trimmed().toInt(&ok);
  t.port = ok && port > 0 && port <= 65535 ? port : kDefaultPort;
  return t;
}

}  // namespace

void frmZAMKeyboard::UpdateUnitSettingsItem() {
  const int k = cboComPort->currentIndex();
  QString why;
  if (!EthernetChosen()) why = tr("Unit settings travel over Ethernet; RS-232 is chosen");
  else if (k < 0 || k >= IPList.Count()) why = tr("Select a unit in the address box first");
  mnuToolsUnitSettings->setEnabled(why.isEmpty());
  mnuToolsUnitSettings->setToolTip(why.isEmpty() ? tr("The selected unit's clock, camera titles, display, "
                                                      "password; backup, compare, copy")
                                                 : why);
}

void frmZAMKeyboard::mnuToolsUnitSettings_Click() {
  UpdateUnitSettingsItem();
  if (!mnuToolsUnitSettings->isEnabled()) return;
  const int k = cboComPort->currentIndex();
  UnitTarget unit = TargetOfEntry(IPList.Entries()[k]);
  // What the operator sees in the boxes is what a connect would use.
  unit.password = txtPassword->text().trimmed();
  bool ok = false;
  const int port = txtPort->text().trimmed().toInt(&ok);
  if (ok && port > 0 && port <= 65535) unit.port = port;
  QList<UnitTarget> others;
  for (const QString& entry : IPList.Entries()) others << TargetOfEntry(entry);

  Discovery->Pause();
  frmUnitSettings dialog(unit, others, this);
  connect(&dialog, &frmUnitSettings::PasswordChanged, this, &frmZAMKeyboard::StoreUnitPassword);
  dialog.exec();
  Discovery->Resume();
}

void frmZAMKeyboard::StoreUnitPassword(const UnitTarget& unit, const QString& password) {
  const QStringList& entries = IPList.Entries();
  for (int i = 0; i < entries.size(); ++i) {
    const UnitTarget t = TargetOfEntry(entries[i]);
    if (t.host != unit.host || t.port != unit.port) continue;
    QStringList f = entries[i].split(QLatin1Char(','));
    while (f.size() < 5) f << QString();
    f[3] = password;
    IPList.Replace(i, f.join(QLatin1Char(',')));
    IPList.Save();
    if (i == cboComPort->currentIndex()) txtPassword->setText(password);
  }
}

void frmZAMKeyboard::SetUpUnitSettings() {
  connect(mnuTools, &QMenu::aboutToShow, this, &frmZAMKeyboard::UpdateUnitSettingsItem);
  connect(mnuToolsUnitSettings, &QAction::triggered, this, &frmZAMKeyboard::mnuToolsUnitSettings_Click);
  UpdateUnitSettingsItem();
}

}  // namespace zam
