// The real program under a real X server (Xvfb): keys typed with xdotool
// into its window reach the unit simulator with their codes and timing.
// Skips when Xvfb or xdotool is missing.
#include "eventpump.h"
#include "kaymortest.h"
#include "x11fixture.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using x11test::Run;

namespace {

struct KeyCode {
  int code;
  qint64 us;
};

}  // namespace

class TestPcKeyboardX11 : public QObject {
  Q_OBJECT
  x11test::XServer x_;

  // The program on the X server, with a settings folder of its own, connected
  // (through its Connect mnemonic) to sim over link; returns its window id.
  QString StartConnected(x11test::Kaymor& kaymor, const kaymortest::UnitSim& sim, int unitType, bool tcp) {
    if (!x11test::WriteSettings(kaymor.home, x11test::EntrySettings(sim, unitType, tcp))) return {};
    const QString window = kaymor.Start(x_.display);
    if (window.isEmpty()) return {};
    return x11test::Connect(window, sim, tcp) ? window : QString();
  }

  static QList<KeyCode> Keys(const kaymortest::UnitSim& sim, bool tcp) {
    QList<KeyCode> out;
    for (const QJsonObject& o : sim.Received(tcp ? "tcp" : "serial"))
      if (o.contains("key")) out << KeyCode{o.value("key").toInt(), static_cast<qint64>(o.value("t_us").toDouble())};
    return out;
  }
  static QList<int> Codes(const QList<KeyCode>& keys) {
    QList<int> codes;
    for (const KeyCode& k : keys) codes << k.code;
    return codes;
  }

 private slots:
  void initTestCase() {
    if (!x_.Start()) QSKIP("needs Xvfb and xdotool (apt-get install xvfb xdotool)");
    // For xdotool; this process itself stays on the offscreen platform.
    qputenv("DISPLAY", x_.display.toLocal8Bit());
  }

  // Typed keys, each with the codes the unit must receive (SPI4 over TCP, V over RS-232).
  void typedKeys_data() {
    QTest::addColumn<int>("unitType");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QStringList>("xdotool");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("type 1 tcp: r q 3 5") << 1 << true << QStringList{"key", "--delay", "300", "r", "q", "3", "5"}
                                        << QList<int>{0x12, 0x30, 0xB1};
    QTest::newRow("type 4 tcp: r q 3 KP_4 c") << 4 << true
                                             << QStringList{"key", "--delay", "300", "r", "q", "3", "KP_4", "c"}
                                             << QList<int>{0x12, 0xA2, 0x32, 0x33, 0x29};
    QTest::newRow("type 4 serial: r q 3 KP_4 c") << 4 << false
                                                << QStringList{"key", "--delay", "300", "r", "q", "3", "KP_4", "c"}
                                                << QList<int>{0x01, 0x84, 0x0B, 0x0C, 0x07};
    QTest::newRow("type 1 serial: Return Prior Next Pause") << 1 << false
        << QStringList{"key", "--delay", "300", "Return", "Prior", "Next", "Pause"}
        << QList<int>{0x2A, 0x96, 0x97, 0x05};
    // A held about 1.2 s, keypad 2 meanwhile: Alarm release and Alarm,
    // the alarm camera, and the two alarm codes again on the release.
    const QStringList alarm{"keydown", "a", "sleep", "0.6", "key", "KP_2", "sleep", "0.6", "keyup", "a"};
    QTest::newRow("type 4 tcp: A held, keypad 2") << 4 << true << alarm << QList<int>{0x98, 0x01, 0x61, 0x98, 0x01};
    QTest::newRow("type 4 serial: A held, keypad 2") << 4 << false << alarm << QList<int>{0x98, 0x04, 0x4D, 0x98, 0x04};
  }
  void typedKeys() {
    QFETCH(int, unitType);
    QFETCH(bool, tcp);
    QFETCH(QStringList, xdotool);
    QFETCH(QList<int>, codes);
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--pty", "--type", QString::number(unitType)}));
    x11test::Kaymor kaymor;
    const QString window = StartConnected(kaymor, sim, unitType, tcp);
    QVERIFY(!window.isEmpty());
    Run(QStringList{"xdotool"} << xdotool);
    QTest::qWaitFor([&] { return Keys(sim, tcp).size() >= codes.size(); }, 5000);
    zam::PumpFor(500);
    QCOMPARE(Codes(Keys(sim, tcp)), codes);
  }

