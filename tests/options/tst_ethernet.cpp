// The Options dialog's "&Ethernet Settings" tab: Read, Change and Reboot over
// a pseudo-terminal, the button check, Ping and Launch Web.
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <dotquad/dotquad.h>
#include "eventpump.h"
#include "frmOptions.h"
#include "kaymortest.h"
#include "netnslab.h"
#include "settingsstore.h"
#include "zamserial.h"

using zam::frmOptions;

namespace {

// A serial peer that answers every request with a fixed reply.
class FakePeer {
 public:
  explicit FakePeer(QByteArray reply) : reply_(std::move(reply)) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) return;
    path_ = QString::fromLocal8Bit(name);
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      char chunk[256];
      ssize_t n;
      while ((n = ::read(master_, chunk, sizeof chunk)) > 0) received_.append(chunk, n);
      // One reply a whole request.
      while (received_.size() >= 22) {
        received_.remove(0, 22);
        if (::write(master_, reply_.constData(), size_t(reply_.size())) != reply_.size()) return;
      }
    });
  }
  ~FakePeer() {
    notifier_.reset();
    if (master_ >= 0) ::close(master_);
  }
  QString path() const { return path_; }

 private:
  int master_ = -1;
  QString path_;
  QByteArray reply_;
  QByteArray received_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

// Stands in for the browser.
class UrlRecorder : public QObject {
  Q_OBJECT
 public slots:
  void open(const QUrl& url) { urls << url; }

 public:
  QList<QUrl> urls;
};

const QByteArray kUnitBlock = QByteArray::fromHex("0100C0A80114FFFFFF00C0A8010100 00");

// The port the dialog opens: COM3 mapped to path, at 57600 baud.
void UsePort(const QString& path) {
  zam::SaveSetting("Ports", "COM3", path);
  zam::SaveSetting("RS-232", "Port", "COM3");
  zam::SaveSetting("RS-232", "BaudRate", "57600");
}

QString Tab(const frmOptions& d) {
  return QStringList{d.cboEthernet[0]->currentText(), d.cboEthernet[1]->currentText(),
                     d.dqIpAddress[0]->FullAddress(), d.dqIpAddress[1]->FullAddress(),
                     d.dqIpAddress[2]->FullAddress()}
      .join(' ');
}

void FillTab(frmOptions& d, const QString& ip) {
  d.cboEthernet[0]->setCurrentIndex(1);
  d.cboEthernet[1]->setCurrentIndex(0);
  d.dqIpAddress[0]->SetFullAddress(ip);
  d.dqIpAddress[1]->SetFullAddress(QStringLiteral("255.255.255.0"));
  d.dqIpAddress[2]->SetFullAddress(QStringLiteral("10.79.0.254"));
}

QList<QByteArray> SerialRx(const kaymortest::UnitSim& sim) {
  QList<QByteArray> out;
  for (const QJsonObject& o : sim.Received("serial")) out << QByteArray::fromHex(o.value("hex").toString().toLatin1());
  return out;
}

QByteArray PortMsg(int kind, quint8 code, quint8 block) { return zam::BuildPortMessage(kind, code, block); }

}  // namespace

class TestEthernet : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void readFillsTheTab();
  void changeWritesSettingsThenCommands();
  void changeWritesBackWhatReadGot_data();
  void changeWritesBackWhatReadGot();
  void changeReplacesTheProfile();
  void rebootSendsTheRequest();
  void demoSettingsReachTheSimulator();
  void longAnswerTimesOut();
  void portThatDoesNotOpen();
  void portWithoutPermission();
  void buttonsFollowFieldsAfterEachOperation_data();
  void buttonsFollowFieldsAfterEachOperation();
  void portNamedOnThePage();
  void buttonsNeedEveryPart_data();
  void buttonsNeedEveryPart();
  void pingAndLaunchWeb();

 private:
  bool StartSim(kaymortest::UnitSim& sim) {
    return sim.Start({"--no-tcp", "--pty", "--baud", "57600", "--ip", "192.168.1.20"});
  }
  std::unique_ptr<QTemporaryDir> profiles_;
};

void TestEthernet::initTestCase() {
  QCOMPARE(kUnitBlock.size(), zam::kSerialReplySize);
}

void TestEthernet::init() {
  kaymortest::ResetSettings();
  profiles_ = std::make_unique<QTemporaryDir>();
  zam::SetProfileFolder(profiles_->path());
}

void TestEthernet::cleanup() {
  zam::SetProfileFolder(QString());
  profiles_.reset();
}

