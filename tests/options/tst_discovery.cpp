// Discovery inside a network namespace with two simulated units: the
// Options dialog's "Discover" and "Add &IP(s)", a settings change over a
// pseudo-terminal seen in the next discovery, and the keyboard window's
// timed discovery.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <corvel/corvel_udp.h>
#include "debuglog.h"
#include <dotquad/dotquad.h>
#include "eventpump.h"
#include "frmOptions.h"
#include "addressfixture.h"
#include "kaymortest.h"
#include "netnslab.h"
#include "settingsstore.h"
#include "unitsimrun.h"

using zam::frmOptions;

namespace {

const QString kUnit1 = QStringLiteral("10.78.0.11, ZAM4, ZS-2001");
const QString kUnit2 = QStringLiteral("10.78.0.12, ZAM1, ZS-2002");

QStringList Items(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

// The stored address list: Total and the slots IP0.. in order.
QStringList StoredList() {
  QStringList out;
  const int total = zam::GetSetting("IPAddressList", "Total", "0").toInt();
  for (int n = 0; n < total; ++n) out << zam::GetSetting("IPAddressList", QStringLiteral("IP%1").arg(n));
  return out;
}

// Ethernet mode with timed discovery, and a version so that start-up is not a first run.
void TimedSettings() {
  zam::SaveSetting("IPAddressList", "CommType", "1");
  zam::SaveSetting("Options", "DisOption", "0");
  zam::SaveSetting("Options", "Version", "1.01.1004");
}

QStringList BoxItems(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

const QString kSeparator(38, QLatin1Char('='));

void StoreList(const QStringList& entries) {
  zam::SaveSetting("IPAddressList", "Total", QString::number(entries.size()));
  for (int n = 0; n < entries.size(); ++n) zam::SaveSetting("IPAddressList", QStringLiteral("IP%1").arg(n), entries[n]);
}

}  // namespace

class TestDiscovery : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void dialogDiscoverLists();
  void dialogAddMerges_data();
  void dialogAddMerges();
  void dialogDiscoverWithoutUnits();
  void changedAddressIsDiscovered();
  void timedDiscoveryListsBothUnits();
  void timedRhythmWithThreeKnown();
  void timedDiscoveryNotArmed_data();
  void timedDiscoveryNotArmed();
  void addressBoxWorkHoldsDiscovery();
  void optionsMenuReloadsTheList();
  void optionsDialogHoldsTimedDiscovery();
  void connectHoldsTimedDiscovery();
  void serialChosenDuringATimedRun();

 private:
  // The dialog after one "Discover" that found both units (shared by the rows).
  frmOptions* Discovered();

  std::unique_ptr<NetnsLab> lab_;
  QString why_;
  std::unique_ptr<QTemporaryDir> dir_;
  std::vector<std::unique_ptr<UnitSim>> sims_;
  QAction menuItem_{QStringLiteral("&Options...")};
  std::unique_ptr<frmOptions> discovered_;
};

#define REQUIRE_LAB() \
  if (!lab_) QSKIP(qPrintable(why_))

void TestDiscovery::initTestCase() {
  why_ = NetnsLab::Unavailable();
  if (!why_.isEmpty()) return;
  dir_ = std::make_unique<QTemporaryDir>();
  lab_ = std::make_unique<NetnsLab>();
  // K holds Kaymor on a bridge; each unit has its own namespace on it.
  bool ok = lab_->Bridge("K", "10.78.0.1/24", "10.78.0.1", 2);
  const QStringList common = {"--udp-address", "0.0.0.0", "--udp-port", "8092", "--tcp", "0.0.0.0:1024"};
  const QList<QStringList> units = {
      {"--ip", "10.78.0.11", "--serial", "ZS-2001", "--model-name", "ZAM4", "--type", "4", "--pty", "--pty-link",
       dir_->filePath("ttyU1"), "--baud", "57600"},
      {"--ip", "10.78.0.12", "--serial", "ZS-2002", "--model-name", "ZAM1", "--type", "1"}};
  for (int i = 0; ok && i < units.size(); ++i) {
    auto sim = std::make_unique<UnitSim>();
    QProcess* p = lab_->Start(QStringLiteral("U%1").arg(i + 1), QStringLiteral(UNITSIM_PATH),
                              common + units[i] + sim->LogArgs());
    ok = sim->Adopt(p);
    sims_.push_back(std::move(sim));
  }
  // Everything this test opens from now on lives in K.
  ok = ok && lab_->Enter("K");
  if (!ok) {
    why_ = QStringLiteral("could not build the namespaces or start the units (see warnings)");
    sims_.clear();
    lab_.reset();
  }
}

void TestDiscovery::cleanupTestCase() {
  discovered_.reset();
  sims_.clear();
  lab_.reset();
}

void TestDiscovery::init() {
  kaymortest::ResetSettings();
  menuItem_.setProperty("Tag", QVariant());
}

frmOptions* TestDiscovery::Discovered() {
  if (!discovered_) {
    zam::SaveSetting("Options", "DisOption", "1");
    discovered_ = std::make_unique<frmOptions>(&menuItem_);
    discovered_->cmdDiscovery->click();
  }
  return discovered_.get();
}

void TestDiscovery::dialogDiscoverLists() {
  REQUIRE_LAB();
  zam::SaveSetting("Options", "DisOption", "1");
  discovered_ = std::make_unique<frmOptions>(&menuItem_);
  frmOptions& d = *discovered_;
  QVERIFY(d.cmdDiscovery->isEnabled());
  QStringList during;
  connect(d.UDP1, &Corvel_Project::UDP::Discovered, this, [&] {
    during << d.lblDisStatus->text() + " / " + d.cmdDiscovery->text() + (d.cmdDiscovery->isEnabled() ? " on" : " off");
  });
  d.cmdDiscovery->click();

  QCOMPARE(during, (QStringList{"Found 1 / Searching... off", "Found 2 / Searching... off"}));
  QCOMPARE(Items(d.lstIPAddress), (QStringList{kUnit1, kUnit2}));
  for (int i = 0; i < 2; ++i) QCOMPARE(d.lstIPAddress->item(i)->checkState(), Qt::Unchecked);
  QCOMPARE(d.lblDisStatus->text(), QStringLiteral("Found 2"));
  QCOMPARE(d.cmdDiscovery->text(), QStringLiteral("Discover"));
  QVERIFY(d.cmdDiscovery->isEnabled());
  QVERIFY(d.cmdSelectAll[0]->isEnabled());
  QVERIFY(d.cmdSelectAll[1]->isEnabled());
  QVERIFY(!d.cmdAddIP->isEnabled());
  d.lstIPAddress->item(1)->setCheckState(Qt::Checked);
  QVERIFY(d.cmdAddIP->isEnabled());
  d.lstIPAddress->item(1)->setCheckState(Qt::Unchecked);
  QVERIFY(!d.cmdAddIP->isEnabled());
}

void TestDiscovery::dialogAddMerges_data() {
  QTest::addColumn<QStringList>("stored");
  QTest::addColumn<QList<int>>("checked");
  QTest::addColumn<bool>("answerYes");
  QTest::addColumn<QStringList>("expected");
  QTest::addColumn<int>("questions");

  QTest::newRow("empty list takes both")
      << QStringList{} << QList<int>{0, 1} << true
      << QStringList{"10.78.0.11,ZAM4,ZS-2001,qmpv,1024", "10.78.0.12,ZAM1,ZS-2002,qmpv,1024"} << 0;
  QTest::newRow("only the checked unit")
      << QStringList{"10.9.9.9,ZAM4,OTHER,pw,1024"} << QList<int>{1} << true
      << QStringList{"10.78.0.12,ZAM1,ZS-2002,qmpv,1024", "10.9.9.9,ZAM4,OTHER,pw,1024"} << 0;
  QTest::newRow("moved unit keeps its password")
      << QStringList{"10.9.9.9,ZAM4,ZS-2001,secret,2000"} << QList<int>{0} << true
      << QStringList{"10.78.0.11,ZAM4,ZS-2001,secret,1024"} << 0;
  const QStringList listed{"10.78.0.11,ZAM4,ZS-2001,pw1,2000", "10.78.0.12,ZAM1,ZS-2002,pw2,2000"};
  const QStringList updated{"10.78.0.11,ZAM4,ZS-2001,pw1,1024", "10.78.0.12,ZAM1,ZS-2002,pw2,1024"};
  QTest::newRow("listed units, Yes: a question each") << listed << QList<int>{0, 1} << true << updated << 2;
  QTest::newRow("listed units, No: the first question only") << listed << QList<int>{0, 1} << false << updated << 1;
}

void TestDiscovery::dialogAddMerges() {
  REQUIRE_LAB();
  QFETCH(QStringList, stored);
  QFETCH(QList<int>, checked);
  QFETCH(bool, answerYes);
  QFETCH(QStringList, expected);
  QFETCH(int, questions);

  frmOptions* d = Discovered();
  QCOMPARE(d->lstIPAddress->count(), 2);
  kaymortest::ResetSettings();
  StoreList(stored);
  d->cmdSelectAll[1]->click();
  for (int i : checked) d->lstIPAddress->item(i)->setCheckState(Qt::Checked);
  kaymortest::MsgRecorder boxes(answerYes ? zam::MsgAnswer::Yes : zam::MsgAnswer::No);
  d->cmdAddIP->click();

  QCOMPARE(StoredList(), expected);
  QCOMPARE(boxes.shown.size(), questions);
  if (questions > 0) {
    const zam::MsgRequest& first = boxes.shown.first();
    QCOMPARE(first.title, QStringLiteral("Unit Duplication"));
    QCOMPARE(first.icon, zam::MsgIcon::Exclamation);
    QCOMPARE(first.buttons, zam::MsgButtons::YesNo);
    QCOMPARE(first.text, QStringLiteral("[10.78.0.11, ZAM4, ZS-2001] already exists.     \r\n"
                                        "Click Yes if you want to see each IP duplication message.\r\n"
                                        "Otherwise, click No.\r\n\r\n"));
  }
  QCOMPARE(menuItem_.property("Tag").toString(), QStringLiteral("Update"));
}

void TestDiscovery::dialogDiscoverWithoutUnits() {
  REQUIRE_LAB();
  zam::SaveSetting("Options", "DisOption", "1");
  frmOptions d;
  d.txtPort->setText(QStringLiteral("8099"));  // no unit listens there
  d.cmdDiscovery->click();
  QCOMPARE(d.UDP1->RemotePort(), 8099);
  QCOMPARE(d.lstIPAddress->count(), 0);
  QCOMPARE(d.lblDisStatus->text(), QStringLiteral("Click Discover"));
  QVERIFY(!d.cmdSelectAll[0]->isEnabled());
  QVERIFY(!d.cmdSelectAll[1]->isEnabled());
  QVERIFY(d.cmdDiscovery->isEnabled());
}

void TestDiscovery::changedAddressIsDiscovered() {
  REQUIRE_LAB();
  QTemporaryDir profiles;
  zam::SetProfileFolder(profiles.path());
  zam::SaveSetting("Options", "DisOption", "1");
  zam::SaveSetting("Ports", "COM2", dir_->filePath("ttyU1"));
  zam::SaveSetting("RS-232", "Port", "COM2");
  zam::SaveSetting("RS-232", "BaudRate", "57600");
  frmOptions d;
  d.cmdEthernet[0]->click();
  QCOMPARE(d.dqIpAddress[0]->FullAddress(), QStringLiteral("10.78.0.11"));
  d.dqIpAddress[0]->SetFullAddress(QStringLiteral("10.78.0.21"));
  d.cmdEthernet[1]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Ethernet settings were set to unit successfully."));

  d.cmdDiscovery->click();
  QCOMPARE(Items(d.lstIPAddress), (QStringList{kUnit2, "10.78.0.21, ZAM4, ZS-2001"}));

  // Back to where it was, for the tests that follow.
  d.dqIpAddress[0]->SetFullAddress(QStringLiteral("10.78.0.11"));
  d.cmdEthernet[1]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Ethernet settings were set to unit successfully."));
  zam::SetProfileFolder(QString());
}

// Ticks 1..4 count, tick 5 runs a discovery (fewer than 3 known); a tick that
// arrives while the run is under way counts nothing.
void TestDiscovery::timedDiscoveryListsBothUnits() {
  REQUIRE_LAB();
  TimedSettings();
  kaymortest::Window win;
  QVERIFY(win.Load({"kaymor", "/debug"}));
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();  // the test drives the ticks
  QVERIFY(addressfixture::Udp(w));
  QCOMPARE(addressfixture::Udp(w)->State(), quint8(0));
  const QString startStatus = win.Status();
  for (int tick = 1; tick <= 4; ++tick) {
    w.Timer1_Timer();
    QCOMPARE(addressfixture::DiscoverTicks(w), tick);
  }
  QCOMPARE(win.Status(), startStatus);

  int ticksBefore = -1, ticksAfter = -1;
  QString statusDuring;
  quint8 stateDuring = 0;
  QTimer::singleShot(1500, &w, [&] {
    statusDuring = win.Status();
    stateDuring = addressfixture::Udp(w)->State();
    ticksBefore = addressfixture::DiscoverTicks(w);
    w.Timer1_Timer();
    ticksAfter = addressfixture::DiscoverTicks(w);
  });
  w.Timer1_Timer();
  QCOMPARE(statusDuring, QStringLiteral("Status: Discovering Marlox on the network..."));
  QCOMPARE(stateDuring, quint8(1));
  QCOMPARE(ticksBefore, 5);
  QCOMPARE(ticksAfter, 5);

  QCOMPARE(addressfixture::DiscoverTicks(w), 0);
  QCOMPARE(win.Status(), QStringLiteral("Status: Discovered 2 unit(s)."));
  QCOMPARE(StoredList(), (QStringList{"10.78.0.11,ZAM4,ZS-2001,qmpv,1024", "10.78.0.12,ZAM1,ZS-2002,qmpv,1024"}));
  QCOMPARE(BoxItems(w.cboComPort), (QStringList{kUnit1, kUnit2, kSeparator, "Add", "Clear", "Delete"}));
  const QString log = w.txtDebug->toPlainText();
  for (const QString& line : {QStringLiteral(": Starting discover Marlox..."), QStringLiteral(": Found: 2"),
                              QStringLiteral(": 1: 10.78.0."), QStringLiteral(": 2: 10.78.0."),
                              QStringLiteral(": Ending the discovery.")})
    QVERIFY2(log.contains(line), qPrintable(line));
  QVERIFY(log.contains(QStringLiteral("10.78.0.12, ZAM1, ZS-2002")));
  QFile::remove(zam::DebugLogPath());

  // Either unit can be connected; while one is, the ticks stand still.
  for (const QString& unit : {kUnit2, kUnit1}) {
    win.Choose(w.cboComPort, unit);
    w.cmdConnect_Click();
    QVERIFY2(w.IsConnected(), qPrintable(unit + ": " + win.Status()));
    for (int tick = 0; tick < 40; ++tick) w.Timer1_Timer();
    QCOMPARE(addressfixture::DiscoverTicks(w), 0);
    w.cmdConnect_Click();
    QVERIFY(!w.IsConnected());
  }
}

// With 3 addresses known the 5th tick passes; a drop-down on tick 29 puts
// the next run a full 30 ticks later.
void TestDiscovery::timedRhythmWithThreeKnown() {
  REQUIRE_LAB();
  TimedSettings();
  StoreList({"10.78.0.11,ZAM4,ZS-2001,pw1,1024", "10.78.0.12,ZAM1,ZS-2002,pw2,1024",
             "10.78.0.50,ZAM4,ZS-2050,qmpv,1024"});
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  for (int tick = 1; tick <= 29; ++tick) {
    w.Timer1_Timer();
    QCOMPARE(addressfixture::DiscoverTicks(w), tick);
  }
  w.cboComPort->showPopup();
  w.cboComPort->hidePopup();
  QCOMPARE(addressfixture::DiscoverTicks(w), 0);
  for (int tick = 1; tick <= 29; ++tick) {
    w.Timer1_Timer();
    QCOMPARE(addressfixture::DiscoverTicks(w), tick);
  }
  QVERIFY(!win.Status().startsWith(QLatin1String("Status: Discover")));
  w.Timer1_Timer();
  QCOMPARE(addressfixture::DiscoverTicks(w), 0);
  QCOMPARE(win.Status(), QStringLiteral("Status: Discovered 2 unit(s)."));
  // Found units keep their passwords; the third entry stays.
  QCOMPARE(StoredList(), (QStringList{"10.78.0.11,ZAM4,ZS-2001,pw1,1024", "10.78.0.12,ZAM1,ZS-2002,pw2,1024",
                                      "10.78.0.50,ZAM4,ZS-2050,qmpv,1024"}));
}

void TestDiscovery::timedDiscoveryNotArmed_data() {
  QTest::addColumn<QString>("commType");
  QTest::addColumn<QString>("option");
  QTest::newRow("discovery on request") << "1" << "1";
  QTest::newRow("RS-232") << "0" << "0";
}

void TestDiscovery::timedDiscoveryNotArmed() {
  REQUIRE_LAB();
  QFETCH(QString, commType);
  QFETCH(QString, option);
  TimedSettings();
  zam::SaveSetting("IPAddressList", "CommType", commType);
  zam::SaveSetting("Options", "DisOption", option);
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  for (int tick = 0; tick < 40; ++tick) w.Timer1_Timer();
  QCOMPARE(addressfixture::DiscoverTicks(w), 0);
  QVERIFY(!addressfixture::AutoDiscover(w));
  QCOMPARE(StoredList(), QStringList());
}

void TestDiscovery::addressBoxWorkHoldsDiscovery() {
  REQUIRE_LAB();
  TimedSettings();
  StoreList({"10.78.0.11,ZAM4,ZS-2001,pw1,1024"});
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  w.Timer1_Timer();
  w.Timer1_Timer();
  QCOMPARE(addressfixture::DiscoverTicks(w), 2);
  win.Choose(w.cboComPort, kUnit1);
  QCOMPARE(addressfixture::DiscoverTicks(w), 0);
  w.Timer1_Timer();
  emit w.cboComPort->view()->verticalScrollBar()->valueChanged(1);
  QCOMPARE(addressfixture::DiscoverTicks(w), 0);
  w.Timer1_Timer();
  w.cboComPort->showPopup();
  w.cboComPort->hidePopup();
  QCOMPARE(addressfixture::DiscoverTicks(w), 0);

  // Switching timed discovery off and on again: the count goes on from where it stood.
  w.Timer1_Timer();
  zam::SaveSetting("Options", "DisOption", "1");
  w.Timer1_Timer();
  zam::SaveSetting("Options", "DisOption", "0");
  w.Timer1_Timer();
  QCOMPARE(addressfixture::DiscoverTicks(w), 2);
}

// The Options dialog adds the units; the window reloads its list after the
// dialog closed, and keeps doing so on every later close.
void TestDiscovery::optionsMenuReloadsTheList() {
  REQUIRE_LAB();
  TimedSettings();
  zam::SaveSetting("Options", "DisOption", "1");
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  QCOMPARE(BoxItems(w.cboComPort), (QStringList{"Add", "Clear", "Delete"}));

  bool driven = false;
  QTimer::singleShot(0, &w, [&] {
    auto* d = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
    if (!d) return;
    d->cmdDiscovery->click();
    d->cmdSelectAll[0]->click();
    d->cmdAddIP->click();
    d->cmdOK->click();
    driven = true;
  });
  w.mnuToolsOptions->trigger();
  QVERIFY(driven);
  QCOMPARE(w.mnuToolsOptions->property("Tag").toString(), QStringLiteral("Update"));
  QCOMPARE(BoxItems(w.cboComPort), (QStringList{kUnit1, kUnit2, kSeparator, "Add", "Clear", "Delete"}));

  StoreList({"10.78.0.12,ZAM1,ZS-2002,qmpv,1024"});
  QTimer::singleShot(0, &w, [] {
    if (auto* d = qobject_cast<frmOptions*>(QApplication::activeModalWidget())) d->cmdCancel->click();
  });
  w.mnuToolsOptions->trigger();
  QCOMPARE(BoxItems(w.cboComPort), (QStringList{kUnit2, kSeparator, "Add", "Clear", "Delete"}));
}

// While the Options dialog is open no timed run starts, so the dialog's own
// Discover gets every reply; the count goes on from where it stood after.
void TestDiscovery::optionsDialogHoldsTimedDiscovery() {
  REQUIRE_LAB();
  TimedSettings();
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  for (int tick = 0; tick < 3; ++tick) w.Timer1_Timer();
  int ticksInside = -1;
  QStringList listed;
  QTimer::singleShot(0, &w, [&] {
    auto* d = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
    if (!d) return;
    for (int tick = 0; tick < 8; ++tick) w.Timer1_Timer();
    ticksInside = addressfixture::DiscoverTicks(w);
    d->optDisOption[1]->click();
    d->cmdDiscovery->click();
    listed = Items(d->lstIPAddress);
    d->cmdCancel->click();
  });
  w.mnuToolsOptions->trigger();
  QCOMPARE(ticksInside, 3);
  QCOMPARE(listed, (QStringList{kUnit1, kUnit2}));
  QCOMPARE(StoredList(), QStringList());
  QCOMPARE(zam::GetSetting("Options", "DisOption"), QStringLiteral("0"));
  w.Timer1_Timer();
  QCOMPARE(addressfixture::DiscoverTicks(w), 4);
}

// Ticks that come while a connect waits for the unit start no run.
void TestDiscovery::connectHoldsTimedDiscovery() {
  REQUIRE_LAB();
  TimedSettings();
  StoreList({"10.78.0.11,ZAM4,ZS-2001,qmpv,1024"});
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  win.Choose(w.cboComPort, kUnit1);
  for (int tick = 0; tick < 4; ++tick) w.Timer1_Timer();
  int ticksDuring = -1;
  bool connectedDuring = true;
  QTimer::singleShot(0, &w, [&] {
    connectedDuring = w.IsConnected();
    for (int tick = 0; tick < 3; ++tick) w.Timer1_Timer();
    ticksDuring = addressfixture::DiscoverTicks(w);
  });
  w.cmdConnect_Click();
  QVERIFY(!connectedDuring);
  QCOMPARE(ticksDuring, 4);
  QVERIFY2(w.IsConnected(), qPrintable(win.Status()));
  QVERIFY(!win.Status().startsWith(QLatin1String("Status: Discover")));
  w.cmdConnect_Click();
}

// RS-232 chosen while a timed run waits for replies: the run's end leaves
// the stored list and the box alone, which lists COM ports only.
void TestDiscovery::serialChosenDuringATimedRun() {
  REQUIRE_LAB();
  TimedSettings();
  kaymortest::Window win;
  QVERIFY(win.Load());
  zam::frmZAMKeyboard& w = *win.w;
  w.Timer1->stop();
  for (int tick = 0; tick < 4; ++tick) w.Timer1_Timer();
  bool switched = false;
  QTimer::singleShot(300, &w, [&] {
    switched = addressfixture::Udp(w)->State() != 0;
    win.Choose(w.cboCommType, "RS-232");
  });
  w.Timer1_Timer();
  QVERIFY(switched);
  QCOMPARE(w.cboCommType->currentText(), QStringLiteral("RS-232"));
  for (const QString& item : BoxItems(w.cboComPort))
    QVERIFY2(item.startsWith(QLatin1String("COM")) || item == QLatin1String("No COM port found"), qPrintable(item));
  QCOMPARE(StoredList(), QStringList());
}

KAYMOR_TEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
