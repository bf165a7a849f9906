#include "frmOptions.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QUrl>

#include "PingIP.h"
#include "addressbook.h"
#include "buddylabels.h"
#include "busycursor.h"
#include "controlproperties.h"
#include <corvel/corvel_factory.h>
#include <corvel/corvel_udp.h>
#include "debuglog.h"
#include "discovery.h"
#include <dotquad/dotquad.h>
#include "eventpump.h"
#include "fieldfilter.h"
#include "msgbox.h"
#include "networkpage.h"
#include "serialadapter.h"
#include "settingsstore.h"
#include "zamserial.h"
#include "twips.h"

namespace zam {

namespace {


void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QLabel* AddLabel(QWidget* parent, const QString& text, int left, int top, int width) {
  auto* label = new QLabel(text, parent);
  Place(label, left, top + 45, width, 255);
  return label;
}


const QString kSearching = QStringLiteral("Searching...");
const QString kDiscover = QStringLiteral("Discover");

}  // namespace

frmOptions::frmOptions(QAction* optionsMenuItem, QWidget* parent)
    : QDialog(parent), optionsMenuItem_(optionsMenuItem) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Options"));
  setModal(true);

  UDP1 = qobject_cast<Corvel_Project::UDP*>(CreateCorvelControl(QStringLiteral("Corvel_Project.UDP"), this));
  if (UDP1) {
    UDP1->setObjectName(QStringLiteral("UDP1"));
    LoadControlProperties(UDP1, objectName());
    connect(UDP1, &Corvel_Project::UDP::Discovered, this,
            [this](qint16 count) { lblDisStatus->setText(QStringLiteral("Found ") + QString::number(count)); });
  }
  MSComm1 = new SerialAdapter(this);
  MSComm1->setObjectName(QStringLiteral("MSComm1"));

  SSTab1 = new QTabWidget(this);
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  Place(SSTab1, 120, 120, 7455, 5175);
  auto* discovery = new QWidget;
  discovery->setObjectName(QStringLiteral("tabDiscovery"));
  auto* ethernet = new QWidget;
  ethernet->setObjectName(QStringLiteral("tabEthernet"));
  SSTab1->addTab(discovery, QStringLiteral("&Discovery"));
  SSTab1->addTab(ethernet, QStringLiteral("&Ethernet Settings"));
  BuildDiscoveryTab(discovery);
  BuildEthernetTab(ethernet);

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  Place(cmdOK, 4935, 5415, 1215, 375);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  Place(cmdCancel, 6360, 5415, 1215, 375);
  connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
  setFixedSize(Px(7695), Px(5940));
  LabelsFollowBuddies(this);

  LoadSettings();
}

frmOptions::~frmOptions() { MSComm1->Close(); }

void frmOptions::BuildDiscoveryTab(QWidget* page) {
  auto* group = new QButtonGroup(page);
  const char* texts[2] = {"Discover the Marloxs and add them to the IP Address list automatically",
                          "Discover the Marloxs and show them into the IP Address list"};
  for (int i = 0; i < 2; ++i) {
    optDisOption[i] = new QRadioButton(QString::fromLatin1(texts[i]), page);
    optDisOption[i]->setObjectName(QStringLiteral("optDisOption(%1)").arg(i));
    Place(optDisOption[i], 240, 180 + i * 330, 6975, 285);
    group->addButton(optDisOption[i], i);
  }
  connect(group, &QButtonGroup::idClicked, this, &frmOptions::optDisOption_Click);

  QLabel* portLabel = AddLabel(page, QStringLiteral("Port:"), 240, 900, 600);
  txtPort = new QLineEdit(QStringLiteral("8092"), page);
  txtPort->setObjectName(QStringLiteral("txtPort"));
  txtPort->setMaxLength(5);
  // Digits and "-", typed or pasted; editing keys (Delete included) still work.
  txtPort->setValidator(new FieldFilter(FieldFilter::Digits, txtPort));
  Place(txtPort, 855, 900, 900, 315);
  portLabel->setBuddy(txtPort);

  fraDiscovery = new QGroupBox(page);
  fraDiscovery->setObjectName(QStringLiteral("fraDiscovery"));
  Place(fraDiscovery, 240, 1335, 6975, 3255);
  lstIPAddress = new QListWidget(fraDiscovery);
  lstIPAddress->setObjectName(QStringLiteral("lstIPAddress"));
  Place(lstIPAddress, 120, 240, 4935, 2535);
  connect(lstIPAddress, &QListWidget::itemChanged, this, [this] { UpdateAddButton(); });

  cmdDiscovery = new QPushButton(kDiscover, fraDiscovery);
  cmdDiscovery->setObjectName(QStringLiteral("cmdDiscovery"));
  Place(cmdDiscovery, 5175, 240, 1680, 375);
  connect(cmdDiscovery, &QPushButton::clicked, this, &frmOptions::cmdDiscovery_Click);
  const char* selectTexts[2] = {"Select &All", "&Clear All"};
  for (int i = 0; i < 2; ++i) {
    cmdSelectAll[i] = new QPushButton(QString::fromLatin1(selectTexts[i]), fraDiscovery);
    cmdSelectAll[i]->setObjectName(QStringLiteral("cmdSelectAll(%1)").arg(i));
    Place(cmdSelectAll[i], 5175, 735 + i * 495, 1680, 375);
    connect(cmdSelectAll[i], &QPushButton::clicked, this, [this, i] { cmdSelectAll_Click(i); });
  }
  cmdAddIP = new QPushButton(QStringLiteral("Add &IP(s)"), fraDiscovery);
  cmdAddIP->setObjectName(QStringLiteral("cmdAddIP"));
  Place(cmdAddIP, 5175, 1725, 1680, 375);
  connect(cmdAddIP, &QPushButton::clicked, this, &frmOptions::cmdAddIP_Click);
  for (QPushButton* b : {cmdDiscovery, cmdSelectAll[0], cmdSelectAll[1], cmdAddIP}) b->setEnabled(false);

  lblDisStatus = new QLabel(QStringLiteral("Click Discover"), fraDiscovery);
  lblDisStatus->setObjectName(QStringLiteral("lblDisStatus"));
  Place(lblDisStatus, 120, 2850, 6735, 285);
}

