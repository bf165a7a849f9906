// The keyboard window's link-type switch and address box, a view over the
// address book: the unit address list with its "Add", "Clear" and "Delete"
// commands, or the COM ports; and the window's side of timed discovery and
// of the Options dialog.
#include <QAbstractItemView>
#include <QAction>
#include <QListWidget>
#include <QStyledItemDelegate>

#include "debuglog.h"
#include "frmOptions.h"
#include "frmZAMKeyboard.h"
#include "msgbox.h"
#include "serialadapter.h"
#include "settingsstore.h"
#include "timeddiscovery.h"
#include "twips.h"

namespace zam {

namespace {
const QString kSeparator = QString(38, QLatin1Char('='));
const QString kAdd = QStringLiteral("Add");
const QString kClear = QStringLiteral("Clear");
const QString kDelete = QStringLiteral("Delete");
constexpr int kConnectLeftEthernet = 9960;

// The RS-232 drop-down: each item "COM3" reads as its whole text
// "COM3  FT232R USB UART (/dev/ttyUSB0)" while the box shows "COM3".
class ComPortItems : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString whole = index.data(Qt::AccessibleTextRole).toString();
    if (!whole.isEmpty()) option->text = whole;
  }
};
}  // namespace

void frmZAMKeyboard::ShowAddressBook(bool reloaded) {
  cboIPList->clear();
  cboIPList->addItems(IPList.Entries());
  // The RS-232 box lists COM ports only.
  if (!reloaded || !EthernetChosen()) return;

  const QString remembered = TrimFields(IPList.LastUsed(), ",");
  cboComPort->blockSignals(true);
  cboComPort->clear();
  cboComPort->setProperty("Tag", QString());
  int rememberedIndex = -1;
  for (int k = 0; k < IPList.Count(); ++k) {
    const QString& entry = IPList.Entries()[k];
    cboComPort->addItem(DisplayText(entry));
    if (!remembered.isEmpty() && entry.contains(remembered)) {
      rememberedIndex = cboComPort->count() - 1;
      cboComPort->setProperty("Tag", QString::number(rememberedIndex));
    }
  }
  if (IPList.Count() > 0) cboComPort->addItem(kSeparator);
  cboComPort->addItems({kAdd, kClear, kDelete});
  cboComPort->setCurrentIndex(-1);
  cboComPort->blockSignals(false);

  if (cboComPort->count() >= 5) SelectAddressItem(rememberedIndex < 0 ? 0 : rememberedIndex);
}

void frmZAMKeyboard::RefreshHiddenList() { ShowAddressBook(false); }

void frmZAMKeyboard::SelectAddressItem(int index) {
  cboComPort->blockSignals(true);
  cboComPort->setCurrentIndex(index);
  cboComPort->blockSignals(false);
  cboComPort_Click();
}

void frmZAMKeyboard::LoadIPList() { IPList.Load(); }

void frmZAMKeyboard::SaveIPList() { IPList.Save(); }

void frmZAMKeyboard::cboComPort_Click() {
  // The remembered COM port is stored where the operator picks one
  // (cboComPort_Chosen), never by a refill: a port absent at start-up stays
  // remembered for the next time it is plugged in.
  if (!EthernetChosen()) return;
  Discovery->ResetTicks();
  const QString selected = cboComPort->currentText();

  if (selected == kAdd) {
    if (IPList.IsFull()) return;
    // Timed discovery stays idle while the dialog is open.
    Discovery->Pause();
    const QString newEntry = AddAddressDialog ? AddAddressDialog() : QString();
    if (newEntry.isEmpty()) {
      cboComPort->blockSignals(true);
      cboComPort->setCurrentIndex(-1);
      cboComPort->blockSignals(false);
    } else {
      IPList.AddEntry(newEntry);
    }
    LoadIPList();
    Discovery->Resume();
  } else if (selected == kDelete) {
    if (cboComPort->count() < 5) return;
    const QString remembered = IPList.LastUsed();
    const MsgAnswer answer =
        MsgBox(this, QStringLiteral("Do you want to delete \"") + remembered + QStringLiteral("\"?\t"),
               MsgButtons::YesNo, MsgIcon::Information, QStringLiteral("Delete a IP Address"), MsgAnswer::No);
    if (answer == MsgAnswer::Yes) IPList.DeleteRemembered(remembered);
    LoadIPList();
  } else if (selected == kClear) {
    if (cboComPort->count() < 5) return;
    const MsgAnswer answer =
        MsgBox(this, QStringLiteral("Do you want to delete all IP addresses?\t"), MsgButtons::YesNo,
               MsgIcon::Information, QStringLiteral("Delete All IP Addresses"), MsgAnswer::No);
    if (answer == MsgAnswer::Yes) {
      txtPassword->clear();
      txtPort->clear();
      IPList.ClearAll();
    }
    // On No the box gets its entry back: "Clear" left in it would make
    // Connect do nothing.
    LoadIPList();
  } else {
    IPList.SetLastUsed(selected);
    const int k = cboComPort->currentIndex();
    if (k >= 0 && k < IPList.Count()) {
      const QStringList fields = IPList.Entries()[k].split(',');
      if (fields.size() > 3) txtPassword->setText(fields[3]);
      if (fields.size() > 4) txtPort->setText(fields[4]);
    }
  }

  // The separator stands for the entry above it.
  const int now = cboComPort->currentIndex();
  if (now > 0 && cboComPort->currentText().contains(QLatin1String("=====")))
    SelectAddressItem(now - 1);
}

