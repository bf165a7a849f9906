#include "frmZAMKeyboard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenuBar>
#include <QAbstractItemView>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <cstdlib>

#include "appinfo.h"
#include "buddylabels.h"
#include "debuglog.h"
#include "debuglogbox.h"
#include <dotquad/dotquad.h>
#include "eventpump.h"
#include "frmAbout.h"
#include "frmAddIP.h"
#include "frmKeyboardMap.h"
#include "keypanel.h"
#include "msgbox.h"
#include "panelhostimpl.h"
#include "panellayout.h"
#include "keypollgate.h"
#include "pckeyboard.h"
#include "pictures.h"
#include "screendpi.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "twips.h"

namespace zam {

namespace {


using layout::kPanelHeight;
using layout::kPanelLeft;
using layout::kPanelWidth;
constexpr int kFrameHeight = 855;
constexpr int kFrameGap = 105;       // between the connection frame and the keyboard
constexpr int kStatusHeight = 300;
constexpr int kDebugTop = 3480;
constexpr int kDebugWindowHeight = 7200;
constexpr int kWindowExtra = 900;    // caption, menu and borders
constexpr int kConnectLeftEthernet = 9960;

// "Keyboard"/"LastUsed"; a stored 0 means the four-camera keyboard.
int LastUsedType() {
  const int type = GetSetting(setting::LastKeyboard).toInt();
  return type == 0 ? 4 : type;
}

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

}  // namespace

void AddressCombo::showPopup() {
  emit droppedDown();
  QComboBox::showPopup();
}

frmZAMKeyboard::frmZAMKeyboard(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmZAMKeyboard");
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  AddAddressDialog = [this] { return frmAddIP::AddAddress(this, cboComPort); };
  // The address fields' warnings are the program's message boxes too.
  DotquadLib::Dotquad::SetWarningHandler([](const QString& title, const QString& text) {
    MsgBox(QApplication::activeWindow(), text, MsgButtons::Ok, MsgIcon::Exclamation, title);
  });
  BuildMenus();
  BuildControls();
  BuildVideoPane();
  SetUpDiscovery();
  const QString icon = PicturePath(QString::fromLatin1(layout::kIconPicture));
  if (QFile::exists(icon)) setWindowIcon(QIcon(icon));

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &frmZAMKeyboard::Timer1_Timer);
  tmrLEDStatus = new QTimer(this);
  tmrLEDStatus->setObjectName("tmrLEDStatus");
  tmrLEDStatus->setInterval(1000);
  connect(tmrLEDStatus, &QTimer::timeout, this, &frmZAMKeyboard::UpdateLEDStatus);
  tmrKeyHook = new QTimer(this);
  tmrKeyHook->setObjectName("tmrKeyHook");
  tmrKeyHook->setInterval(10);
  connect(tmrKeyHook, &QTimer::timeout, this, &frmZAMKeyboard::tmrKeyHook_Timer);

  panelHost_ = std::make_unique<WindowPanelHost>(*this);
  Panel = new KeyPanel(*panelHost_, {picKeyboard[0], picKeyboard[1]});
  PCKeyboard = new PcKeyboard(*panelHost_, *Panel);
  KeyPoll = new KeyPollGate(*panelHost_, *PCKeyboard, *tmrKeyHook);
  ConnectSession();
}

frmZAMKeyboard::~frmZAMKeyboard() {
  shuttingDown_ = true;
  // The gate watches every event of the application; the closing of the widget
  // below this class still sends some, which must not reach a half-destroyed window.
  delete KeyPoll;
  KeyPoll = nullptr;
  // The keyboard watches them too, and reaches the window through the host,
  // which goes with this class.
  delete PCKeyboard;
  PCKeyboard = nullptr;
  if (DebugMode()) CloseDebugLog();
}