void TestEthernet::readFillsTheTab() {
  kaymortest::UnitSim sim;
  QVERIFY(StartSim(sim));
  UsePort(sim.pty);
  frmOptions d;
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Ready"));
  QCOMPARE(d.lblRS232Only->text(), QStringLiteral("Read/Change/Reboot only works via RS232."));
  d.cmdEthernet[0]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Finished getting the Ethernet information"));
  QCOMPARE(Tab(d), QStringLiteral("Enable Disable 192.168.1.20 255.255.255.0 192.168.1.1"));
  QCOMPARE(d.EthernetSettings.IPAddress, QStringLiteral("192.168.1.20"));
  for (QPushButton* b : d.cmdEthernet) QVERIFY(b->isEnabled());
  QVERIFY(!d.MSComm1->IsOpen());
  QCOMPARE(SerialRx(sim), QList<QByteArray>{PortMsg(2, 0, 0xC2)});
  QCOMPARE(PortMsg(2, 0, 0xC2), QByteArray::fromHex("FFBB11FFC2") + QByteArray(17, '\0'));
}

void TestEthernet::changeWritesSettingsThenCommands() {
  kaymortest::UnitSim sim;
  QVERIFY(StartSim(sim));
  UsePort(sim.pty);
  frmOptions d;
  d.cmdEthernet[0]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Finished getting the Ethernet information"));
  d.dqIpAddress[0]->SetFullAddress(QStringLiteral("192.168.1.30"));
  d.cboEthernet[1]->setCurrentIndex(1);
  d.cmdEthernet[1]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Ethernet settings were set to unit successfully."));

  const QByteArray write = QByteArray::fromHex("FFAA11FEC2" "0101" "C0A8011E" "FFFFFF00" "C0A80101" "000000");
  QCOMPARE(write, zam::BuildSettingsWrite(1, 1, {192, 168, 1, 30}, {255, 255, 255, 0}, {192, 168, 1, 1}));
  QVERIFY(QTest::qWaitFor([&] { return SerialRx(sim).size() >= 4; }, 3000));
  QCOMPARE(SerialRx(sim).mid(1), (QList<QByteArray>{write, PortMsg(5, 0, 5), PortMsg(5, 1, 5)}));

  // The profile of the new settings, listed and remembered.
  QFile file(zam::ProfileFilePath());
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray("192.168.1.30,255.255.255.0,192.168.1.1,1,1\r\n"));
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("192.168.1.30"));
  QCOMPARE(zam::GetSetting("Options", "IPProfile"), QStringLiteral("192.168.1.30"));

  // The unit took them.
  d.dqIpAddress[0]->SetFullAddress(QStringLiteral("10.1.1.1"));
  d.cmdEthernet[0]->click();
  QCOMPARE(Tab(d), QStringLiteral("Enable Enable 192.168.1.30 255.255.255.0 192.168.1.1"));
}

// Settings a unit may well hold, which the operator's typing rules of the
// address field would change: Read then Change with no edit writes back the
// very bytes Read got, and the profile keeps them too.
void TestEthernet::changeWritesBackWhatReadGot_data() {
  QTest::addColumn<QStringList>("simArgs");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QByteArray>("write");
  QTest::addColumn<QString>("profile");
  QTest::newRow("no gateway") << QStringList{"--ip", "192.168.1.20", "--gateway", "0.0.0.0"}
                              << "Enable Disable 192.168.1.20 255.255.255.0 0.0.0.0"
                              << QByteArray::fromHex("FFAA11FEC2" "0100" "C0A80114" "FFFFFF00" "00000000" "000000")
                              << "192.168.1.20,255.255.255.0,0.0.0.0,1,0";
  QTest::newRow("address 0.x, no gateway")
      << QStringList{"--ip", "0.5.6.7", "--gateway", "0.0.0.0", "--mask", "255.0.0.0"}
      << "Enable Disable 0.5.6.7 255.0.0.0 0.0.0.0"
      << QByteArray::fromHex("FFAA11FEC2" "0100" "00050607" "FF000000" "00000000" "000000")
      << "0.5.6.7,255.0.0.0,0.0.0.0,1,0";
  QTest::newRow("address 127.x") << QStringList{"--ip", "127.3.2.1", "--gateway", "127.3.2.254"}
                                 << "Enable Disable 127.3.2.1 255.255.255.0 127.3.2.254"
                                 << QByteArray::fromHex("FFAA11FEC2" "0100" "7F030201" "FFFFFF00" "7F0302FE" "000000")
                                 << "127.3.2.1,255.255.255.0,127.3.2.254,1,0";
}

