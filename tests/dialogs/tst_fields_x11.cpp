// The address fields and the two dialogs on a real X server (Xvfb), typed
// into with xdotool as an operator types: addresses with their dots and
// pasted, the add-address checks, Read then Change against the simulated
// unit, and the editing keys of every filtered box. This process is the X
// client itself, so that the dialogs' state can be looked at directly; it
// runs in a private network namespace (see privatenetns.h), where the
// add-address dialog's pings stay. Skips without Xvfb and xdotool.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <dotquad/dotquad.h>
#include "eventpump.h"
#include "frmAddIP.h"
#include "frmOptions.h"
#include "kaymortest.h"
#include "msgbox.h"
#include "privatenetns.h"
#include "profiles.h"
#include "settingsstore.h"
#include "x11fixture.h"
#include "zamserial.h"

using zam::frmAddIP;
using zam::frmOptions;

namespace {

QString xUnavailable = QStringLiteral("not attempted");
QString netnsUnavailable = QStringLiteral("not attempted");

const QString kSeparator(38, QLatin1Char('='));
const QStringList kBoxWith12 = {"10.9.9.12, ZAM4, B7", kSeparator, "Add", "Clear", "Delete"};
const QStringList kBoxWith50 = {"10.9.9.50, ZAM4, B7", kSeparator, "Add", "Clear", "Delete"};
const QStringList kBoxWith1 = {"10.9.9.1, ZAM4, B8", kSeparator, "Add", "Clear", "Delete"};

// Runs xdotool to its end while this program handles the events it makes.
bool XdoTool(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral("xdotool"), args);
  if (!p.waitForStarted()) return false;
  QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000);
  zam::PumpFor(200);  // the last keys' events
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Shows a window and gives it the X input focus, as a click would.
bool ShowFocused(QWidget* w) {
  w->show();
  if (!QTest::qWaitForWindowExposed(w)) return false;
  if (!XdoTool({"windowfocus", "--sync", QString::number(w->winId())})) return false;
  return QTest::qWaitFor([&] { return QApplication::activeWindow() == w; }, 5000);
}

QLineEdit* Box(QWidget* field, int part) {
  return field->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(%1)").arg(part));
}

QStringList SerialRx(const kaymortest::UnitSim& sim) {
  QStringList out;
  for (const QJsonObject& o : sim.Received("serial")) out << o.value("hex").toString().remove(' ').toUpper();
  return out;
}

}  // namespace

