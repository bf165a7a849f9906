// A first-time operator at the real window on a private X server (Xvfb):
// real key strokes and clicks from xdotool reach this process, which runs
// on that server, so the widgets can be looked at directly. Skips when Xvfb
// or xdotool is missing.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QJsonObject>
#include <QTest>
#include <functional>
#include <memory>

#include <dotquad/dotquad.h>
#include "eventpump.h"
#include "frmAddIP.h"
#include "frmKeyboardMap.h"
#include "frmOptions.h"
#include "kaymortest.h"
#include "pckeymap.h"
#include "settingsstore.h"
#include "x11fixture.h"

using x11test::Key;
using x11test::Run;

namespace {

bool haveX = false;


// Gives the window the X input focus and waits until Qt sees it active.
bool Focus(QWidget* window) {
  if (!QTest::qWaitForWindowExposed(window)) return false;
  Run({"xdotool", "windowfocus", "--sync", QString::number(window->winId())});
  return QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }, 3000);
}

// A real left click in the middle of the widget.
void Click(QWidget* w) {
  const QPoint p = w->mapToGlobal(w->rect().center());
  Run({"xdotool", "mousemove", "--sync", QString::number(p.x()), QString::number(p.y()), "click", "1"});
}

// What a message box showed and which button Enter would have pressed.
struct BoxSeen {
  QString title;
  QString text;
  QString defaultButton;
};

// Once a modal box is up, notes it and answers it with a real key stroke.
void AnswerNextBox(BoxSeen* seen, const QString& key) {
  auto* timer = new QTimer;
  timer->setInterval(100);
  QObject::connect(timer, &QTimer::timeout, [timer, seen, key] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->defaultButton = box->defaultButton() ? box->defaultButton()->text().remove('&') : QString();
    Run({"xdotool", "windowfocus", "--sync", QString::number(box->winId())});
    QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }, 3000);
    Run({"xdotool", "key", key});
  });
  timer->start();
}

// The override cursor's shape (-1 for none) and a status text, taken by a
// timer ms after now, from inside whatever wait runs then.
struct CursorSample {
  int shape = -2;  // not taken yet
  QString status;
};
using CursorSeen = std::shared_ptr<CursorSample>;
CursorSeen CursorAfter(int ms, std::function<QString()> status) {
  auto seen = std::make_shared<CursorSample>();
  QTimer::singleShot(ms, [seen, status] {
    const QCursor* c = QApplication::overrideCursor();
    seen->shape = c ? int(c->shape()) : -1;
    seen->status = status();
  });
  return seen;
}

}  // namespace

class TestOperatorX11 : public QObject {
  Q_OBJECT

  // The window with one address entry for sim, shown and focused.
  bool LoadFor(kaymortest::Window& win, const kaymortest::UnitSim& sim) {
    kaymortest::SeedTcpEntry(sim.tcpPort);
    if (!win.Load()) return false;
    return Focus(win.w.get());
  }

 private slots:
  void initTestCase() {
    if (!haveX) QSKIP("needs Xvfb and xdotool (apt-get install xvfb xdotool)");
  }
  void init() { kaymortest::ResetSettings(); }