void frmZAMKeyboard::BuildMenus() {
  QMenuBar* bar = menuBar();
  // Put on the bar only while shown (ArrangeWindow): the bar takes the access
  // key of every entry it holds, hidden ones too, and Alt+D would then be
  // ambiguous and no longer press the Disconnect button.
  mnuDisconnect = new QAction(tr("&Disconnect"), this);
  mnuDisconnect->setObjectName("mnuDisconnect");
  mnuDisconnect->setVisible(false);
  connect(mnuDisconnect, &QAction::triggered, this, &frmZAMKeyboard::cmdConnect_Click);

  mnuFile = bar->addMenu(tr("&File"));
  mnuFile->setObjectName("mnuFile");
  mnuFileExit = mnuFile->addAction(tr("E&xit"));
  mnuFileExit->setObjectName("mnuFileExit");
  // Ends at once, also from inside a wait that runs events (a connect in
  // progress): the window's close handling does not run. Settings and log
  // lines are already on disk when written.
  connect(mnuFileExit, &QAction::triggered, this, [] { std::_Exit(0); });

  mnuTools = bar->addMenu(tr("&Tools"));
  mnuTools->setObjectName("mnuTools");
  mnuToolsOptions = mnuTools->addAction(tr("&Options..."));
  mnuToolsOptions->setObjectName("mnuToolsOptions");
  mnuToolsVideo = mnuTools->addAction(tr("&Enable Video Capture"));
  mnuToolsVideo->setObjectName("mnuToolsVideo");

  mnuHelp = bar->addMenu(tr("&Help"));
  mnuHelp->setObjectName("mnuHelp");
  mnuHelpKeyboardMap = mnuHelp->addAction(tr("&Keyboard Map..."));
  mnuHelpKeyboardMap->setObjectName("mnuHelpKeyboardMap");
  connect(mnuHelpKeyboardMap, &QAction::triggered, this, &frmZAMKeyboard::ShowKeyboardMap);
  // F1 too, also while connected (the Help menu is disabled then); the key
  // poll does not watch it.
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setObjectName("F1KeyboardMap");
  connect(f1, &QShortcut::activated, this, &frmZAMKeyboard::ShowKeyboardMap);
  mnuHelpAbout = mnuHelp->addAction(tr("&About"));
  mnuHelpAbout->setObjectName("mnuHelpAbout");
  connect(mnuHelpAbout, &QAction::triggered, this, [this] { frmAbout::ShowAbout(this); });
}

