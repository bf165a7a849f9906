#pragma once
// The keyboard window: connection frame, the two keyboard pictures with
// their LED rows, status line and the hidden debug box and address list.
// Its code is spread by subject: start-up and layout here (app/), connect,
// supervision and LEDs in link/, the address box in addressbook/.
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

#include "addresslist.h"
#include "discoverymsg.h"
#include "unitlink.h"
#include "videopane.h"

class QAction;
class QMenu;
class QFrame;
class QListWidget;
class QLocalServer;

namespace Corvel_Project {
class UDP;
}

namespace zam {

class frmKeyboardMap;

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

  // Discovery (addressbook/discovery.cpp).
  void DiscoverUnits();
  void mnuToolsOptions_Click();
  Corvel_Project::UDP* UDP1 = nullptr;
  QList<DISCOVER_UDP_INFO> UnitList;
  int DiscoveredCount = 0;
  bool AutoDiscover = false;
  int DiscoverTickLimit = 30;

  // State shared with the other parts of the window.
  UnitLink Link;
  KeyPanel* Panel = nullptr;  // the pictured keys and their handlers
  PcKeyboard* PCKeyboard = nullptr;  // the PC keyboard poll
  KeyPollGate* KeyPoll = nullptr;    // when the poll runs
  AddressList IPList;       // the hidden sorted list behind cboIPList
  QString Timer1Tag;        // "LED-NoResponse" after a missed TCP LED reply
  int DiscoverTicks = 0;
  QString SavedDisOption;
  bool NotConnected = true;
  bool Screen1024x768 = false;
  int ArrangedFrameHeight = 0;  // caption and borders when the layout last ran

  bool IsConnected() const;
  // The unit of the current connection: its address, or the COM port.
  QString Target() const { return target_; }
  bool IsEthernet() const;

  // Controls, named as their objectName.
  QMenu* mnuDisconnectMenu = nullptr;
  QAction* mnuDisconnect = nullptr;
  QMenu* mnuFile = nullptr;
  QAction* mnuFileExit = nullptr;
  QMenu* mnuTools = nullptr;
  QAction* mnuToolsOptions = nullptr;
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
  const bool& VideoPaneOn = Video->OnFlag();  // the pane's switch (mnuToolsVideo)

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
  void SetLinkEnd(const QString& logLine);
  void DrawLeds(quint8 bits);
  void PollSerialLeds();
  void SetRowLeds(int unitType, bool includeLink, const QString& picture);
  QLabel** LedRow(int unitType);
  void SelectAddressItem(int index);
  void RefreshHiddenList();
  void StartSingleInstanceServer();
  void TimedDiscoveryTick();
  void BuildVideoPane();
  void ApplyVideoPane();
  void SetUpDiscovery();
  void DiscoveryCycle();
  void tmrKeyHook_Timer();

  std::unique_ptr<PanelHost> panelHost_;
  QString target_;          // the unit being connected
  int linkGeneration_ = 0;  // counts connects, so a late reply is not taken for a new link
  bool ledPollBusy_ = false;
  bool handlingSelection_ = false;
  bool shuttingDown_ = false;
  QLocalServer* instanceServer_ = nullptr;
  int shownKeyboard_ = 4;  // unit type of the keyboard picture shown
  frmKeyboardMap* keyboardMap_ = nullptr;
};

}  // namespace zam