void TestEthernet::changeWritesBackWhatReadGot() {
  QFETCH(QStringList, simArgs);
  QFETCH(QString, shown);
  QFETCH(QByteArray, write);
  QFETCH(QString, profile);
  kaymortest::UnitSim sim;
  QVERIFY(sim.Start(QStringList{"--no-tcp", "--pty", "--baud", "57600"} + simArgs));
  UsePort(sim.pty);
  frmOptions d;
  d.cmdEthernet[0]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Finished getting the Ethernet information"));
  QCOMPARE(Tab(d), shown);
  QCOMPARE(d.dqIpAddress[2]->PartAddress(), Tab(d).section(' ', 4).split('.'));
  d.cmdEthernet[1]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Ethernet settings were set to unit successfully."));
  QVERIFY(QTest::qWaitFor([&] { return SerialRx(sim).size() >= 4; }, 3000));
  QCOMPARE(SerialRx(sim).at(1), write);

  QFile file(zam::ProfileFilePath());
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), profile.toLatin1() + "\r\n");
  // Shown from the profile as it was stored.
  d.dqIpAddress[2]->SetFullAddress(QStringLiteral("10.1.1.1"));
  d.cboProfile->setCurrentIndex(0);
  emit d.cboProfile->activated(0);
  QCOMPARE(Tab(d), shown);
}

// A Change for an address that has a profile replaces that profile; chosen
// again, it gives the new settings.
void TestEthernet::changeReplacesTheProfile() {
  kaymortest::UnitSim sim;
  QVERIFY(StartSim(sim));
  UsePort(sim.pty);
  const QByteArray other = "10.0.0.7,255.0.0.0,10.0.0.1,1,1\r\n";
  {
    QFile file(zam::ProfileFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("192.168.1.20,255.255.255.0,192.168.1.1,1,0\r\n" + other);
  }
  frmOptions d;
  d.cmdEthernet[0]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Finished getting the Ethernet information"));
  d.dqIpAddress[1]->SetFullAddress(QStringLiteral("255.255.0.0"));
  d.dqIpAddress[2]->SetFullAddress(QStringLiteral("192.168.0.254"));
  d.cmdEthernet[1]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Ethernet settings were set to unit successfully."));

  QFile file(zam::ProfileFilePath());
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), "192.168.1.20,255.255.0.0,192.168.0.254,1,0\r\n" + other);
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("192.168.1.20"));

  // Another profile, then this one again: the new values come back.
  for (const QString& name : {QStringLiteral("10.0.0.7"), QStringLiteral("192.168.1.20")}) {
    const int index = d.cboProfile->findText(name);
    QVERIFY(index >= 0);
    d.cboProfile->setCurrentIndex(index);
    emit d.cboProfile->activated(index);
  }
  QCOMPARE(Tab(d), QStringLiteral("Enable Disable 192.168.1.20 255.255.0.0 192.168.0.254"));
}

void TestEthernet::rebootSendsTheRequest() {
  kaymortest::UnitSim sim;
  QVERIFY(StartSim(sim));
  UsePort(sim.pty);
  frmOptions d;
  d.cmdEthernet[4]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Reboot request was sent to the unit."));
  QVERIFY(QTest::qWaitFor([&] { return !SerialRx(sim).isEmpty(); }, 3000));
  QCOMPARE(SerialRx(sim), QList<QByteArray>{QByteArray::fromHex("FFCC11FE0501") + QByteArray(16, '\0')});
}

// The demo's settings folder, as tools/demo.sh seeds it, lets Read reach a
// simulator started as the demo starts it (at its default rate).
void TestEthernet::demoSettingsReachTheSimulator() {
  QTemporaryDir demo;
  QVERIFY(QDir().mkpath(demo.path() + "/bin"));
  QVERIFY(QFile::link(QStringLiteral(UNITSIM_PATH), demo.path() + "/bin/unitsim"));
  QProcess script;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // Without a display the script ends after the settings are written.
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.insert("KAYMOR_DEMO_PORT", "0");
  script.setProcessEnvironment(env);
  script.start(QStringLiteral("bash"), {QStringLiteral(DEMO_SCRIPT), demo.path() + "/bin"});
  QVERIFY(script.waitForFinished(30000));
  const QString ini = demo.path() + "/demo/config/Vantrel/Vantrel.ini";
  QVERIFY2(QFile::exists(ini), script.readAllStandardError().constData());
  QVERIFY(QDir().mkpath(QFileInfo(zam::SettingsFilePath()).path()));
  QVERIFY(QFile::copy(ini, zam::SettingsFilePath()));

  kaymortest::UnitSim sim;
  QVERIFY(sim.Start({"--no-tcp", "--pty"}));
  zam::SaveSetting("Ports", "COM1", sim.pty);
  frmOptions d;
  d.cmdEthernet[0]->click();
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Finished getting the Ethernet information"));
}

