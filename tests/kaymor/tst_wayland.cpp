// The keyboard program under a Wayland compositor (weston's headless
// backend, QT_QPA_PLATFORM=wayland): the window shows, a second copy defers
// to the first, closing is refused while connected, the dialogs are modal
// to the window, and nothing reports a Wayland protocol error. Where the
// compositor places a window itself, that is no error. Skips only when
// weston cannot start.
#include <QDialog>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "kaymortest.h"
#include "settingsstore.h"
#include "x11fixture.h"

using namespace kaymortest;

namespace {

QStringList& Logged() {
  static QStringList lines;
  return lines;
}

QtMessageHandler g_next = nullptr;

void Record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  Logged() << text;
  if (g_next) g_next(type, context, text);
}

// The words a broken Wayland link is told in, by libwayland and by Qt.
bool TellsOfProtocolError(const QString& text) {
  return text.contains("protocol error", Qt::CaseInsensitive) ||
         text.contains("Wayland connection experienced a fatal error") ||
         text.contains(QRegularExpression("wl_[a-z_]+@[0-9]+: error"));
}

QStringList ProtocolErrors(const QStringList& lines) {
  QStringList errors;
  for (const QString& line : lines)
    if (TellsOfProtocolError(line)) errors << line;
  return errors;
}

}  // namespace

class TestWayland : public QObject {
  Q_OBJECT
 public:
  explicit TestWayland(QString failure) : failure_(std::move(failure)) {}

 private:
  QString failure_;

  // Runs open (which opens a dialog with exec()) and names the modal
  // dialog it showed, closed again once seen.
  QString ModalDuring(const std::function<void()>& open, bool* modalToWindow, QWidget* window) {
    QString seen;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->windowHandle() || !modal->windowHandle()->isExposed()) return;
      seen = modal->objectName();
      *modalToWindow = modal->isModal() && modal->windowHandle()->transientParent() == window->windowHandle();
      poll.stop();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    });
    poll.start();
    open();
    return seen;
  }

 private slots:
  void initTestCase() {
    if (!failure_.isEmpty()) QSKIP(qPrintable("no Wayland compositor: " + failure_));
    QCOMPARE(QGuiApplication::platformName(), QString("wayland"));
    WriteLedPictures();
  }
  void init() { ResetSettings(); }
  void cleanup() { QCOMPARE(ProtocolErrors(Logged()), QStringList()); }

  void windowShows() {
    Window win;
    QVERIFY(win.Load());
    QVERIFY(QTest::qWaitForWindowExposed(win.w.get()));
    QVERIFY(win.w->isVisible());
    QVERIFY(win.w->close());
  }

  // The local-socket rule holds whatever the display: a second copy brings
  // the first forward and ends, and nothing is logged of a protocol error.
  void secondCopyDefersToTheFirst() {
    KaymorProcess first;
    first.Start(QProcess::ForwardedOutputChannel);
    QVERIFY(QTest::qWaitFor([] { return SettingsText().contains("Version="); }, 15000));
    KaymorProcess second;
    second.Start(QProcess::ForwardedOutputChannel);
    QVERIFY(second.Finished(15000));
    QCOMPARE(second.p.exitCode(), 0);
    QCOMPARE(first.p.state(), QProcess::Running);
    first.p.terminate();
    if (!first.Finished(10000)) first.p.kill();
    first.p.waitForFinished(3000);
    const QStringList errors = QString::fromLocal8Bit(first.p.readAllStandardError() + second.p.readAllStandardError()).split('\n');
    QCOMPARE(ProtocolErrors(errors), QStringList());
  }

  void closingRefusedWhileConnected() {
    UnitSim sim;
    QVERIFY(sim.Start({"--name", "Lobby"}));
    SeedTcpEntry(sim.tcpPort, "qmpv");
    Window win;
    QVERIFY(win.Load());
    QVERIFY(QTest::qWaitForWindowExposed(win.w.get()));
    win.Click();
    QVERIFY(win.w->IsConnected());
    QVERIFY(!win.w->close());
    QVERIFY(win.w->isVisible());
    win.Click();
    QVERIFY(!win.w->IsConnected());
    QVERIFY(win.w->close());
  }

  void dialogsAreModalToTheWindow_data() {
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Options") << "frmOptions";
    QTest::newRow("add address") << "frmAddIP";
  }
  void dialogsAreModalToTheWindow() {
    QFETCH(QString, dialog);
    SeedTcpEntry(1, "qmpv");  // an address book, and discovery on request only
    Window win;
    QVERIFY(win.Load());
    QVERIFY(QTest::qWaitForWindowExposed(win.w.get()));
    bool modalToWindow = false;
    const QString shown = ModalDuring(
        [&] {
          if (dialog == "frmOptions")
            win.w->mnuToolsOptions->trigger();
          else
            win.Choose(win.w->cboComPort, "Add");
        },
        &modalToWindow, win.w.get());
    QCOMPARE(shown, dialog);
    QVERIFY(modalToWindow);
    QVERIFY(win.w->close());
  }
};

int main(int argc, char** argv) {
  IsolateEnvironment();
  x11test::WestonServer weston;
  if (weston.Start()) {
    qputenv("WAYLAND_DISPLAY", weston.socket.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "wayland");
    // The Wayland plugin's own warnings are read here.
    qputenv("QT_LOGGING_RULES", "qt.qpa.wayland*.warning=true;qt.qpa.wayland*.debug=false");
  }
  g_next = qInstallMessageHandler(Record);
  QApplication app(argc, argv);
  TestWayland tc(weston.failure);
  return QTest::qExec(&tc, argc, argv);
}

#include "tst_wayland.moc"