void frmOptions::BuildEthernetTab(QWidget* page) {
  const int labelLeft = 240, fieldLeft = 1680;
  const char* listLabels[2] = {"Ethernet:", "DHCP:"};
  for (int i = 0; i < 2; ++i) {
    const int top = 240 + i * 450;
    QLabel* label = AddLabel(page, QString::fromLatin1(listLabels[i]), labelLeft, top, 1335);
    cboEthernet[i] = new QComboBox(page);
    cboEthernet[i]->setObjectName(QStringLiteral("cboEthernet(%1)").arg(i));
    Place(cboEthernet[i], fieldLeft, top, 1455, 315);
    label->setBuddy(cboEthernet[i]);
  }
  const char* fieldLabels[3] = {"IP Address:", "Subnet Mask:", "Gateway:"};
  for (int i = 0; i < 3; ++i) {
    const int top = 1140 + i * 450;
    QLabel* label = AddLabel(page, QString::fromLatin1(fieldLabels[i]), labelLeft, top, 1335);
    dqIpAddress[i] = qobject_cast<DotquadLib::Dotquad*>(CreateDotquadControl(QStringLiteral("DotquadLib.Dotquad"), page));
    dqIpAddress[i]->setObjectName(QStringLiteral("dqIpAddress(%1)").arg(i));
    dqIpAddress[i]->move(Px(fieldLeft), Px(top));
    // A mask begins with 255, which the address check would cut to 223.
    if (i == 1) dqIpAddress[i]->SetSubnetMask(true);
    label->setBuddy(dqIpAddress[i]);
    connect(dqIpAddress[i], &DotquadLib::Dotquad::Change, this, &frmOptions::UpdateEthernetButtons);
  }

  QLabel* profileLabel = AddLabel(page, QStringLiteral("IP Profile:"), labelLeft, 2550, 1335);
  cboProfile = new QComboBox(page);
  cboProfile->setObjectName(QStringLiteral("cboProfile"));
  Place(cboProfile, fieldLeft, 2550, 2130, 315);
  profileLabel->setBuddy(cboProfile);
  connect(cboProfile, &QComboBox::activated, this, [this] { cboProfile_Click(); });
  cmdDelete = new QPushButton(QStringLiteral("Delete"), page);
  cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
  Place(cmdDelete, 3930, 2520, 1095, 375);
  connect(cmdDelete, &QPushButton::clicked, this, &frmOptions::cmdDelete_Click);
  // Delete has something to delete only while the list holds a profile.
  cmdDelete->setEnabled(false);
  const auto followProfiles = [this] { cmdDelete->setEnabled(cboProfile->count() > 0); };
  connect(cboProfile->model(), &QAbstractItemModel::rowsInserted, this, followProfiles);
  connect(cboProfile->model(), &QAbstractItemModel::rowsRemoved, this, followProfiles);
  connect(cboProfile->model(), &QAbstractItemModel::modelReset, this, followProfiles);

  const char* captions[5] = {"&Read", "&Change", "&Ping", "&Launch Web", "Re&boot"};
  for (int i = 0; i < 5; ++i) {
    cmdEthernet[i] = new QPushButton(QString::fromLatin1(captions[i]), page);
    cmdEthernet[i]->setObjectName(QStringLiteral("cmdEthernet(%1)").arg(i));
    Place(cmdEthernet[i], 5535, 240 + i * 495, 1455, 375);
    connect(cmdEthernet[i], &QPushButton::clicked, this, [this, i] { cmdEthernet_Click(i); });
  }

  lblRS232Only = new QLabel(QStringLiteral("Read/Change/Reboot only works via RS232."), page);
  lblRS232Only->setObjectName(QStringLiteral("lblRS232Only"));
  Place(lblRS232Only, labelLeft, 3210, 6750, 285);
  // On the same line: the port the page uses and its device (set on load).
  lblRS232Port = new QLabel(page);
  lblRS232Port->setObjectName(QStringLiteral("lblRS232Port"));
  const int portLeft = lblRS232Only->x() + lblRS232Only->sizeHint().width() + Px(120);
  lblRS232Port->setGeometry(portLeft, lblRS232Only->y(), Px(labelLeft + 6750) - portLeft, lblRS232Only->height());
  lblStatus = new QLabel(QStringLiteral("Ready"), page);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  lblStatus->setFrameShape(QFrame::Panel);
  lblStatus->setFrameShadow(QFrame::Sunken);
  Place(lblStatus, labelLeft, 3660, 6750, 315);
}