void frmZAMKeyboard::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("centralWidget");
  setCentralWidget(central);

  Frame1 = new QFrame(central);
  Frame1->setObjectName("Frame1");
  Frame1->setFrameShape(QFrame::StyledPanel);

  cboCommType = new QComboBox(Frame1);
  cboCommType->setObjectName("cboCommType");
  Place(cboCommType, 120, 240, 1335, 345);
  connect(cboCommType, &QComboBox::activated, this, [this] { cboCommType_Click(); });

  lblComPort = new QLabel(tr("&IP:"), Frame1);
  lblComPort->setObjectName("lblComPort");
  Place(lblComPort, 1575, 285, 600, 285);

  cboComPort = new AddressCombo(Frame1);
  cboComPort->setObjectName("cboComPort");
  cboComPort->setToolTip(tr("To delete press [Delete], to add press [Insert], and to clear press [Ctrl+Delete]"));
  Place(cboComPort, 2175, 240, 3855, 345);
  lblComPort->setBuddy(cboComPort);
  cboComPort->installEventFilter(this);
  connect(cboComPort, &QComboBox::activated, this, [this] { cboComPort_Chosen(); });
  // The operator is busy with the list: timed discovery waits.
  connect(cboComPort, &AddressCombo::droppedDown, this, [this] { Discovery->ResetTicks(); });
  connect(cboComPort->view()->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { Discovery->ResetTicks(); });

  Label1[0] = new QLabel(tr("Pass&word:"), Frame1);
  Label1[0]->setObjectName("Label1(0)");
  Place(Label1[0], 6150, 285, 975, 285);
  txtPassword = new QLineEdit(Frame1);
  txtPassword->setObjectName("txtPassword");
  txtPassword->setEchoMode(QLineEdit::Password);
  Place(txtPassword, 7125, 240, 1215, 345);
  Label1[0]->setBuddy(txtPassword);

  Label1[1] = new QLabel(tr("P&ort:"), Frame1);
  Label1[1]->setObjectName("Label1(1)");
  Place(Label1[1], 8460, 285, 600, 285);
  txtPort = new QLineEdit(QStringLiteral("1024"), Frame1);
  txtPort->setObjectName("txtPort");
  Place(txtPort, 9060, 240, 780, 345);
  Label1[1]->setBuddy(txtPort);

  cmdConnect = new QPushButton(tr("&Connect"), Frame1);
  cmdConnect->setObjectName("cmdConnect");
  Place(cmdConnect, kConnectLeftEthernet, 225, 1215, 375);
  connect(cmdConnect, &QPushButton::clicked, this, &frmZAMKeyboard::cmdConnect_Click);
  // Enter in the password or port box connects, as a click on Connect would.
  // Queued: the Enter press has been delivered in full, while disconnected, by
  // the time the connect starts, so the key poll never takes it for the unit.
  for (QLineEdit* box : {txtPassword, txtPort})
    connect(
        box, &QLineEdit::returnPressed, this,
        [this] {
          if (!Session.IsConnected() && cmdConnect->isEnabled()) cmdConnect_Click();
        },
        Qt::QueuedConnection);

  for (int p = 0; p < 2; ++p) {
    picKeyboard[p] = new QLabel(central);
    picKeyboard[p]->setObjectName(QStringLiteral("picKeyboard(%1)").arg(p));
    picKeyboard[p]->setScaledContents(true);
    picKeyboard[p]->setVisible(false);
    LoadPicture(picKeyboard[p], QString::fromLatin1(layout::kPanelPictures[p]));
    QLabel** row = p == 0 ? imgLED : imgLED4;
    for (int i = 0; i < 9; ++i) {
      const layout::LedPicture* led = layout::FindLed(p, i < 8 ? i : layout::kLinkLed);
      row[i] = new QLabel(picKeyboard[p]);
      row[i]->setObjectName(QString::fromLatin1(led->objectName));
      row[i]->setScaledContents(true);
      Place(row[i], led->left, led->top, layout::kLedSize, layout::kLedSize);
      LoadPicture(row[i], QString::fromLatin1(layout::kLedUnlit));
    }
  }

  txtDebug = new QPlainTextEdit(central);
  txtDebug->setObjectName("txtDebug");
  txtDebug->setReadOnly(true);
  txtDebug->setVisible(false);

  cboIPList = new QListWidget(central);
  cboIPList->setObjectName("cboIPList");
  cboIPList->setVisible(false);

  lblStatus = new QLabel(central);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setFrameShape(QFrame::Panel);
  lblStatus->setFrameShadow(QFrame::Sunken);
  lblVersion = new QLabel(central);
  lblVersion->setObjectName("lblVersion");
  lblVersion->setFrameShape(QFrame::Panel);
  lblVersion->setFrameShadow(QFrame::Sunken);
  lblVersion->setAlignment(Qt::AlignCenter);
  LabelsFollowBuddies(Frame1);
}

