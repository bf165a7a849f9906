// Start-up and end of the keyboard program: single instance, the display
// check, the first run, the debug log.
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QTest>

#include "appinfo.h"
#include "screendpi.h"
#include "eventpump.h"
#include "kaymortest.h"
#include "singleinstance.h"
#include "settingsstore.h"

using namespace kaymortest;

namespace {
int Dpi120() { return 120; }

// A kaymor process sharing this test's settings and instance socket.
struct Kaymor {
  QProcess p;
  ~Kaymor() {
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished(3000);
    }
  }
  void Start() {
    p.setProgram(QStringLiteral(KAYMOR_BIN_DIR "/kaymor"));
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start();
    p.waitForStarted(5000);
  }
  bool Finished(int ms) { return QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, ms); }
};

QString Marker() {
  for (const QString& line : SectionLines("Options"))
    if (line.startsWith("Running=")) return line.mid(8);
  return "absent";
}
}  // namespace

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }
  void init() { ResetSettings(); }
  void cleanup() { zam::SetScreenDpiSource(nullptr); }

  void displayOtherThan96DpiIsRefused() {
    zam::SetScreenDpiSource(&Dpi120);
    MsgRecorder boxes;
    Window win;
    QVERIFY(!win.Load());
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, QString("Incompatible Display Font Size"));
    QCOMPARE(boxes.shown[0].text,
             QString("Vantrel supports Normal font size (96 DPI) only. Click OK button to quit.     "));
    QCOMPARE(boxes.shown[0].icon, zam::MsgIcon::Exclamation);
    QVERIFY(!QFile::exists(zam::SettingsFilePath()));
  }

  void firstRunSetsDefaultPassword() {
    Window win;
    QVERIFY(win.Load());
    QCOMPARE(zam::GetSetting("IPAddressList", "Password"), QString("qmpv"));
    QCOMPARE(win.w->txtPassword->text(), QString("qmpv"));
    QCOMPARE(zam::GetSetting("Options", "Running"), QString("Yes"));
    const QString version = zam::GetSetting("Options", "Version");
    QVERIFY2(QRegularExpression("^\\d+\\.\\d\\d\\.\\d{4}$").match(version).hasMatch(), qPrintable(version));
    QCOMPARE(win.w->lblVersion->text(), " V" + version);
    QCOMPARE(win.w->windowTitle(), "Vantrel V" + version.left(version.lastIndexOf('.')));
    QCOMPARE(win.w->txtPort->text(), QString("1024"));
    QVERIFY(!win.w->txtDebug->isVisible());
  }

  void laterRunKeepsStoredPassword() {
    zam::SaveSetting("Options", "Version", "1.00.0001");
    zam::SaveSetting("IPAddressList", "Password", "wxyz");
    Window win;
    QVERIFY(win.Load());
    QCOMPARE(win.w->txtPassword->text(), QString("wxyz"));
    QVERIFY(zam::GetSetting("Options", "Version") != "1.00.0001");
  }

  void lastUsedKeyboard_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("missing") << QString() << 1;
    QTest::newRow("0 is taken as 4") << "0" << 1;
    QTest::newRow("1") << "1" << 0;
    QTest::newRow("4") << "4" << 1;
  }
  void lastUsedKeyboard() {
    QFETCH(QString, stored);
    QFETCH(int, shown);
    if (!stored.isNull()) zam::SaveSetting("Keyboard", "LastUsed", stored);
    Window win;
    QVERIFY(win.Load());
    QVERIFY(win.w->picKeyboard[shown]->isVisible());
    QVERIFY(!win.w->picKeyboard[1 - shown]->isVisible());
    const int left = win.w->picKeyboard[shown]->x();
    QCOMPARE(left, 8);  // 120 twips
    QCOMPARE(win.w->picKeyboard[shown]->size(), QSize(756, 156));
  }

  void debugSwitch_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("on");
    QTest::newRow("upper case") << "kaymor" << "/DEBUG" << true;
    QTest::newRow("mixed case") << "kaymor" << "/Debug" << true;
    QTest::newRow("absent") << "kaymor" << "/other" << false;
    QTest::newRow("program in a debug folder") << "/opt/debug/bin/kaymor" << "/other" << false;
  }
  void debugSwitch() {
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(bool, on);
    QFile::remove(zam::DebugLogPath());
    {
      Window win;
      QVERIFY(win.Load({program, argument}));
      QCOMPARE(win.w->txtDebug->isVisible(), on);
      QCOMPARE(win.w->windowTitle().count('.'), on ? 2 : 1);
      // 7200 twips, caption and borders included once the window has them.
      if (on) QCOMPARE(win.w->frameGeometry().height(), 480);
      zam::WriteDebugLog("first");
      zam::WriteDebugLog("second");
      if (on) {
        const QStringList box = win.w->txtDebug->toPlainText().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(box.size(), 2);
        QVERIFY(box[0].endsWith(": second"));
        QVERIFY(box[1].endsWith(": first"));
      }
    }
    QCOMPARE(QFile::exists(zam::DebugLogPath()), on);
    if (!on) return;
    QFile log(zam::DebugLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d (AM|PM): first\\r\\n\\d\\d:\\d\\d:\\d\\d (AM|PM): second\\r\\n$")
                 .match(QString::fromLatin1(text)).hasMatch(),
             text.constData());
    log.close();
    QFile::remove(zam::DebugLogPath());
  }

  void debugLineFormat_data() {
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("line");
    QTest::newRow("morning") << QTime(9, 5, 7) << "09:05:07 AM: text";
    QTest::newRow("noon") << QTime(12, 0, 0) << "12:00:00 PM: text";
    QTest::newRow("evening") << QTime(23, 59, 1) << "11:59:01 PM: text";
    QTest::newRow("midnight") << QTime(0, 10, 0) << "12:10:00 AM: text";
  }
  void debugLineFormat() {
    QFETCH(QTime, time);
    QFETCH(QString, line);
    QCOMPARE(zam::DebugLine(time, "text"), line);
  }

  void markerLeftByACrashStartsNormally() {
    zam::SaveSetting("Options", "Running", "Yes");
    Window win;
    QVERIFY(win.Load());
    QVERIFY(win.w->close());
    QCOMPARE(zam::GetSetting("Options", "Running", "absent"), QString());
  }

  // The socket lives in the user's runtime folder, and a socket there that
  // never answers (not a running copy) does not stop the start.
  void silentSocketDoesNotStopTheStart() {
    const QString name = zam::InstanceServerName();
    QCOMPARE(QFileInfo(name).absolutePath(), QFileInfo(qEnvironmentVariable("XDG_RUNTIME_DIR")).absoluteFilePath());
    QLocalServer squatter;
    QVERIFY(squatter.listen(name));
    zam::SaveSetting("Options", "Running", "Yes");
    Window win;
    QVERIFY(win.Load());
    QVERIFY(win.w->isVisible());
    QVERIFY(win.w->close());
  }

  void secondProcessDefersToTheFirst() {
    Kaymor first;
    first.Start();
    QVERIFY(QTest::qWaitFor([] { return Marker() == "Yes"; }, 10000));
    // The version is stored last at start-up: its instance socket listens by
    // then and the settings change no more.
    QVERIFY(QTest::qWaitFor([] { return SettingsText().contains("Version="); }, 10000));
    const QString before = SettingsText();

    // With the marker set, a second copy brings the first forward and ends.
    Kaymor second;
    second.Start();
    QVERIFY(second.Finished(10000));
    QCOMPARE(second.p.exitCode(), 0);
    QCOMPARE(SettingsText(), before);
    QCOMPARE(first.p.state(), QProcess::Running);

    // A copy whose marker is not "Yes" is closed by the newcomer.
    zam::SaveSetting("Options", "Running", "");
    Kaymor third;
    third.Start();
    QVERIFY(first.Finished(10000));
    QCOMPARE(first.p.exitCode(), 0);
    QVERIFY(QTest::qWaitFor([] { return Marker() == "Yes"; }, 10000));
    zam::PumpFor(300);
    QCOMPARE(third.p.state(), QProcess::Running);
    QCOMPARE(Marker(), QString("Yes"));
  }
};

KAYMOR_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