void frmOptions::LoadSettings() {
  const QString option = GetSetting(setting::DiscoveryOption);
  if (option == QLatin1String("0") || option == QLatin1String("1")) {
    const int index = option.toInt();
    optDisOption[index]->setChecked(true);
    optDisOption_Click(index);
  }
  txtPort->setText(GetSetting(setting::DiscoveryPort));

  // The dialog's own port: COMn of the settings, mapped to its device.
  const QString port = GetSetting(setting::DialogComPort);
  const int number = port.startsWith(QLatin1String("COM")) ? port.mid(3).toInt() : 0;
  comDevice_ = ComPortDevice(number);
  MSComm1->SetCommPort(number);
  // Which port the page talks to, and the device behind it.
  comPortName_ = port;
  lblRS232Port->setText(port + QStringLiteral(": ") + comDevice_);
  // The frame is always 8N1; a rate that is no number leaves the port's 9600.
  MSComm1->SetSettings(GetSetting(setting::DialogBaudRate));
  for (QComboBox* list : cboEthernet) list->addItems({QStringLiteral("Disable"), QStringLiteral("Enable")});
  for (QComboBox* list : cboEthernet) list->setCurrentIndex(-1);

  const QString profile = GetSetting(setting::Profile);
  if (!profile.isEmpty()) {
    ProfileAction(ListProfiles, profile);
    ProfileAction(ApplyProfile, profile);
  }
  UpdateEthernetButtons();
}

// ---- "&Discovery" tab ----

void frmOptions::optDisOption_Click(int index) {
  const bool on = index == 1;
  for (QWidget* w : {static_cast<QWidget*>(fraDiscovery), static_cast<QWidget*>(cmdDiscovery),
                     static_cast<QWidget*>(cmdSelectAll[0]), static_cast<QWidget*>(cmdSelectAll[1]),
                     static_cast<QWidget*>(lblDisStatus)})
    w->setEnabled(on);
  if (lstIPAddress->count() == 0) {
    cmdSelectAll[0]->setEnabled(false);
    cmdSelectAll[1]->setEnabled(false);
  }
}

void frmOptions::cmdDiscovery_Click() {
  bool ok = false;
  const int port = txtPort->text().toInt(&ok);
  if (ok && UDP1) UDP1->SetRemotePort(port);

  UnitList.clear();
  lstIPAddress->clear();
  cmdDiscovery->setText(kSearching);
  cmdDiscovery->setEnabled(false);
  for (QPushButton* b : {cmdAddIP, cmdSelectAll[0], cmdSelectAll[1]}) b->setEnabled(false);

  if (UDP1) {
    const BusyCursor busy;
    UDP1->Discovery(UnitList);
  }
  if (!UnitList.isEmpty()) {
    lstIPAddress->blockSignals(true);
    for (int k = 0; k < UnitList.size(); ++k) {
      const DISCOVER_UDP_INFO& u = UnitList[k];
      if (u.IPAddress.isEmpty()) continue;
      const QString text = u.IPAddress + QStringLiteral(", ") + u.ModelName + QStringLiteral(", ") + u.SerialNo;
      int row = 0;
      while (row < lstIPAddress->count() &&
             QString::compare(lstIPAddress->item(row)->text(), text, Qt::CaseInsensitive) <= 0)
        ++row;
      auto* item = new QListWidgetItem(text);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
      // The item's place says nothing about its record: keep the record's index.
      item->setData(Qt::UserRole, k);
      lstIPAddress->insertItem(row, item);
    }
    lstIPAddress->blockSignals(false);
    lblDisStatus->setText(QStringLiteral("Found ") + QString::number(lstIPAddress->count()));
    cmdSelectAll[0]->setEnabled(true);
    cmdSelectAll[1]->setEnabled(true);
  }
  cmdDiscovery->setText(kDiscover);
  cmdDiscovery->setEnabled(true);
}