  // No to "Clear" (Escape, or Enter on the default button) gives the box its
  // entry back, and Connect works again.
  void clearAnsweredNo_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("Enter on the default button") << "Return";
  }
  void clearAnsweredNo() {
    QFETCH(QString, answer);
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    kaymortest::Window win;
    QVERIFY(LoadFor(win, sim));
    const QString entry = QStringLiteral("127.0.0.1, ZAM4, SIM0001");
    QCOMPARE(win.w->cboComPort->currentText(), entry);

    BoxSeen seen;
    AnswerNextBox(&seen, answer);
    win.w->cboComPort->setFocus();
    Key({"ctrl+Delete"});
    QVERIFY(QTest::qWaitFor([&] { return !seen.title.isEmpty() && !QApplication::activeModalWidget(); }, 5000));
    QCOMPARE(seen.title, QStringLiteral("Delete All IP Addresses"));
    QCOMPARE(seen.defaultButton, QStringLiteral("No"));
    QCOMPARE(win.w->cboComPort->currentText(), entry);
    QCOMPARE(zam::GetSetting("IPAddressList", "Total"), QStringLiteral("1"));
    QCOMPARE(win.w->txtPort->text(), QString::number(sim.tcpPort));

    QVERIFY(Focus(win.w.get()));
    Key({"alt+c"});
    QVERIFY2(QTest::qWaitFor([&] { return win.w->IsConnected(); }, 10000), qPrintable(win.Status()));
  }

  // Delete of one address asks with No as the default too.
  void deleteDefaultsToNo() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    kaymortest::Window win;
    QVERIFY(LoadFor(win, sim));
    BoxSeen seen;
    AnswerNextBox(&seen, "Return");
    win.w->cboComPort->setFocus();
    Key({"Delete"});
    QVERIFY(QTest::qWaitFor([&] { return !seen.title.isEmpty() && !QApplication::activeModalWidget(); }, 5000));
    QCOMPARE(seen.title, QStringLiteral("Delete a IP Address"));
    QCOMPARE(seen.defaultButton, QStringLiteral("No"));
    QCOMPARE(zam::GetSetting("IPAddressList", "Total"), QStringLiteral("1"));
    QCOMPARE(win.w->cboComPort->currentText(), QStringLiteral("127.0.0.1, ZAM4, SIM0001"));
  }

  // Enter in the password or the port box connects while disconnected.
  void enterConnects_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("password box") << "txtPassword";
    QTest::newRow("port box") << "txtPort";
  }
  void enterConnects() {
    QFETCH(QString, box);
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "1"}));
    kaymortest::Window win;
    QVERIFY(LoadFor(win, sim));
    Click(win.Find<QLineEdit>(box));
    QVERIFY(QTest::qWaitFor([&] { return QApplication::focusWidget() == win.Find<QLineEdit>(box); }, 3000));
    Key({"Return"});
    QVERIFY2(QTest::qWaitFor([&] { return win.w->IsConnected(); }, 10000), qPrintable(win.Status()));
    QCOMPARE(win.Status(), QStringLiteral("Status: Connected to 127.0.0.1 (") + win.Link().UnitInfo.Name + ')');
    // The Enter that connected is no key for the unit, nor is its release.
    QTest::qWait(400);
    for (const QJsonObject& o : sim.Received("tcp")) QVERIFY2(!o.contains("key"), "a key frame reached the unit");
    // Every label of the connection frame greys with its control.
    for (const char* label : {"lblComPort", "Label1(0)", "Label1(1)"}) QVERIFY2(!win.Find<QLabel>(label)->isEnabled(), label);
  }

  // The wait cursor is up while a connect waits for a silent unit, and gone
  // once it failed.
  void busyCursorDuringConnect() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    kaymortest::Window win;
    QVERIFY(LoadFor(win, sim));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    sim.Pause();  // the socket connects, the login is never answered
    // The connect's wait runs events: a timer looks inside it.
    const CursorSeen during = CursorAfter(2000, [&] { return win.Status(); });
    Click(win.w->cmdConnect);
    QVERIFY(QTest::qWaitFor([&] { return win.Status().startsWith(QLatin1String("Status: Could not detect")); }, 15000));
    QCOMPARE(during->status, QStringLiteral("Status: Detecting the unit..."));
    QCOMPARE(during->shape, int(Qt::WaitCursor));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!win.w->IsConnected());
    sim.Resume();
  }

  // The same for a serial read on the network settings page that times out.
  void busyCursorDuringSerialRead() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--no-tcp", "--pty"}));
    zam::SaveSetting("Ports", "COM1", sim.pty);
    zam::SaveSetting("RS-232", "Port", "COM1");
    zam::frmOptions d;
    d.SSTab1->setCurrentIndex(1);
    d.show();
    QVERIFY(Focus(&d));
    sim.Pause();
    const CursorSeen during = CursorAfter(2000, [&] { return d.lblStatus->text(); });
    Click(d.cmdEthernet[0]);
    QVERIFY(QTest::qWaitFor([&] { return d.lblStatus->text().startsWith(QLatin1String("Could not get")); }, 10000));
    QCOMPARE(during->status, QStringLiteral("Getting the Ethernet information"));
    QCOMPARE(during->shape, int(Qt::WaitCursor));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Nothing was read: Change still needs its fields.
    QVERIFY(d.cmdEthernet[0]->isEnabled());
    QVERIFY(!d.cmdEthernet[1]->isEnabled());
    sim.Resume();
  }

  // F1 and Help > Keyboard Map... open the map of the keyboard being shown.
  void keyboardMap_data() {
    QTest::addColumn<int>("unitType");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("expected");  // PC key = pictured key, a few of them
    QTest::newRow("type 1, F1") << 1 << QStringList{"F1"}
                                << QStringList{"Pause/Break=Pause", "2=Camera 1", "5=IP Camera", "Left Arrow=Rewind",
                                               "M=Menu"};
    QTest::newRow("type 4, Help menu") << 4 << QStringList{"alt+h", "k"}
                                       << QStringList{"Q=Quad", "C=Seq", "A=Alarm", "Keypad 3=Camera 3",
                                                      "Enter=Enter"};
  }
  void keyboardMap() {
    QFETCH(int, unitType);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, expected);
    zam::SaveSetting("Keyboard", "LastUsed", QString::number(unitType));
    zam::SaveSetting("Options", "Version", "1.01.1004");
    kaymortest::Window win;
    QVERIFY(win.Load());
    QVERIFY(Focus(win.w.get()));
    for (const QString& key : keys) Key({key});
    QVERIFY(QTest::qWaitFor([&] { return win.w->KeyboardMap() && win.w->KeyboardMap()->isVisible(); }, 3000));
    zam::frmKeyboardMap* map = win.w->KeyboardMap();
    QCOMPARE(map->UnitType(), unitType);
    QStringList shown;
    for (int i = 0; i < map->lstKeys->topLevelItemCount(); ++i)
      shown << map->lstKeys->topLevelItem(i)->text(0) + '=' + map->lstKeys->topLevelItem(i)->text(1);
    for (const QString& row : expected) QVERIFY2(shown.contains(row), qPrintable(shown.join(", ")));
    // Keys without a pictured key on this keyboard are not listed.
    if (unitType == 1)
      for (const QString& pcKey : {"Q", "C", "A"})
        QVERIFY(!shown.join(',').contains(QStringLiteral(",%1=").arg(pcKey)));
    QVERIFY(map->lblRules->text().contains(QLatin1String("400 ms")));
    QVERIFY(map->lblRules->text().contains(QLatin1String("Ctrl+R")));
    QCOMPARE(map->lblRules->text().contains(QLatin1String("alarm mode")), unitType == 4);
  }

  // One Tab stop per address field; Shift+Tab leaves a field backwards from
  // any of its parts.
  void addressFieldTabStops() {
    zam::frmOptions d;
    d.SSTab1->setCurrentIndex(1);
    d.show();
    QVERIFY(Focus(&d));
    d.cboEthernet[1]->setFocus();
    auto firstBox = [&](int field) {
      return d.dqIpAddress[field]->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(0)"));
    };
    for (int field = 0; field < 3; ++field) {
      Key({"Tab"});
      QCOMPARE(QApplication::focusWidget(), firstBox(field));
    }
    Key({"Tab"});
    QCOMPARE(QApplication::focusWidget(), d.cboProfile);

    // Inside a field the dot still moves on, and Shift+Tab from the second
    // part goes back to the field before, not to the first part.
    firstBox(2)->setFocus();
    Key({"1", "0", "period", "7"});
    QCOMPARE(d.dqIpAddress[2]->PartAddress(), (QStringList{"10", "7", "", ""}));
    Key({"shift+Tab"});
    QCOMPARE(QApplication::focusWidget(), firstBox(1));
  }

  // The add-address dialog masks the password as the main window does.
  void addAddressPasswordMasked() {
    zam::frmAddIP d(QStringList{});
    auto* password = d.findChild<QLineEdit*>(QStringLiteral("txtModel(2)"));
    QVERIFY(password);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
  }

  // A click on a pictured key while disconnected says what to do.
  void clickWhileDisconnected() {
    zam::SaveSetting("Keyboard", "LastUsed", "4");
    zam::SaveSetting("Options", "Version", "1.01.1004");
    kaymortest::Window win;
    QVERIFY(win.Load());
    QVERIFY(Focus(win.w.get()));
    Click(win.Find<QWidget>("imgRec(1)"));
    QVERIFY(QTest::qWaitFor([&] { return win.Status() == QLatin1String("Status: Connect to a unit first"); }, 3000));
  }
};

KAYMOR_X11_TEST_MAIN(TestOperatorX11, haveX)

#include "tst_operator_x11.moc"
