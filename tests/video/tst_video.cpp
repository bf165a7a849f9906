// The video pane of the keyboard window: its stored switch, the menu entry,
// start and stop of the preview, and the window layouts that depend on it.
#include <QFile>
#include <QFrame>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "VideoPreview.h"
#include "eventpump.h"
#include "kaymortest.h"
#include "settingsstore.h"
#include "twips.h"
#include "videofixture.h"

using zam::Px;
using videotest::PaneFrame;
using videotest::Preview;
using videotest::PreviewRunning;

using namespace kaymortest;

namespace {


// Loads the window with the pane switch stored as given ("" leaves it unset).
bool LoadWith(Window& win, const QString& enableVideo, const QStringList& args = {QStringLiteral("kaymor")}) {
  if (!enableVideo.isNull()) zam::SaveSetting("Options", "EnableVideo", enableVideo);
  return win.Load(args);
}

// Loads the window with the pane on or off and an address entry for sim.
bool LoadWithUnit(Window& win, UnitSim& sim, bool on) {
  if (!sim.Start({})) return false;
  SeedTcpEntry(sim.tcpPort);
  return LoadWith(win, on ? "-1" : "0");
}

bool CompactScreen() { return QGuiApplication::primaryScreen()->size() == QSize(1024, 768); }

// The window's whole height with the full pane and the connection frame shown
// is 11880 twips; on a lower available area the pane gives up the difference.
int PaneHeightOnThisScreen(bool frameShown) {
  const int full = Px(frameShown ? 11880 : 11880 - 855 - 105);
  const int room = QGuiApplication::primaryScreen()->availableGeometry().height();
  return Px(7140) - qMax(0, full - room);
}

// The whole window, its frame included, lies inside the screen's available area.
bool FitsTheScreen(const QWidget* w) {
  return QGuiApplication::primaryScreen()->availableGeometry().contains(w->frameGeometry());
}

}  // namespace