class TestFieldsX11 : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!xUnavailable.isEmpty()) QSKIP(qPrintable(xUnavailable));
  }
  void init() {
    kaymortest::ResetSettings();
    messages_.clear();
    zam::SetMsgHandler([this](const zam::MsgRequest& r) {
      messages_ << r;
      return zam::MsgAnswer::Ok;
    });
    profiles_ = std::make_unique<QTemporaryDir>();
    zam::SetProfileFolder(profiles_->path());
  }
  void cleanup() {
    zam::SetMsgHandler({});
    zam::SetProfileFolder(QString());
    profiles_.reset();
  }

  // An address typed as a person types it, or pasted, in either dialog.
  void typedAddress_data() {
    QTest::addColumn<bool>("options");  // else the add-address dialog
    QTest::addColumn<int>("field");     // dqIpAddress(field) of the Options dialog
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QStringList>("xdotool");
    QTest::addColumn<QStringList>("parts");
    const QStringList typed192{"192", "168", "1", "20"};
    QTest::newRow("add-address: 192.168.1.20 with its dots")
        << false << 0 << "" << QStringList{"type", "--delay", "80", "192.168.1.20"} << typed192;
    QTest::newRow("add-address: full parts without their dots")
        << false << 0 << "" << QStringList{"type", "--delay", "80", "1921681.20"} << typed192;
    QTest::newRow("add-address: pasted with Ctrl+V")
        << false << 0 << "192.168.1.20" << QStringList{"key", "ctrl+v"} << typed192;
    QTest::newRow("options: address with its dots")
        << true << 0 << "" << QStringList{"type", "--delay", "80", "192.168.1.20"} << typed192;
    QTest::newRow("options: mask pasted with Shift+Insert")
        << true << 1 << "255.255.255.0" << QStringList{"key", "shift+Insert"}
        << QStringList{"255", "255", "255", "0"};
    // The operator's first-part rule stays for what is typed.
    QTest::newRow("options: gateway 0 typed first becomes 1")
        << true << 2 << "" << QStringList{"type", "--delay", "80", "0.0.0.0"} << QStringList{"1", "0", "0", "0"};
  }
  void typedAddress() {
    QFETCH(bool, options);
    QFETCH(int, field);
    QFETCH(QString, clipboard);
    QFETCH(QStringList, xdotool);
    QFETCH(QStringList, parts);
    std::unique_ptr<QDialog> dialog;
    DotquadLib::Dotquad* dq = nullptr;
    if (options) {
      auto* d = new frmOptions;
      dialog.reset(d);
      d->SSTab1->setCurrentIndex(1);
      dq = d->dqIpAddress[field];
    } else {
      auto* d = new frmAddIP({"Add", "Clear", "Delete"});
      dialog.reset(d);
      dq = qobject_cast<DotquadLib::Dotquad*>(d->dqNewIPAddress);
    }
    QVERIFY(dq);
    QVERIFY(ShowFocused(dialog.get()));
    Box(dq, 0)->setFocus();
    if (!clipboard.isEmpty()) QGuiApplication::clipboard()->setText(clipboard);
    QVERIFY(XdoTool(xdotool));
    QCOMPARE(dq->PartAddress(), parts);
    QCOMPARE(dq->FullAddress(), parts.join('.'));
    QVERIFY(messages_.isEmpty());
  }

  // The add-address dialog filled through its access keys and closed with
  // Enter: the duplicate checks compare whole fields, and OK takes the
  // address the field shows.
  void addAddress_data() {
    QTest::addColumn<QStringList>("box");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("eraseLastPart");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("entry");  // empty: refused with title and text
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("serial a, beside the command Add") << kBoxWith50 << "10.9.9.1" << false << "a"
                                                      << "10.9.9.1,ZAM4,A,qmpv,1024" << "" << "";
    QTest::newRow("serial 4, beside a listed ZAM4") << kBoxWith50 << "10.9.9.1" << false << "4"
                                                    << "10.9.9.1,ZAM4,4,qmpv,1024" << "" << "";
    QTest::newRow("10.9.9.1 beside a listed 10.9.9.12") << kBoxWith12 << "10.9.9.1" << false << "C3"
                                                        << "10.9.9.1,ZAM4,C3,qmpv,1024" << "" << "";
    QTest::newRow("a listed address") << kBoxWith1 << "10.9.9.1" << false << "C3" << "" << "IP Address Duplication"
                                      << "10.9.9.1 is already existing.    ";
    QTest::newRow("a listed serial typed in lower case") << kBoxWith50 << "10.9.9.1" << false << "b7" << ""
                                                         << "Serial Number Duplication" << "B7 is already existing.    ";
    QTest::newRow("last part erased") << kBoxWith50 << "10.9.9.1" << true << "C3" << "" << "IP Address"
                                      << "Bad IP address format.    ";
  }
  void addAddress() {
    if (!netnsUnavailable.isEmpty()) QSKIP(qPrintable("pings an address outside 127/8: " + netnsUnavailable));
    QFETCH(QStringList, box);
    QFETCH(QString, address);
    QFETCH(bool, eraseLastPart);
    QFETCH(QString, serial);
    QFETCH(QString, entry);
    QFETCH(QString, title);
    QFETCH(QString, text);
    frmAddIP d(box);
    QVERIFY(ShowFocused(&d));
    // One run a step: "type" takes all the words after it as text.
    QVERIFY(XdoTool({"key", "alt+i"}));
    QVERIFY(XdoTool({"type", "--delay", "80", address}));
    if (eraseLastPart) QVERIFY(XdoTool({"key", "BackSpace"}));
    QVERIFY(XdoTool({"key", "alt+m"}));
    QVERIFY(XdoTool({"type", "--delay", "80", "ZAM4"}));
    QVERIFY(XdoTool({"key", "alt+s"}));
    QVERIFY(XdoTool({"type", "--delay", "80", serial}));
    QVERIFY(XdoTool({"key", "Return"}));
    QVERIFY(QTest::qWaitFor([&] { return !d.isVisible() || !messages_.isEmpty(); }, 10000));
    QCOMPARE(zam::NewAddressEntry, entry);
    if (entry.isEmpty()) {
      QCOMPARE(messages_.size(), 1);
      QCOMPARE(messages_[0].title, title);
      QCOMPARE(messages_[0].text, text);
      QVERIFY(d.isVisible());
    } else {
      QVERIFY(messages_.isEmpty());
    }
  }

  // A unit with no gateway and an address whose first part is 0: Read, then
  // Change without an edit, by their access keys, writes back what Read got.
  void readThenChange() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--no-tcp", "--pty", "--ip", "0.5.6.7", "--gateway", "0.0.0.0"}));
    zam::SaveSetting("Ports", "COM3", sim.pty);
    zam::SaveSetting("RS-232", "Port", "COM3");
    zam::SaveSetting("RS-232", "BaudRate", "9600");
    frmOptions d;
    QVERIFY(ShowFocused(&d));
    QVERIFY(XdoTool({"key", "alt+e", "alt+r"}));
    QVERIFY(QTest::qWaitFor(
        [&] { return d.lblStatus->text() == QLatin1String("Finished getting the Ethernet information"); }, 8000));
    QCOMPARE(d.dqIpAddress[0]->PartAddress(), QStringList({"0", "5", "6", "7"}));
    QCOMPARE(d.dqIpAddress[2]->PartAddress(), QStringList({"0", "0", "0", "0"}));
    QVERIFY(XdoTool({"key", "alt+c"}));
    QVERIFY(QTest::qWaitFor(
        [&] { return d.lblStatus->text() == QLatin1String("Ethernet settings were set to unit successfully."); },
        8000));
    QVERIFY(QTest::qWaitFor([&] { return SerialRx(sim).size() >= 4; }, 3000));
    QCOMPARE(SerialRx(sim).at(1), QStringLiteral("FFAA11FEC2" "0100" "00050607" "FFFFFF00" "00000000" "000000"));
    QVERIFY(messages_.isEmpty());
  }

  // Editing keys work in every filtered box; the filters judge characters only.
  void editingKeys_data() {
    QTest::addColumn<bool>("options");  // else the add-address dialog
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("xdotool");
    QTest::addColumn<QString>("shown");
    auto keys = [](std::initializer_list<const char*> k) {
      QStringList args{"key", "--delay", "60"};
      for (const char* key : k) args << QString::fromLatin1(key);
      return args;
    };
    QTest::newRow("discovery port: Home, Delete") << true << "txtPort" << keys({"Home", "Delete"}) << "092";
    QTest::newRow("discovery port: BackSpace, Left, 5")
        << true << "txtPort" << keys({"End", "BackSpace", "Left", "5"}) << "8059";
    QTest::newRow("discovery port: Ctrl+A, Delete") << true << "txtPort" << keys({"ctrl+a", "Delete"}) << "";
    QTest::newRow("discovery port: Ctrl+A, Ctrl+X, Ctrl+V twice")
        << true << "txtPort" << keys({"ctrl+a", "ctrl+x", "ctrl+v", "ctrl+v"}) << "80928";
    QTest::newRow("discovery port: Ctrl+A, Ctrl+C, End, Ctrl+V")
        << true << "txtPort" << keys({"ctrl+a", "ctrl+c", "End", "ctrl+v"}) << "80928";
    QTest::newRow("discovery port: Delete, Ctrl+Z") << true << "txtPort" << keys({"Home", "Delete", "ctrl+z"})
                                                    << "8092";
    QTest::newRow("add-address port: Home, Delete") << false << "txtModel(3)" << keys({"Home", "Delete"}) << "024";
    QTest::newRow("add-address model: Home, Delete")
        << false << "txtModel(0)" << keys({"Z", "A", "M", "Home", "Delete"}) << "AM";
    QTest::newRow("add-address serial: Left, Delete")
        << false << "txtModel(1)" << keys({"a", "b", "Left", "Delete"}) << "A";
    QTest::newRow("add-address password: Home, Right, Delete")
        << false << "txtModel(2)" << keys({"1", "2", "3", "Home", "Right", "Delete"}) << "13";
    QTest::newRow("address part: Home, Delete") << false << "txtIPAddress(0)" << keys({"1", "9", "Home", "Delete"})
                                                << "9";
  }
  void editingKeys() {
    QFETCH(bool, options);
    QFETCH(QString, box);
    QFETCH(QStringList, xdotool);
    QFETCH(QString, shown);
    std::unique_ptr<QDialog> dialog;
    if (options) dialog = std::make_unique<frmOptions>();
    else dialog = std::make_unique<frmAddIP>(QStringList{"Add", "Clear", "Delete"});
    QVERIFY(ShowFocused(dialog.get()));
    auto* edit = dialog->findChild<QLineEdit*>(box);
    QVERIFY(edit);
    edit->setFocus();
    edit->end(false);
    QVERIFY(XdoTool(xdotool));
    QCOMPARE(edit->text(), shown);
  }

 private:
  QList<zam::MsgRequest> messages_;
  std::unique_ptr<QTemporaryDir> profiles_;
};

int main(int argc, char** argv) {
  // Before any thread exists: the namespace, then the X server inside it.
  netnsUnavailable = dialogtest::EnterPrivateNetns();
  kaymortest::IsolateEnvironment();
  x11test::XServer x;
  if (x.Start()) {
    xUnavailable.clear();
    qputenv("DISPLAY", x.display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
  } else {
    xUnavailable = QStringLiteral("needs Xvfb and xdotool (apt-get install xvfb xdotool)");
  }
  QApplication app(argc, argv);
  TestFieldsX11 tc;
  return QTest::qExec(&tc, argc, argv);
}

#include "tst_fields_x11.moc"