void frmZAMKeyboard::cboComPort_Chosen() {
  const int k = cboComPort->currentIndex();
  if (!EthernetChosen() && k >= 0 && k < comPorts_.size()) {
    const SerialPortEntry& port = comPorts_[k];
    SaveSetting(setting::WindowComPort, QStringLiteral("COM%1").arg(port.number));
    // Said before Connect, which would only find the same.
    if (port.denied) lblStatus->setText(QStringLiteral("Status: ") + SerialPermissionText(port.path));
  }
  cboComPort_Click();
}

void frmZAMKeyboard::ListComPorts() {
  const SerialPortScan scan = ScanSerialPorts();
  comPorts_ = scan.ports;
  // A port this user may not open is the dialout group's matter.
  if (!scan.Hint().isEmpty()) lblStatus->setText(QStringLiteral("Status: ") + scan.Hint());
  cboComPort->blockSignals(true);
  cboComPort->clear();
  if (comPorts_.isEmpty()) {
    cboComPort->addItem(QStringLiteral("No COM port found"));
    cboComPort->setCurrentIndex(0);
    cboComPort->setEnabled(false);
  } else {
    cboComPort->setEnabled(true);
    for (const SerialPortEntry& port : comPorts_) {
      cboComPort->addItem(QStringLiteral("COM%1").arg(port.number));
      // The drop-down shows the whole text beside the name (the box's delegate).
      const int k = cboComPort->count() - 1;
      cboComPort->setItemData(k, port.Text(), Qt::ToolTipRole);
      cboComPort->setItemData(k, port.Text(), Qt::AccessibleTextRole);
    }
    cboComPort->setCurrentIndex(cboComPort->findText(GetSetting(setting::WindowComPort)));
  }
  if (!comPortItems_) {
    addressItems_ = cboComPort->itemDelegate();
    comPortItems_ = new ComPortItems(cboComPort);
  }
  cboComPort->setItemDelegate(comPortItems_);
  cboComPort->view()->setMinimumWidth(cboComPort->view()->sizeHintForColumn(0));
  cboComPort->blockSignals(false);
}

void frmZAMKeyboard::cboCommType_Click() {
  cboComPort->blockSignals(true);
  cboComPort->clear();
  cboComPort->blockSignals(false);
  // The operator's choice of link, kept for everything that follows it.
  chosenLink_ = cboCommType->currentIndex() == 1 ? LinkKind::Ethernet : LinkKind::Serial;
  const bool ethernet = EthernetChosen();
  if (ethernet) {
    if (addressItems_) cboComPort->setItemDelegate(addressItems_);
    cboComPort->view()->setMinimumWidth(0);
    cboComPort->setEnabled(true);
    lblComPort->setText(tr("&IP:"));
    for (QWidget* w : {static_cast<QWidget*>(Label1[0]), static_cast<QWidget*>(Label1[1]),
                       static_cast<QWidget*>(txtPassword), static_cast<QWidget*>(txtPort)})
      w->setVisible(true);
    cmdConnect->move(Px(kConnectLeftEthernet), cmdConnect->y());
    cmdConnect->setProperty("Tag", cboCommType->currentText());
    ArrangeWindow();
    Delay(1);
    LoadIPList();
  } else {
    lblComPort->setText(tr("&Port:"));
    for (QWidget* w : {static_cast<QWidget*>(Label1[0]), static_cast<QWidget*>(Label1[1]),
                       static_cast<QWidget*>(txtPassword), static_cast<QWidget*>(txtPort)})
      w->setVisible(false);
    cmdConnect->move(Label1[0]->x() + Px(100), cmdConnect->y());
    cmdConnect->setProperty("Tag", cboCommType->currentText());
    ListComPorts();
    ArrangeWindow();
  }
  SaveSetting(setting::CommType, ethernet ? QStringLiteral("1") : QStringLiteral("0"));
  if (cboComPort->currentIndex() < 0 && cboComPort->count() > 3) SelectAddressItem(0);
}

// ---- Discovery ----

void frmZAMKeyboard::SetUpDiscovery() {
  Discovery = new TimedDiscovery(IPList, objectName(), this);
  Discovery->EthernetChosen = [this] { return EthernetChosen(); };
  connect(Discovery, &TimedDiscovery::StatusText, lblStatus, &QLabel::setText);
  connect(Discovery, &TimedDiscovery::Discovered, this, &frmZAMKeyboard::LoadIPList);
  connect(&IPList, &AddressBook::Changed, this, [this] { ShowAddressBook(false); });
  connect(&IPList, &AddressBook::Loaded, this, [this] { ShowAddressBook(true); });
  connect(mnuToolsOptions, &QAction::triggered, this, &frmZAMKeyboard::mnuToolsOptions_Click);
}

void frmZAMKeyboard::TimedDiscoveryTick() { Discovery->Tick(EthernetChosen(), IsConnected()); }

void frmZAMKeyboard::DiscoveryCycle() { Discovery->Cycle(); }

void frmZAMKeyboard::DiscoverUnits() { Discovery->DiscoverUnits(); }

void frmZAMKeyboard::mnuToolsOptions_Click() {
  // The dialog discovers on its own (on the same reply port): timed
  // discovery waits until it closes.
  const TimedDiscovery::Held held(Discovery);
  frmOptions dialog(mnuToolsOptions, this);
  dialog.exec();
  // Once a dialog changed the stored list, every later close reloads too.
  if (dialog.AddressListChanged()) optionsChangedList_ = true;
  if (EthernetChosen() && optionsChangedList_) LoadIPList();
}

}  // namespace zam