  // A held 0.8 s with a quick tap of keypad 2 just before its release, 20
  // times over: each time the alarm camera comes once, between the alarm
  // codes of the hold and those of the release, also when the tap falls
  // into the poll's waits (the alarm-mode read, a press wait).
  void alarmCameraTapWhileAHeld() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    x11test::Kaymor kaymor;
    QVERIFY(!StartConnected(kaymor, sim, 4, true).isEmpty());
    const QList<int> once{0x98, 0x01, 0x61, 0x98, 0x01};
    QStringList wrong;
    for (int run = 1; run <= 20; ++run) {
      const qsizetype before = Keys(sim, true).size();
      Run({"xdotool", "keydown", "a", "sleep", "0.8", "key", "KP_2", "keyup", "a"});
      QTest::qWaitFor([&] { return Keys(sim, true).size() >= before + once.size(); }, 5000);
      zam::PumpFor(600);
      const QList<int> got = Codes(Keys(sim, true).mid(before));
      if (got != once) {
        QStringList hex;
        for (int c : got) hex << QString::number(c, 16);
        wrong << QStringLiteral("run %1: %2").arg(run).arg(hex.join(' '));
      }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
  }

  // The left arrow held 1 s: nothing for 400 ms, then Rewind about every 100 ms.
  void leftArrowHeld() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    x11test::Kaymor kaymor;
    QVERIFY(!StartConnected(kaymor, sim, 4, true).isEmpty());
    // The key goes down when xdotool starts, a few ms after this.
    using namespace std::chrono;
    const qint64 down = duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    Run({"xdotool", "keydown", "Left", "sleep", "1", "keyup", "Left"});
    zam::PumpFor(500);
    const QList<KeyCode> keys = Keys(sim, true);
    QVERIFY(!keys.isEmpty());
    QCOMPARE(Codes(keys), QList<int>(keys.size(), 0x7A));
    const qint64 firstMs = (keys[0].us - down) / 1000;
    QVERIFY2(firstMs >= 390 && firstMs <= 700, qPrintable(QString::number(firstMs)));
    QList<qint64> readUs;
    for (const KeyCode& k : keys) readUs << k.us;
    const QString beat = kaymortest::RepeatBeatFault(readUs);
    QVERIFY2(beat.isEmpty(), qPrintable(beat));
    QVERIFY2(keys.size() >= 5 && keys.size() <= 9, qPrintable(QString::number(keys.size())));
    qInfo("left arrow held 1 s: %d Rewind codes, the first %lld ms after the key went down", int(keys.size()),
          firstMs);
  }

  // The password typed into its box, then Connect by its access key: none
  // of those keys reaches the unit after the login.
  void keysTypedBeforeConnecting() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    x11test::Kaymor kaymor;
    QVERIFY(x11test::WriteSettings(kaymor.home, x11test::EntrySettings(sim, 4, true)));
    const QString window = kaymor.Start(x_.display);
    QVERIFY(!window.isEmpty());
    Run({"xdotool", "windowfocus", "--sync", window, "key", "--delay", "100", "alt+w", "ctrl+a", "BackSpace"});
    Run({"xdotool", "type", "--delay", "100", "qmpv"});
    QVERIFY(x11test::Connect(window, sim, true));
    zam::PumpFor(1000);
    QCOMPARE(Codes(Keys(sim, true)), QList<int>{});
    Run({"xdotool", "key", "r"});
    QVERIFY(QTest::qWaitFor([&] { return !Keys(sim, true).isEmpty(); }, 3000));
    QCOMPARE(Codes(Keys(sim, true)), QList<int>{0x12});
  }

  // Alt+letters are access keys or shortcuts, auto-repeated or not; the
  // bare letter after them still counts.
  void altLettersAreNotKeys() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    x11test::Kaymor kaymor;
    QVERIFY(!StartConnected(kaymor, sim, 4, true).isEmpty());
    Run({"xdotool", "key", "--delay", "200", "alt+r", "alt+s", "alt+q", "super+p"});
    // Held past the auto-repeat delay, Alt let go before the letter.
    Run({"xdotool", "keydown", "alt", "keydown", "c", "sleep", "1.2", "keyup", "alt", "sleep", "0.4", "keyup",
         "c"});
    zam::PumpFor(500);
    QCOMPARE(Codes(Keys(sim, true)), QList<int>{});
    Run({"xdotool", "key", "s"});
    QVERIFY(QTest::qWaitFor([&] { return !Keys(sim, true).isEmpty(); }, 3000));
    QCOMPARE(Codes(Keys(sim, true)), QList<int>{0x11});
  }

  // The keys act by the key, whatever the layout makes them type: the digit
  // row with and without Shift, the letters as labelled (by position on a
  // Russian layout). xdotool types key symbols, picking the key that has
  // the symbol in the layout set; type 4 over TCP.
  void layouts_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("us: 2, Shift+2, Shift+3, r, q")
        << "us" << QStringList{"2", "at", "numbersign", "r", "q"} << QList<int>{0x31, 0x31, 0x32, 0x12, 0xA2};
    QTest::newRow("fr: 2 unshifted, Shift+2, 1 unshifted, q, m, KP_4")
        << "fr" << QStringList{"eacute", "2", "ampersand", "q", "m", "KP_4"}
        << QList<int>{0x31, 0x31, 0x30, 0xA2, 0x70, 0x33};
    QTest::newRow("de: 2, Shift+2, Shift+4, r, c")
        << "de" << QStringList{"2", "quotedbl", "dollar", "r", "c"} << QList<int>{0x31, 0x31, 0x33, 0x12, 0x29};
    QTest::newRow("ru: 2, Shift+2, the R, S and C keys")
        << "ru" << QStringList{"2", "quotedbl", "Cyrillic_ka", "Cyrillic_yeru", "Cyrillic_es"}
        << QList<int>{0x31, 0x31, 0x12, 0x11, 0x29};
  }
  void layouts() {
    QFETCH(QString, layout);
    QFETCH(QStringList, keys);
    QFETCH(QList<int>, codes);
    if (QStandardPaths::findExecutable("setxkbmap").isEmpty()) QSKIP("needs setxkbmap (apt-get install x11-xkb-utils)");
    struct UsAgain {
      ~UsAgain() { Run({"setxkbmap", "us"}); }
    } usAgain;
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    x11test::Kaymor kaymor;
    QVERIFY(!StartConnected(kaymor, sim, 4, true).isEmpty());
    // Set while the program runs: the server goes back to its own keymap
    // whenever its last client leaves.
    Run({"setxkbmap", layout});
    QVERIFY(Run({"setxkbmap", "-query"}).contains(QRegularExpression("layout:\\s+" + layout)));
    zam::PumpFor(500);  // the program takes the new keymap
    Run(QStringList{"xdotool", "key", "--delay", "300"} << keys);
    QTest::qWaitFor([&] { return Keys(sim, true).size() >= codes.size(); }, 5000);
    zam::PumpFor(500);
    QCOMPARE(Codes(Keys(sim, true)), codes);
  }

  void ctrlRRebootsAndDisconnects() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "1"}));
    x11test::Kaymor kaymor;
    QVERIFY(!StartConnected(kaymor, sim, 1, true).isEmpty());
    // Ctrl held around R long enough for a 10 ms poll to see both down.
    Run({"xdotool", "keydown", "ctrl", "sleep", "0.1", "key", "--delay", "100", "r", "sleep", "0.1", "keyup", "ctrl"});
    auto logHas = [&](const QString& event) {
      QFile f(sim.logPath);
      return f.open(QIODevice::ReadOnly) && f.readAll().contains(("\"event\":\"" + event + "\"").toUtf8());
    };
    QVERIFY(QTest::qWaitFor([&] { return logHas("reboot") && logHas("disconnect"); }, 8000));
    QCOMPARE(Codes(Keys(sim, true)), QList<int>{});
    // Disconnected: no more LED requests reach the unit.
    zam::PumpFor(300);
    const qsizetype before = sim.Received("tcp").size();
    zam::PumpFor(2500);
    QCOMPARE(sim.Received("tcp").size(), before);
  }
};

int main(int argc, char** argv) {
  kaymortest::IsolateEnvironment();
  QApplication app(argc, argv);
  TestPcKeyboardX11 tc;
  return QTest::qExec(&tc, argc, argv);
}

#include "tst_pckb_x11.moc"