bool frmZAMKeyboard::Form_Load(const QStringList& arguments) {
  const QString running = GetSetting(setting::Running);

  // Another copy listens: with its marker set it is brought forward and this
  // copy ends; a copy without the marker is asked to close.
  if (running == QLatin1String("Yes")) {
    if (SendToRunningCopy(QStringLiteral("raise"))) return false;
  } else {
    SendToRunningCopy(QStringLiteral("close"));
  }

  if (GetScreenDPI() != 96) {
    MsgBox(this,
           QString::fromLatin1(kProgramTitle) +
               QStringLiteral(" supports Normal font size (96 DPI) only. Click OK button to quit.     "),
           MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Incompatible Display Font Size"));
    return false;
  }

  SaveSetting(setting::Running, QStringLiteral("Yes"));
  StartSingleInstanceServer();

  setWindowTitle(QString::fromLatin1(kProgramTitle) + QStringLiteral(" V") + VersionText(false));
  lblVersion->setText(QStringLiteral(" V") + VersionText(true));
  if (HasDebugSwitch(arguments)) {
    setWindowTitle(QString::fromLatin1(kProgramTitle) + QStringLiteral(" V") + VersionText(true));
    OpenDebugLogInBox(txtDebug);
  }

  ShowKeyboardPanel(LastUsedType());

  cboCommType->blockSignals(true);
  cboCommType->clear();
  cboCommType->addItems({QStringLiteral("RS-232"), QStringLiteral("Ethernet")});
  cboCommType->setCurrentIndex(GetSetting(setting::CommType).toInt() == 1 ? 1 : 0);
  cboCommType->blockSignals(false);
  cboCommType_Click();

  SetVideoMenu(VideoMenu::FromSettings);
  ArrangeWindow();

  if (GetSetting(setting::Version).isEmpty())
    SaveSetting(setting::Password, QLatin1String(kDefaultPassword));
  SaveSetting(setting::Version, VersionText(true));
  txtPassword->setText(GetSetting(setting::Password));

  cboComPort_Click();
  PCKeyboard->ResetKeys(KeyReset::Init);

  Timer1->start();
  tmrLEDStatus->start();
  return true;
}

void frmZAMKeyboard::StartSingleInstanceServer() {
  if (instanceServer_) return;
  instanceServer_ = new QLocalServer(this);
  instanceServer_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString name = InstanceServerName();
  if (!instanceServer_->listen(name)) {
    // A stale socket of a crashed copy, or the copy that was just asked to close.
    QLocalServer::removeServer(name);
    instanceServer_->listen(name);
  }
  connect(instanceServer_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* peer = instanceServer_->nextPendingConnection()) {
      connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
        while (peer->canReadLine()) {
          const QByteArray request = peer->readLine().trimmed();
          if (request == "raise") {
            if (isMinimized()) showNormal();
            raise();
            activateWindow();
          } else if (request == "close") {
            close();
          }
          // Answer after acting, so the newcomer writes its marker after ours.
          peer->write("ok\n");
          peer->flush();
        }
      });
    }
  });
}

void frmZAMKeyboard::ArrangeWindow() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desk = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  // The screen less its panels and docks: the menu bar and the status line
  // must not end up behind them or off the screen.
  const QRect avail = screen ? screen->availableGeometry() : desk;
  Screen1024x768 = desk.width() == 1024 && desk.height() == 768;

  const bool compact = Video->IsOn() && Screen1024x768;
  const bool frameHidden = compact && IsConnected();
  // The window's whole height in twips for a video pane of paneHeight.
  const auto layoutHeight = [&](int paneHeight) {
    const int frameTop = Video->IsOn() ? VideoPane::kTop + paneHeight + 120 : 120;
    const int keyboardTop = frameHidden ? frameTop : frameTop + kFrameHeight + kFrameGap;
    return kPanelHeight + kStatusHeight + keyboardTop + kWindowExtra;
  };
  // The full pane wherever it fits; on a lower screen the pane gives up the
  // pixels the window lacks, and everything else keeps its size.
  const int overflow = Px(layoutHeight(VideoPane::kFullHeight)) - avail.height();
  Video->FitHeight(Video->IsOn() ? PixelsToTwips(overflow) : 0);
  const int frameTop = Video->IsOn() ? VideoPane::kTop + Video->Height() + 120 : 120;
  const int keyboardTop = frameHidden ? frameTop : frameTop + kFrameHeight + kFrameGap;
  if (frameHidden) {
    Frame1->setVisible(false);
    if (!menuBar()->actions().contains(mnuDisconnect))
      menuBar()->insertAction(mnuFile->menuAction(), mnuDisconnect);
    mnuDisconnect->setVisible(true);
  } else {
    Frame1->setVisible(true);
    menuBar()->removeAction(mnuDisconnect);
    mnuDisconnect->setVisible(false);
    if (!compact) ShowKeyboardPanel(LastUsedType());
  }
  Place(Frame1, kPanelLeft, frameTop, kPanelWidth, kFrameHeight);
  for (QLabel* pic : picKeyboard) Place(pic, kPanelLeft, keyboardTop, kPanelWidth, kPanelHeight);

  int height = layoutHeight(Video->Height());
  const bool debugBox = DebugMode() && !Video->IsOn();
  if (debugBox) height = kDebugWindowHeight;
  txtDebug->setVisible(debugBox);

  // The menu bar lives inside the window here; the caption and borders don't.
  const int nonClient = frameGeometry().height() - geometry().height();
  ArrangedFrameHeight = nonClient;
  const int windowHeight = Px(height) - nonClient;
  const int width = Px(kPanelLeft * 2 + kPanelWidth);
  setFixedSize(width, windowHeight);
  ApplyVideoPane();

  const int centralHeight = windowHeight - menuBar()->sizeHint().height();
  const int statusTop = centralHeight - Px(kStatusHeight);
  lblStatus->setGeometry(0, statusTop, width - Px(1800), Px(kStatusHeight));
  lblVersion->setGeometry(width - Px(1800), statusTop, Px(1800), Px(kStatusHeight));
  if (debugBox) txtDebug->setGeometry(Px(kPanelLeft), Px(kDebugTop), Px(kPanelWidth), statusTop - Px(kDebugTop) - 4);

  // Centred on the screen, then pushed inside the available area.
  const QSize frame = frameGeometry().size();
  const QPoint centred = desk.center() - QPoint(frame.width() / 2, frame.height() / 2);
  const auto inside = [](int at, int low, int size, int room) { return qMax(low, qMin(at, low + room - size)); };
  move(inside(centred.x(), avail.left(), frame.width(), avail.width()),
       inside(centred.y(), avail.top(), frame.height(), avail.height()));
}

