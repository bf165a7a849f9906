#pragma once
// The keyboard window: connection frame, the two keyboard pictures with
// their LED rows, status line and the hidden debug box and address list.
// The link to the unit is its session's and the address list its address
// book's; the window shows them.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "addressbook.h"
#include "serialadapter.h"
#include "timeddiscovery.h"
#include "unitsession.h"
#include "videopane.h"

class QAbstractItemDelegate;
class QAction;
class QMenu;
class QFrame;
class QListWidget;
class QLocalServer;

namespace zam {

class frmKeyboardMap;
struct UnitTarget;

// The address box: reports drop-downs and lets the window filter its keys.
class AddressCombo : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
 signals:
  void droppedDown();
};

class KeyPanel;
class KeyPollGate;
class PanelHost;
class PcKeyboard;

class frmZAMKeyboard : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmZAMKeyboard(QWidget* parent = nullptr);
  ~frmZAMKeyboard() override;

  // Start-up with the program's arguments; false when this copy must end
  // (another copy was brought forward, or the display is refused).
  bool Form_Load(const QStringList& arguments);

  // Connection manager.
  void cmdConnect_Click();
  void Timer1_Timer();
  void ShowKeyboardPanel(int unitType);
  // Help > Keyboard Map... and F1: the PC keys of the keyboard being shown.
  void ShowKeyboardMap();
  int ShownKeyboard() const { return shownKeyboard_; }
  frmKeyboardMap* KeyboardMap() const { return keyboardMap_; }

  // LEDs and reboot.
  void UpdateLEDStatus();
  void AlarmKeyLedRefresh();
  bool RebootUnit();
  // Ctrl+R: reboot, and disconnect when the unit acknowledged.
  void RebootSequence();

  // Address list and link type.
  void LoadIPList();
  void SaveIPList();
  void cboCommType_Click();
  void cboComPort_Click();
  // The operator picked an item of cboComPort.
  void cboComPort_Chosen();

  // The add-address dialog: gives a full entry, or "" when cancelled.
  std::function<QString()> AddAddressDialog;

  // Discovery (app/windowaddressbox.cpp over addressbook/timeddiscovery.h).
  void DiscoverUnits();
  void mnuToolsOptions_Click();
  TimedDiscovery* Discovery = nullptr;

  // The selected unit's own settings (app/windowunitsettings.cpp).
  void mnuToolsUnitSettings_Click();
  // Enabled for a selected Ethernet entry; else disabled, the tooltip says why.
  void UpdateUnitSettingsItem();
  // A new password that logs in goes into the unit's entry (field 4).
  void StoreUnitPassword(const UnitTarget& unit, const QString& password);

  // The session with the unit; the window shows its state.
  UnitSession Session;
  KeyPanel* Panel = nullptr;  // the pictured keys and their handlers
  PcKeyboard* PCKeyboard = nullptr;  // the PC keyboard poll
  KeyPollGate* KeyPoll = nullptr;    // when the poll runs
  AddressBook IPList;       // the address book behind cboIPList and cboComPort
  bool Screen1024x768 = false;
  int ArrangedFrameHeight = 0;  // caption and borders when the layout last ran

  bool IsConnected() const;
  // The unit of the current connection: its address, or the COM port.
  QString Target() const { return Session.Target(); }
  bool IsEthernet() const;
  // The link the operator chose in cboCommType.
  bool EthernetChosen() const { return chosenLink_ == LinkKind::Ethernet; }

  // Controls, named as their objectName.
  QMenu* mnuDisconnectMenu = nullptr;
  QAction* mnuDisconnect = nullptr;
  QMenu* mnuFile = nullptr;
  QAction* mnuFileExit = nullptr;
  QMenu* mnuTools = nullptr;
  QAction* mnuToolsOptions = nullptr;
  QAction* mnuToolsUnitSettings = nullptr;
  QAction* mnuToolsVideo = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuHelpKeyboardMap = nullptr;
  QAction* mnuHelpAbout = nullptr;
  QFrame* Frame1 = nullptr;
  QComboBox* cboCommType = nullptr;
  QLabel* lblComPort = nullptr;
  AddressCombo* cboComPort = nullptr;
  QLabel* Label1[2] = {nullptr, nullptr};  // "Pass&word:", "P&ort:"
  QLineEdit* txtPassword = nullptr;
  QLineEdit* txtPort = nullptr;
  QPushButton* cmdConnect = nullptr;
  QLabel* lblStatus = nullptr;
  QLabel* lblVersion = nullptr;
  QPlainTextEdit* txtDebug = nullptr;
  QListWidget* cboIPList = nullptr;
  QLabel* picKeyboard[2] = {nullptr, nullptr};
  QLabel* imgLED[9] = {};   // 0..7, [8] is element 255 (the link LED)
  QLabel* imgLED4[9] = {};
  QTimer* Timer1 = nullptr;
  QTimer* tmrLEDStatus = nullptr;
  QTimer* tmrKeyHook = nullptr;

  // Video pane (panel/videopane.cpp; the window's side in windowvideo.cpp).
  void SetVideoMenu(VideoMenu mode);
  void mnuToolsVideo_Click();
  VideoPane* const Video = new VideoPane(this);

  // What the pictured keys and the PC keyboard poll reach the window through.
  PanelHost& KeysHost() const { return *panelHost_; }

  // Window layout for the current state (height, centring, debug box).
  void ArrangeWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Lays the window out again once the platform's frame is known.
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void ApplyNotConnected();
  void ConnectSession();
  void ShowSessionState(bool connected);
  void KeepCredentials(const QString& password, const QString& port);
  void SetRowLeds(int unitType, bool includeLink, const QString& picture);
  QLabel** LedRow(int unitType);
  void SelectAddressItem(int index);
  void RefreshHiddenList();
  // Fills cboIPList from the book, and cboComPort too when the book was read from the store.
  void ShowAddressBook(bool reloaded);
  // Fills cboComPort with the serial ports there are now, selecting "RS-232"/"Port".
  void ListComPorts();
  void StartSingleInstanceServer();
  void TimedDiscoveryTick();
  void BuildVideoPane();
  void ApplyVideoPane();
  void SetUpDiscovery();
  void SetUpUnitSettings();
  void DiscoveryCycle();
  void tmrKeyHook_Timer();

  std::unique_ptr<PanelHost> panelHost_;
  LinkKind chosenLink_ = LinkKind::Serial;
  QList<SerialPortEntry> comPorts_;  // the items of cboComPort in RS-232 mode
  // cboComPort's item painters: its own for addresses, one with the port's text for RS-232.
  QAbstractItemDelegate* addressItems_ = nullptr;
  QAbstractItemDelegate* comPortItems_ = nullptr;
  bool handlingSelection_ = false;
  bool shuttingDown_ = false;
  QLocalServer* instanceServer_ = nullptr;
  bool optionsChangedList_ = false;  // an Options dialog changed the stored list
  int shownKeyboard_ = 4;  // unit type of the keyboard picture shown
  frmKeyboardMap* keyboardMap_ = nullptr;
};

}  // namespace zam
