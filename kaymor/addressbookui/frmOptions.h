#pragma once
// The Options dialog: discovery on request with the checked units added to
// the address list, and a unit's own network settings over RS-232 with the
// network-settings profiles of Profile.dat.
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

#include "discoverymsg.h"
#include "profiles.h"
#include "serialadapter.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
namespace DotquadLib {
class Dotquad;
}

namespace Corvel_Project {
class UDP;
}

namespace zam {

// What a Read got from the unit; cleared at the start of Read, Change and Reboot.
struct ETHERNET_SETTINGS {
  quint8 EthernetMode = 0;
  quint8 DHCPMode = 0;
  QString IPAddress;
  QString SubnetMask;
  QString Gateway;
};

class frmOptions : public QDialog {
  Q_OBJECT
 public:
  // optionsMenuItem: the main window's Tools menu item "&Options...", whose
  // "Tag" property becomes "Update" once the stored address list changed
  // (written for outside observers; the caller asks AddressListChanged()).
  explicit frmOptions(QAction* optionsMenuItem = nullptr, QWidget* parent = nullptr);
  ~frmOptions() override;

  // "&Discovery" tab.
  void optDisOption_Click(int index);
  void cmdDiscovery_Click();
  void cmdSelectAll_Click(int index);  // 0 "Select &All", 1 "&Clear All"
  void cmdAddIP_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

  // Profiles (profiles.cpp). action: AddProfile (text = a whole line),
  // DeleteProfile and ApplyProfile (text = a name), ListProfiles (text shown
  // before the remembered name is selected).
  bool ProfileAction(qint16 action, const QString& text);
  void cboProfile_Click();
  void cmdDelete_Click();

  // "&Ethernet Settings" tab: 0 Read, 1 Change, 2 Ping, 3 Launch Web, 4 Reboot.
  void cmdEthernet_Click(int index);
  bool GetEthernetInfo();
  bool SetEthernetInfo();
  void UpdateEthernetButtons();

  ETHERNET_SETTINGS EthernetSettings;

  // Controls, named as their objectName.
  QTabWidget* SSTab1 = nullptr;
  QGroupBox* fraDiscovery = nullptr;
  std::array<QRadioButton*, 2> optDisOption{};
  QLineEdit* txtPort = nullptr;
  QListWidget* lstIPAddress = nullptr;
  QPushButton* cmdDiscovery = nullptr;
  std::array<QPushButton*, 2> cmdSelectAll{};
  QPushButton* cmdAddIP = nullptr;
  QLabel* lblDisStatus = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

  std::array<QPushButton*, 5> cmdEthernet{};
  std::array<QComboBox*, 2> cboEthernet{};
  std::array<DotquadLib::Dotquad*, 3> dqIpAddress{};
  QLabel* lblStatus = nullptr;
  QLabel* lblRS232Only = nullptr;
  QLabel* lblRS232Port = nullptr;  // "COM1: /dev/ttyS0"
  QComboBox* cboProfile = nullptr;
  QPushButton* cmdDelete = nullptr;

  Corvel_Project::UDP* UDP1 = nullptr;
  // The page's serial port, COMn of "RS-232"/"Port".
  SerialAdapter* MSComm1 = nullptr;

  // The dialog's own discovery results.
  QList<DISCOVER_UDP_INFO> UnitList;

  // "Add &IP(s)" changed the stored address list while the dialog was open.
  bool AddressListChanged() const { return addressListChanged_; }

 private:
  void BuildDiscoveryTab(QWidget* page);
  void BuildEthernetTab(QWidget* page);
  void LoadSettings();
  void UpdateAddButton();
  // Opens the port for Read, Change or Reboot; false (with "Error: ") when it cannot.
  bool OpenPortFor();
  void ClosePortAfter();
  void SelectProfileIndex(int index);

  QAction* optionsMenuItem_ = nullptr;
  QString comPortName_;  // "COM1": the settings' port name of MSComm1
  QString comDevice_;    // its device when the dialog opened, "/dev/ttyS0"
  bool addressListChanged_ = false;
  bool applyOnSelect_ = true;  // false while Delete lists the remaining profiles
};

}  // namespace zam
