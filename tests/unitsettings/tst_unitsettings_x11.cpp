// The unit settings window at the real keyboard window on a private X server
// (Xvfb), driven by real key strokes from xdotool against the simulated
// unit. Skips when Xvfb or xdotool is missing.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "PingIP.h"
#include "eventpump.h"
#include "frmUnitSettings.h"
#include "kaymortest.h"
#include "unitfields.h"
#include "unitsettings.h"
#include "x11fixture.h"

using x11test::Key;
using x11test::Run;

namespace {

bool haveX = false;


void Type(const QString& text) {
  Run({"xdotool", "type", "--delay", "60", text});
  zam::PumpFor(300);
}

bool Focus(QWidget* window) {
  if (!QTest::qWaitForWindowExposed(window)) return false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Run({"xdotool", "windowfocus", "--sync", QString::number(window->winId())});
    if (QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }, 3000)) return true;
  }
  return false;
}

// Runs work once the settings window is up as the modal window and has
// read the unit (or 30 s have passed), from inside its modal loop: never
// from inside the read's own wait, which would then wait for the work.
void WhenSettingsOpen(std::function<void(zam::frmUnitSettings*)> work) {
  auto* timer = new QTimer;
  timer->setInterval(100);
  auto* ticks = new int(0);
  QObject::connect(timer, &QTimer::timeout, [timer, work, ticks] {
    auto* w = qobject_cast<zam::frmUnitSettings*>(QApplication::activeModalWidget());
    if (!w || !w->isVisible()) return;
    if (!w->lblStatus->text().startsWith(QLatin1String("Status: Read at")) && ++*ticks < 300) return;
    delete ticks;
    timer->stop();
    timer->deleteLater();
    work(w);
    // Closed in any case, so that a failed step fails the test, not hangs it.
    if (!QTest::qWaitFor([w] { return !w->isVisible(); }, 3000)) w->done(QDialog::Rejected);
  });
  timer->start();
}

}  // namespace

class TestUnitSettingsX11 : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!haveX) QSKIP("needs Xvfb and xdotool (apt-get install xvfb xdotool)");
    QString a = QStringLiteral("127.0.0.1");
    if (!zam::PingAddress(a).contains(QLatin1String("IP Success")))
      QSKIP("the combo-block control pings first, and this user may not ping 127.0.0.1");
  }
  void init() { kaymortest::ResetSettings(); }

  // Alt+T, U opens the window, which reads; a title typed and Alt+A write
  // and check it.
  void renameCameraByKeys() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4", "--clock-offset", "0"}));
    kaymortest::SeedTcpEntry(sim.tcpPort);
    kaymortest::Window win;
    QVERIFY(win.Load());
    QVERIFY(Focus(win.w.get()));

    QString title, readStatus, appliedStatus, focusedEditor;
    bool applyBefore = true, applyAfterEdit = false;
    WhenSettingsOpen([&](zam::frmUnitSettings* w) {
      title = w->windowTitle();
      readStatus = w->lblStatus->text();
      applyBefore = w->cmdApply->isEnabled();
      if (!Focus(w)) {
        focusedEditor = QStringLiteral("(the window never got the focus)");
        return;
      }
      Key({"alt+2"});
      if (QWidget* f = QApplication::focusWidget()) focusedEditor = f->objectName();
      Key({"ctrl+a"});
      Type("Gate");
      applyAfterEdit = w->cmdApply->isEnabled();
      Key({"alt+a"});
      QTest::qWaitFor([w] { return w->lblStatus->text().startsWith(QLatin1String("Status: Saved")); }, 20000);
      appliedStatus = w->lblStatus->text();
      Key({"Escape"});
    });
    Key({"alt+t", "u"});
    QVERIFY(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }, 30000));

    QCOMPARE(title, QStringLiteral("Unit Settings - 127.0.0.1"));
    QVERIFY2(readStatus.startsWith("Status: Read at"), qPrintable(readStatus));
    QVERIFY(!applyBefore);
    QCOMPARE(focusedEditor, QStringLiteral("camera.2.title"));
    QVERIFY(applyAfterEdit);
    QCOMPARE(appliedStatus, QStringLiteral("Status: Saved and checked"));

    zam::UnitSettings check;
    check.SetTarget({"127.0.0.1", "qmpv", sim.tcpPort, {}, {}, {}});
    QVERIFY(check.Read().ok());
    QCOMPARE(check.ReadText("camera.2.title"), QStringLiteral("Gate"));
  }

  // Not for RS-232: disabled, and the tooltip says why.
  void disabledForSerial() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    kaymortest::SeedTcpEntry(sim.tcpPort);
    kaymortest::Window win;
    QVERIFY(win.Load());
    win.w->UpdateUnitSettingsItem();
    QVERIFY(win.w->mnuToolsUnitSettings->isEnabled());
    win.Choose(win.w->cboCommType, win.w->cboCommType->itemText(0));
    win.w->UpdateUnitSettingsItem();
    QVERIFY(!win.w->mnuToolsUnitSettings->isEnabled());
    QVERIFY(win.w->mnuToolsUnitSettings->toolTip().contains("RS-232"));
  }
};

KAYMOR_X11_TEST_MAIN(TestUnitSettingsX11, haveX)

#include "tst_unitsettings_x11.moc"