void TestEthernet::longAnswerTimesOut() {
  // 17 bytes are not the 16-byte settings block, even when they start with one.
  FakePeer peer(kUnitBlock + QByteArray(1, '\x55'));
  QVERIFY(!peer.path().isEmpty());
  UsePort(peer.path());
  frmOptions d;
  FillTab(d, QStringLiteral("10.79.0.5"));
  const QString before = Tab(d);

  QVERIFY(d.MSComm1->Open());
  QVERIFY(!d.GetEthernetInfo());
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Timeout"));
  d.MSComm1->Close();

  d.cmdEthernet[0]->click();
  // The described text, then the port, its device and the rate that were tried.
  QCOMPARE(d.lblStatus->text(), QStringLiteral("Could not get the Ethernet information (no answer on COM3: %1 at 57600 baud)")
                                    .arg(peer.path()));
  QCOMPARE(Tab(d), before);
  QCOMPARE(d.EthernetSettings.IPAddress, QString());
  QVERIFY(d.cmdEthernet[0]->isEnabled());
}

void TestEthernet::portThatDoesNotOpen() {
  UsePort(QStringLiteral("/nonexistent/ttyKaymor"));
  frmOptions d;
  FillTab(d, QStringLiteral("10.79.0.5"));
  for (int i : {0, 1, 4}) {
    d.lblStatus->setText(QStringLiteral("Ready"));
    d.cmdEthernet[0]->setEnabled(true);
    d.cmdEthernet[1]->setEnabled(true);
    d.cmdEthernet[i]->click();
    QVERIFY2(d.lblStatus->text().startsWith(QLatin1String("Error: ")), qPrintable(d.lblStatus->text()));
    QVERIFY(d.lblStatus->text().size() > 7);
    // Read stays off; Change follows the (complete) fields; Reboot is left as it was.
    QVERIFY(!d.cmdEthernet[0]->isEnabled());
    QVERIFY(d.cmdEthernet[1]->isEnabled());
    QVERIFY(d.cmdEthernet[4]->isEnabled());
  }
  // With a part missing, the failed open leaves Change off.
  d.dqIpAddress[2]->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(3)"))->clear();
  d.cmdEthernet[1]->setEnabled(true);
  d.cmdEthernet[4]->click();
  QVERIFY(!d.cmdEthernet[1]->isEnabled());
}

// After Read, Change and Reboot, whatever their outcome, the buttons that
// need complete fields follow the fields.
void TestEthernet::buttonsFollowFieldsAfterEachOperation_data() {
  QTest::addColumn<int>("operation");
  QTest::addColumn<bool>("unitAnswers");
  QTest::addColumn<bool>("fieldsComplete");
  QTest::addColumn<bool>("changeAfter");
  QTest::newRow("Read, no answer, empty fields") << 0 << false << false << false;
  QTest::newRow("Read, no answer, complete fields") << 0 << false << true << true;
  QTest::newRow("Read, answer") << 0 << true << false << true;
  QTest::newRow("Reboot, empty fields") << 4 << true << false << false;
  QTest::newRow("Reboot, complete fields") << 4 << true << true << true;
  QTest::newRow("Change, empty fields") << 1 << true << false << false;
  QTest::newRow("Change, complete fields") << 1 << true << true << true;
}

void TestEthernet::buttonsFollowFieldsAfterEachOperation() {
  QFETCH(int, operation);
  QFETCH(bool, unitAnswers);
  QFETCH(bool, fieldsComplete);
  QFETCH(bool, changeAfter);
  FakePeer peer(unitAnswers ? kUnitBlock : QByteArray());
  QVERIFY(!peer.path().isEmpty());
  UsePort(peer.path());
  frmOptions d;
  if (fieldsComplete) FillTab(d, QStringLiteral("10.79.0.5"));
  // Pressed by program, so even a button the fields keep off can run.
  d.cmdEthernet_Click(operation);
  QCOMPARE(d.cmdEthernet[1]->isEnabled(), changeAfter);
  QCOMPARE(d.cmdEthernet[2]->isEnabled(), changeAfter);
  QCOMPARE(d.cmdEthernet[3]->isEnabled(), changeAfter);
  QVERIFY(d.cmdEthernet[0]->isEnabled());
}