void frmOptions::UpdateAddButton() {
  bool any = false;
  for (int i = 0; i < lstIPAddress->count() && !any; ++i)
    any = lstIPAddress->item(i)->checkState() == Qt::Checked;
  cmdAddIP->setEnabled(any);
}

void frmOptions::cmdSelectAll_Click(int index) {
  lstIPAddress->blockSignals(true);
  for (int i = 0; i < lstIPAddress->count(); ++i)
    lstIPAddress->item(i)->setCheckState(index == 0 ? Qt::Checked : Qt::Unchecked);
  lstIPAddress->blockSignals(false);
  cmdAddIP->setEnabled(index == 0);
}

void frmOptions::cmdAddIP_Click() {
  // The stored list as it is now: the window's copy may be older.
  AddressBook book;
  book.Load();

  bool answeredNo = false;
  for (int i = 0; i < lstIPAddress->count(); ++i) {
    const QListWidgetItem* item = lstIPAddress->item(i);
    if (item->checkState() != Qt::Checked) continue;
    const int k = item->data(Qt::UserRole).toInt();
    if (k < 0 || k >= UnitList.size()) continue;
    const MergeResult r = book.Merge(UnitList[k]);
    const bool alreadyListed = r.kind == MergeKind::Listed || r.kind == MergeKind::Unknown;
    if (alreadyListed && !answeredNo) {
      const QString text = QStringLiteral("[") + item->text() + QStringLiteral("] already exists.     \r\n") +
                           QStringLiteral("Click Yes if you want to see each IP duplication message.\r\n") +
                           QStringLiteral("Otherwise, click No.\r\n\r\n");
      answeredNo = MsgBox(this, text, MsgButtons::YesNo, MsgIcon::Exclamation,
                          QStringLiteral("Unit Duplication")) == MsgAnswer::No;
    }
  }

  if (book.Count() > 0) book.Save();
  addressListChanged_ = true;
  if (optionsMenuItem_) optionsMenuItem_->setProperty("Tag", QStringLiteral("Update"));
}