bool frmZAMKeyboard::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  // The caption and borders are known only once the window is shown (or the
  // window manager framed it): the window must fit the screen with them.
  if ((event->type() == QEvent::Show || event->type() == QEvent::Move) &&
      frameGeometry().height() - geometry().height() != ArrangedFrameHeight)
    ArrangeWindow();
  return handled;
}

void frmZAMKeyboard::ApplyNotConnected() {
  const bool notConnected = !Session.IsConnected();
  for (QWidget* w : {static_cast<QWidget*>(cboCommType), static_cast<QWidget*>(cboComPort),
                     static_cast<QWidget*>(txtPassword), static_cast<QWidget*>(txtPort),
                     static_cast<QWidget*>(Label1[0]), static_cast<QWidget*>(Label1[1])})
    w->setEnabled(notConnected);
  mnuFile->menuAction()->setEnabled(notConnected);
  mnuTools->menuAction()->setEnabled(notConnected);
  mnuHelp->menuAction()->setEnabled(notConnected);
}

void frmZAMKeyboard::closeEvent(QCloseEvent* event) {
  // Refused while a unit is connected (the File menu is disabled then).
  if (!mnuFile->menuAction()->isEnabled()) {
    event->ignore();
    return;
  }
  if (DebugMode()) CloseDebugLog();
  SaveSetting(setting::Running, QString());
  if (instanceServer_) instanceServer_->close();
  event->accept();
}

bool frmZAMKeyboard::eventFilter(QObject* watched, QEvent* event) {
  if (watched != cboComPort) return QMainWindow::eventFilter(watched, event);
  if (event->type() == QEvent::KeyRelease) return true;
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  QString command;
  switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return false;
    case Qt::Key_Insert:
      if (mods == Qt::NoModifier) command = QStringLiteral("Add");
      break;
    case Qt::Key_Delete:
      if (mods == Qt::NoModifier)
        command = QStringLiteral("Delete");
      else if (mods == Qt::ControlModifier)
        command = QStringLiteral("Clear");
      break;
    default:
      break;
  }
  if (!command.isEmpty()) {
    const int index = cboComPort->findText(command);
    if (index >= 0) SelectAddressItem(index);
  }
  return true;
}

void frmZAMKeyboard::ShowKeyboardMap() {
  if (!keyboardMap_) keyboardMap_ = new frmKeyboardMap(this);
  keyboardMap_->ShowKeyboard(shownKeyboard_);
  keyboardMap_->show();
  keyboardMap_->raise();
  keyboardMap_->activateWindow();
}

void frmZAMKeyboard::tmrKeyHook_Timer() { KeyPoll->Poll(); }

}  // namespace zam