// The page names the COM port it uses and the device behind it.
void TestEthernet::portNamedOnThePage() {
  UsePort(QStringLiteral("/dev/ttyUSB7"));
  frmOptions d;
  QCOMPARE(d.lblRS232Only->text(), QStringLiteral("Read/Change/Reboot only works via RS232."));
  QCOMPARE(d.lblRS232Port->text(), QStringLiteral("COM3: /dev/ttyUSB7"));
  QCOMPARE(d.lblRS232Port->y(), d.lblRS232Only->y());
  QVERIFY(d.lblRS232Port->x() >= d.lblRS232Only->x() + d.lblRS232Only->sizeHint().width());
}

void TestEthernet::buttonsNeedEveryPart_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<int>("part");
  QTest::newRow("gateway, last part") << 2 << 3;
  QTest::newRow("gateway, first part") << 2 << 0;
  QTest::newRow("address, second part") << 0 << 1;
  QTest::newRow("mask, third part") << 1 << 2;
}

void TestEthernet::buttonsNeedEveryPart() {
  QFETCH(int, field);
  QFETCH(int, part);
  frmOptions d;
  FillTab(d, QStringLiteral("10.79.0.5"));
  for (QPushButton* b : d.cmdEthernet) QVERIFY(b->isEnabled());

  auto* box = d.dqIpAddress[field]->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(%1)").arg(part));
  QVERIFY(box);
  box->clear();
  for (int i : {1, 2, 3}) QVERIFY(!d.cmdEthernet[i]->isEnabled());
  QVERIFY(d.cmdEthernet[0]->isEnabled());
  QVERIFY(d.cmdEthernet[4]->isEnabled());
  box->setText(QStringLiteral("7"));
  for (int i : {1, 2, 3}) QVERIFY(d.cmdEthernet[i]->isEnabled());

  // An option list without a selection counts at the next check.
  d.cboEthernet[1]->setCurrentIndex(-1);
  QVERIFY(d.cmdEthernet[1]->isEnabled());
  box->setText(QStringLiteral("8"));
  for (int i : {1, 2, 3}) QVERIFY(!d.cmdEthernet[i]->isEnabled());
}

void TestEthernet::pingAndLaunchWeb() {
  const QString why = NetnsLab::Unavailable();
  if (!why.isEmpty()) QSKIP(qPrintable(why));
  // A private namespace: 10.79.0.1 is ours, 10.79.0.2 is a silent neighbour.
  NetnsLab lab;
  QVERIFY(lab.Add("P"));
  QVERIFY(lab.Ip("P", "link add v0 type veth peer name v1"));
  QVERIFY(lab.Ip("P", "addr add 10.79.0.1/24 dev v0"));
  QVERIFY(lab.Ip("P", "link set v0 up"));
  QVERIFY(lab.Ip("P", "link set v1 up"));
  QVERIFY(lab.Enter("P"));

  UrlRecorder browser;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
  frmOptions d;
  FillTab(d, QStringLiteral("10.79.0.2"));
  d.cmdEthernet[2]->click();
  const QString silent = d.lblStatus->text();
  d.cmdEthernet[3]->click();
  const QString noResponse = d.lblStatus->text();

  d.dqIpAddress[0]->SetFullAddress(QStringLiteral("10.79.0.1"));
  d.cmdEthernet[2]->click();
  const QString answered = d.lblStatus->text();
  d.cmdEthernet[3]->click();
  const QString launched = d.lblStatus->text();
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  lab.Leave();

  QVERIFY2(!silent.contains(QLatin1String("IP Success")) && silent.contains(QLatin1String("   [ ")), qPrintable(silent));
  QCOMPARE(noResponse, QStringLiteral("No response from 10.79.0.2"));
  QCOMPARE(answered, QStringLiteral("0   [ IP Success ]"));
  QCOMPARE(launched, QStringLiteral("The Web browser was launched successful."));
  QCOMPARE(browser.urls, QList<QUrl>{QUrl(QStringLiteral("http://10.79.0.1"))});
}

// The serial preamble's error names the device and the group that grants
// access, where the open fails for the device's file modes.
void TestEthernet::portWithoutPermission() {
  const QString device = kaymortest::TempRoot() + QStringLiteral("/ttyLOCKED");
  QFile file(device);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  QVERIFY(file.setPermissions(QFileDevice::Permissions()));
  UsePort(device);
  frmOptions d;
  FillTab(d, QStringLiteral("10.79.0.5"));
  {
    kaymortest::FileModesApply modes;
    QVERIFY(modes.Applies());
    d.cmdEthernet[0]->click();
  }
  QFile::remove(device);
  QCOMPARE(d.lblStatus->text(),
           QStringLiteral("Error: No permission to open %1 - add your user to the dialout group").arg(device));
  QVERIFY(!d.cmdEthernet[0]->isEnabled());
}

KAYMOR_TEST_MAIN(TestEthernet)
#include "tst_ethernet.moc"