void frmOptions::cmdOK_Click() {
  SaveSetting(setting::DiscoveryOption, optDisOption[1]->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
  SaveSetting(setting::DiscoveryPort, txtPort->text());
  accept();
}

void frmOptions::cmdCancel_Click() { reject(); }

// ---- "&Ethernet Settings" tab ----

bool frmOptions::OpenPortFor() {
  EthernetSettings = ETHERNET_SETTINGS();
  cmdEthernet[0]->setEnabled(false);
  cmdEthernet[1]->setEnabled(false);
  if (!MSComm1->Open()) {
    // A port number without a device never reaches the port: its reason instead.
    const QString reason = MSComm1->PermissionDenied() ? SerialPermissionText(MSComm1->DevicePath())
                           : MSComm1->Device().isEmpty() ? MSComm1->OpenFailure()
                                                          : MSComm1->ErrorString();
    lblStatus->setText(QStringLiteral("Error: ") + reason);
    // Change follows the fields, as after every other outcome.
    UpdateEthernetButtons();
    return false;
  }
  return true;
}

void frmOptions::ClosePortAfter() {
  cmdEthernet[0]->setEnabled(true);
  // Change needs complete fields, whatever the operation left in them.
  UpdateEthernetButtons();
  MSComm1->Close();
}

bool frmOptions::GetEthernetInfo() {
  const auto block = NetworkPage(*MSComm1).Read();
  if (!block) {
    lblStatus->setText(QStringLiteral("Timeout"));
    return false;
  }
  EthernetSettings.EthernetMode = block->ethernetMode;
  EthernetSettings.DHCPMode = block->dhcpMode;
  EthernetSettings.IPAddress = block->ipAddress;
  EthernetSettings.SubnetMask = block->subnetMask;
  EthernetSettings.Gateway = block->gateway;
  return true;
}

bool frmOptions::SetEthernetInfo() {
  if (!MSComm1->IsOpen() || cboEthernet[0]->currentIndex() < 0 || cboEthernet[1]->currentIndex() < 0)
    return false;
  std::array<std::array<quint8, 4>, 3> parts{};
  for (int f = 0; f < 3; ++f) {
    for (int p = 0; p < 4; ++p) {
      bool ok = false;
      const int value = dqIpAddress[f]->PartAddress(p).toInt(&ok);
      if (!ok || value < 0 || value > 255) return false;
      parts[f][p] = static_cast<quint8>(value);
    }
  }
  return NetworkPage(*MSComm1).Write(static_cast<quint8>(cboEthernet[0]->currentIndex()),
                                     static_cast<quint8>(cboEthernet[1]->currentIndex()), parts[0], parts[1],
                                     parts[2]);
}

void frmOptions::UpdateEthernetButtons() {
  bool filled = cboEthernet[0]->currentIndex() >= 0 && cboEthernet[1]->currentIndex() >= 0;
  for (const DotquadLib::Dotquad* field : dqIpAddress)
    for (int p = 0; p < 4 && filled; ++p) filled = !field->PartAddress(p).isEmpty();
  for (int i = 1; i <= 3; ++i) cmdEthernet[i]->setEnabled(filled);
}

void frmOptions::cmdEthernet_Click(int index) {
  // Each of the five talks to the unit (serial line, ping) and waits.
  const BusyCursor busy;
  switch (index) {
    case 0:  // Read
      if (!OpenPortFor()) return;
      lblStatus->setText(QStringLiteral("Getting the Ethernet information"));
      if (!GetEthernetInfo()) {
        // Which port and rate were tried, so that a wrong one can be seen.
        lblStatus->setText(QStringLiteral("Could not get the Ethernet information (no answer on %1 at %2 baud)")
                               .arg(comPortName_ + QStringLiteral(": ") + comDevice_)
                               .arg(MSComm1->BaudRate()));
      } else {
        if (EthernetSettings.EthernetMode < cboEthernet[0]->count())
          cboEthernet[0]->setCurrentIndex(EthernetSettings.EthernetMode);
        if (EthernetSettings.DHCPMode < cboEthernet[1]->count())
          cboEthernet[1]->setCurrentIndex(EthernetSettings.DHCPMode);
        dqIpAddress[0]->SetFullAddress(EthernetSettings.IPAddress);
        dqIpAddress[1]->SetFullAddress(EthernetSettings.SubnetMask);
        dqIpAddress[2]->SetFullAddress(EthernetSettings.Gateway);
        UpdateEthernetButtons();
        lblStatus->setText(QStringLiteral("Finished getting the Ethernet information"));
      }
      ClosePortAfter();
      return;
    case 1: {  // Change
      if (!OpenPortFor()) return;
      lblStatus->setText(QStringLiteral("Contacting the unit..."));
      if (!SetEthernetInfo()) {
        lblStatus->setText(QStringLiteral("Could not set the Ethernet settings"));
      } else {
        lblStatus->setText(QStringLiteral("Ethernet settings were set to unit successfully."));
        NetworkPage(*MSComm1).Reboot();
        const QString ip = dqIpAddress[0]->FullAddress();
        const QString line = QStringList{ip, dqIpAddress[1]->FullAddress(), dqIpAddress[2]->FullAddress(),
                                         QString::number(cboEthernet[0]->currentIndex()),
                                         QString::number(cboEthernet[1]->currentIndex())}
                                 .join(QLatin1Char(','));
        if (ProfileAction(AddProfile, line)) ProfileAction(ListProfiles, ip);
      }
      ClosePortAfter();
      return;
    }
    case 2: {  // Ping
      QString address = dqIpAddress[0]->FullAddress();
      lblStatus->setText(PingAddress(address));
      return;
    }
    case 3: {  // Launch Web
      QString address = dqIpAddress[0]->FullAddress();
      const QString result = PingAddress(address);
      lblStatus->setText(result);
      if (!result.contains(QLatin1String("IP Success"))) {
        lblStatus->setText(QStringLiteral("No response from ") + address);
        return;
      }
      const bool launched = QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + address));
      lblStatus->setText(launched ? QStringLiteral("The Web browser was launched successful.")
                                  : QStringLiteral("Could not launch the Web browser."));
      return;
    }
    case 4:  // Reboot
      if (!OpenPortFor()) return;
      NetworkPage(*MSComm1).Reboot();
      lblStatus->setText(QStringLiteral("Reboot request was sent to the unit."));
      ClosePortAfter();
      return;
    default:
      return;
  }
}

}  // namespace zam