class TestVideo : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The screen registrations must really get their screen.
    const QString wanted = qEnvironmentVariable("KAYMOR_TEST_SCREEN");
    if (!wanted.isEmpty()) {
      const QSize size = QGuiApplication::primaryScreen()->size();
      QCOMPARE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), wanted);
    }
  }
  void init() { ResetSettings(); }

  // The multimedia libraries are loaded the first time the pane is switched
  // on, not at the start of a window with the pane off. First of the cases:
  // once loaded they stay.
  void multimediaLoadedWithThePane() {
    auto mapped = [](const char* name) {
      QFile maps(QStringLiteral("/proc/self/maps"));
      return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
    };
    if (!QFile::exists(QCoreApplication::applicationDirPath() + "/kaymor_video.so"))
      QSKIP("built without Qt Multimedia");
    if (mapped("libQt6Multimedia")) QSKIP("this test program was linked with the multimedia libraries");
    Window win;
    QVERIFY(LoadWith(win, "0"));
    zam::PumpFor(50);
    QVERIFY(!mapped("libQt6Multimedia"));
    win.w->mnuToolsVideo->trigger();
    QVERIFY(QTest::qWaitFor([&] { return mapped("kaymor_video.so"); }, 5000));
    QVERIFY(mapped("libQt6Multimedia"));
  }

  void storedSwitch_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("written");
    QTest::newRow("missing") << QString() << false << "0";
    QTest::newRow("0") << "0" << false << "0";
    QTest::newRow("-1") << "-1" << true << "-1";
    QTest::newRow("1") << "1" << true << "-1";
    QTest::newRow("2") << "2" << true << "-1";
    QTest::newRow("blank and sign") << " +3" << true << "-1";
    QTest::newRow("fraction truncated") << "0.5" << false << "0";
    QTest::newRow("number then text") << "1 on" << true << "-1";
    QTest::newRow("text") << "on" << false << "0";
    QTest::newRow("empty") << "" << false << "0";
  }
  void storedSwitch() {
    QFETCH(QString, stored);
    QFETCH(bool, on);
    QFETCH(QString, written);
    Window win;
    QVERIFY(LoadWith(win, stored));
    QCOMPARE(win.w->mnuToolsVideo->isChecked(), on);
    QCOMPARE(zam::GetSetting("Options", "EnableVideo"), written);
    QCOMPARE(PaneFrame(*win.w)->isVisible(), on);
    QCOMPARE(PreviewRunning(*win.w), on);
    QCOMPARE(Preview(*win.w)->IsRunning(), on);
  }

  void twoClicksStopOnceStartOnce() {
    Window win;
    QVERIFY(LoadWith(win, "-1"));
    zam::VideoPreview* preview = Preview(*win.w);
    QCOMPARE(preview->StartCalls(), 1);
    const int stops = preview->StopCalls();

    // A layout run with the pane already running does not start it again.
    win.w->ArrangeWindow();
    QCOMPARE(preview->StartCalls(), 1);

    win.w->mnuToolsVideo->trigger();
    QVERIFY(!win.w->mnuToolsVideo->isChecked());
    QCOMPARE(zam::GetSetting("Options", "EnableVideo"), QString("0"));
    QVERIFY(!PaneFrame(*win.w)->isVisible());
    QVERIFY(!PreviewRunning(*win.w));
    QVERIFY(!preview->IsRunning());

    win.w->mnuToolsVideo->trigger();
    QVERIFY(win.w->mnuToolsVideo->isChecked());
    QVERIFY(PaneFrame(*win.w)->isVisible());
    QVERIFY(PreviewRunning(*win.w));
    QVERIFY(preview->IsRunning());
    QCOMPARE(preview->StopCalls() - stops, 1);
    QCOMPARE(preview->StartCalls(), 2);
    QCOMPARE(zam::GetSetting("Options", "EnableVideo"), QString("-1"));
    zam::PumpFor(50);  // the device requests of both clicks are handled without trouble
  }

  void choiceSurvivesRestart() {
    {
      Window win;
      QVERIFY(LoadWith(win, QString()));
      QVERIFY(!PaneFrame(*win.w)->isVisible());
      win.w->mnuToolsVideo->trigger();
      QVERIFY(PaneFrame(*win.w)->isVisible());
    }
    Window again;
    QVERIFY(again.Load());
    QVERIFY(again.w->mnuToolsVideo->isChecked());
    QVERIFY(PaneFrame(*again.w)->isVisible());
  }

  void placeholderWithoutDevice() {
    Window win;
    QVERIFY(LoadWith(win, "-1"));
    zam::VideoPreview* preview = Preview(*win.w);
    // Either a picture or the placeholder takes the pane.
    QVERIFY(QTest::qWaitFor(
        [&] {
          for (QWidget* child : preview->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (child->objectName() != QLatin1String("lblNoVideo") && child->isVisible()) return true;
          return !preview->PlaceholderText().isEmpty();
        },
        5000));
    if (preview->PlaceholderText().isEmpty()) QSKIP("a video capture device is present on this machine");
    QCOMPARE(preview->PlaceholderText(), QString("No video capture device"));
    const QLabel* label = preview->findChild<QLabel*>("lblNoVideo");
    QVERIFY(label && label->isVisible());
    QCOMPARE(label->geometry(), preview->rect());

    // Off and on again looks for the device again, with the same result.
    win.w->mnuToolsVideo->trigger();
    zam::PumpFor(20);
    win.w->mnuToolsVideo->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !preview->PlaceholderText().isEmpty(); }, 5000));
    QCOMPARE(preview->PlaceholderText(), QString("No video capture device"));
  }

  // Pane, connection frame and keyboard, with the window centred on the screen.
  void paneGeometry_data() {
    QTest::addColumn<bool>("on");
    QTest::newRow("pane on") << true;
    QTest::newRow("pane off") << false;
  }
  void paneGeometry() {
    QFETCH(bool, on);
    Window win;
    QVERIFY(LoadWith(win, on ? "-1" : "0"));
    zam::frmZAMKeyboard* w = win.w.get();
    QWidget* keyboard = w->picKeyboard[1];
    QVERIFY(keyboard->isVisible());
    const int paneHeight = PaneHeightOnThisScreen(true);
    if (on) {
      const QRect pane = PaneFrame(*w)->geometry();
      QCOMPARE(pane.top(), Px(120));
      QCOMPARE(pane.size(), QSize(Px(10890), paneHeight));
      QVERIFY(pane.left() >= 0 && pane.right() < w->width());
      QVERIFY(qAbs(pane.center().x() - w->width() / 2) <= Px(80) + 2);
      QCOMPARE(Preview(*w)->geometry(), QRect(Px(20), Px(20), Px(10800), paneHeight));
      QVERIFY(Preview(*w)->isVisible());
      QVERIFY(w->Frame1->y() > pane.bottom());
    } else {
      QVERIFY(!PaneFrame(*w)->isVisible());
      QCOMPARE(w->Frame1->y(), Px(120));
    }
    QVERIFY(w->Frame1->isVisible());
    QVERIFY(keyboard->y() > w->Frame1->geometry().bottom());
    QVERIFY(keyboard->geometry().bottom() < w->lblStatus->y());
    QVERIFY(FitsTheScreen(w));
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY(qAbs(w->frameGeometry().center().x() - centre.x()) <= 1);
    // Centred wherever the window leaves room above and below.
    if (w->frameGeometry().height() < QGuiApplication::primaryScreen()->availableGeometry().height())
      QVERIFY(qAbs(w->frameGeometry().center().y() - centre.y()) <= 1);
  }

  // In every state the whole window, menu bar and status line included, lies
  // within the screen's available area; the full layout is kept where it fits.
  void windowFitsTheScreen_data() {
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("connected");
    QTest::newRow("pane on, not connected") << true << false;
    QTest::newRow("pane on, connected") << true << true;
    QTest::newRow("pane off, not connected") << false << false;
    QTest::newRow("pane off, connected") << false << true;
  }
  void windowFitsTheScreen() {
    QFETCH(bool, on);
    QFETCH(bool, connected);
    UnitSim sim;
    Window win;
    QVERIFY(LoadWithUnit(win, sim, on));
    zam::frmZAMKeyboard* w = win.w.get();
    if (connected) QVERIFY2(win.Click().startsWith("Status: Connected to"), qPrintable(win.Status()));
    zam::PumpFor(20);
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(FitsTheScreen(w), qPrintable(QStringLiteral("frame %1,%2 %3x%4 on %5x%6")
                                              .arg(w->frameGeometry().x()).arg(w->frameGeometry().y())
                                              .arg(w->frameGeometry().width()).arg(w->frameGeometry().height())
                                              .arg(avail.width()).arg(avail.height())));
    // Menu bar on top, the status line at the bottom, the keyboard between.
    QVERIFY(w->menuBar()->isVisible());
    QCOMPARE(w->menuBar()->y(), 0);
    const QRect status = w->lblStatus->geometry().translated(w->centralWidget()->mapTo(w, QPoint(0, 0)));
    QVERIFY(w->lblStatus->isVisible());
    QVERIFY(w->rect().contains(status));
    QWidget* keyboard = w->picKeyboard[1];
    QVERIFY(keyboard->isVisible());
    QVERIFY(keyboard->geometry().bottom() < w->lblStatus->y());
    const bool frameShown = !(connected && on && CompactScreen());
    QCOMPARE(w->Frame1->isVisible(), frameShown);
    if (on) {
      // The full pane wherever it fits, else the pane alone is lower.
      QCOMPARE(PaneFrame(*w)->height(), PaneHeightOnThisScreen(frameShown));
      QVERIFY(PaneFrame(*w)->geometry().bottom() < (frameShown ? w->Frame1->y() : keyboard->y()));
    }
  }

  void debugLayout_data() {
    QTest::addColumn<bool>("on");
    QTest::newRow("pane off shows the debug box") << false;
    QTest::newRow("pane on hides it") << true;
  }
  void debugLayout() {
    QFETCH(bool, on);
    Window win;
    QVERIFY(LoadWith(win, on ? "-1" : "0", {"kaymor", "/debug"}));
    QCOMPARE(win.w->txtDebug->isVisible(), !on);
    if (!on) {
      // Within the frame the platform adds after the first show; the plain
      // layout would be about 310 pixels high.
      QVERIFY2(qAbs(win.w->frameGeometry().height() - Px(7200)) <= 8,
               qPrintable(QString::number(win.w->frameGeometry().height())));
      QCOMPARE(win.w->txtDebug->y(), Px(3480));
    }
    // The switch is a click away: the layout follows it.
    win.w->mnuToolsVideo->trigger();
    QCOMPARE(win.w->txtDebug->isVisible(), on);
  }

  // On a 1024 x 768 screen with the pane on, the connection frame gives way to
  // the keyboard while connected and "&Disconnect" moves to the menu bar.
  void connectLayout_data() {
    QTest::addColumn<bool>("on");
    QTest::newRow("pane on") << true;
    QTest::newRow("pane off") << false;
  }
  void connectLayout() {
    QFETCH(bool, on);
    const bool compact = on && CompactScreen();
    UnitSim sim;
    Window win;
    QVERIFY(LoadWithUnit(win, sim, on));
    zam::frmZAMKeyboard* w = win.w.get();
    QCOMPARE(w->Screen1024x768, CompactScreen());
    QWidget* keyboard = w->picKeyboard[1];
    const int frameTop = w->Frame1->y();
    const int keyboardTop = keyboard->y();
    QVERIFY(w->Frame1->isVisible());
    QVERIFY(!w->mnuDisconnect->isVisible());

    QVERIFY2(win.Click().startsWith("Status: Connected to 127.0.0.1 ("), qPrintable(win.Status()));
    QVERIFY(w->IsConnected());
    QCOMPARE(w->Frame1->isVisible(), !compact);
    QCOMPARE(w->mnuDisconnect->isVisible(), compact);
    QVERIFY(keyboard->isVisible());
    // Compact: the keyboard takes the frame's place below the pane (all of
    // the pane now that the frame is gone, where the screen is low).
    QCOMPARE(keyboard->y(), compact ? PaneFrame(*w)->y() + PaneFrame(*w)->height() + Px(120) : keyboardTop);
    if (!compact || PaneHeightOnThisScreen(true) == Px(7140)) QCOMPARE(keyboard->y(), compact ? frameTop : keyboardTop);
    if (compact) QVERIFY(w->frameGeometry().height() <= 768);
    QCOMPARE(Preview(*w)->StartCalls(), on ? 1 : 0);

    // The menu entry is the way out when the frame is hidden; Alt+D reaches
    // it, as it reaches the button otherwise.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_D, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] { return !w->IsConnected(); }, 1000));
    QVERIFY(w->Frame1->isVisible());
    QVERIFY(!w->mnuDisconnect->isVisible());
    QCOMPARE(keyboard->y(), keyboardTop);
    QCOMPARE(w->Frame1->y(), frameTop);
    QCOMPARE(PreviewRunning(*w), on);
    QCOMPARE(Preview(*w)->StartCalls(), on ? 1 : 0);
  }
};

KAYMOR_TEST_MAIN(TestVideo)
#include "tst_video.moc"
