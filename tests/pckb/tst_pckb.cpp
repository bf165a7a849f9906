// The PC keyboard poll in the real window, against the unit simulator:
// keys sent to the window become the codes and timing the unit receives.
#include <QFile>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QTimer>
#include <QTest>
#include <chrono>

#include "eventpump.h"
#include "kaymortest.h"
#include "keypanel.h"
#include "panelfixture.h"
#include "pckeyboard.h"
#include "pckeymap.h"
#include "settingsstore.h"

using namespace kaymortest;
using paneltest::PanelOf;
using paneltest::PcKeyboardOf;

namespace {

enum class Link { Tcp, Serial };

qint64 NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

struct KeyCode {
  int code;
  qint64 us;  // unitsim's monotonic time stamp
};

// A unit of one type and the window connected to it, active.
struct Rig {
  UnitSim sim;
  Window win;
  Link link = Link::Tcp;
  QObject scope;  // scheduled steps end with the rig

  bool Start(int type, Link over, QStringList simArgs = {}, bool debug = false) {
    link = over;
    simArgs << "--type" << QString::number(type);
    if (over == Link::Serial) simArgs << "--no-tcp" << "--pty";
    if (!sim.Start(simArgs)) return false;
    if (over == Link::Tcp) {
      SeedTcpEntry(sim.tcpPort);
    } else {
      zam::SaveSetting("Ports", "COM1", sim.pty);
      zam::SaveSetting("RS-232", "Port", "COM1");
      zam::SaveSetting("IPAddressList", "CommType", "0");
    }
    QStringList args{"kaymor"};
    if (debug) args << "/debug";
    if (!win.Load(args)) return false;
    win.Click();
    if (!win.w->IsConnected()) return false;
    win.w->activateWindow();
    return QTest::qWaitForWindowActive(win.w.get());
  }

  QWidget* Target() const { return win.w.get(); }
  void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyPress(Target(), key, mods); }
  void Release(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyRelease(Target(), key, mods); }
  void Tap(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(Target(), key, mods); }
  void Send(QKeyEvent event) { QApplication::sendEvent(Target(), &event); }
  // Runs a step ms from now. A poll that waits runs events inside it, so
  // keys meant to arrive during a poll come as timed events, as typed keys do.
  void At(int ms, const std::function<void()>& step) { QTimer::singleShot(ms, Qt::PreciseTimer, &scope, step); }

  // Key codes the unit received, in order.
  QList<KeyCode> Keys() const {
    QList<KeyCode> out;
    for (const QJsonObject& o : sim.Received(link == Link::Tcp ? "tcp" : "serial")) {
      const bool key = link == Link::Tcp ? o.value("name").toString() == "ZAM_SPI_KEY"
                                         : o.value("kind").toString() == "key";
      if (key) out << KeyCode{o.value("key").toInt(), static_cast<qint64>(o.value("t_us").toDouble())};
    }
    return out;
  }
  QList<int> Codes() const {
    QList<int> codes;
    for (const KeyCode& k : Keys()) codes << k.code;
    return codes;
  }
  bool WaitForCodes(qsizetype count, int ms = 3000) const {
    return QTest::qWaitFor([&] { return Codes().size() >= count; }, ms);
  }
  // Every log line with this event name ("reboot", ...).
  int Events(const QString& name) const {
    QFile f(sim.logPath);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    int n = 0;
    for (const QByteArray& line : f.readAll().split('\n'))
      if (QJsonDocument::fromJson(line).object().value("event").toString() == name) ++n;
    return n;
  }
  QStringList DebugLines(const QString& start) const {
    QStringList out;
    // Newest first in the box; each line is "hh:mm:ss AMPM: text".
    for (const QString& line : win.w->txtDebug->toPlainText().split('\n')) {
      const QString text = line.section(": ", 1);
      if (text.startsWith(start)) out.prepend(text);
    }
    return out;
  }
  zam::PictureKey* Key(const QString& control, int index) const { return PanelOf(*win.w).Key(control, index); }
};

QString Hex(const QList<int>& codes) {
  QStringList out;
  for (int c : codes) out << QStringLiteral("0x%1").arg(c, 2, 16, QLatin1Char('0'));
  return out.join(' ');
}

}  // namespace

Q_DECLARE_METATYPE(Link)

class TestPcKeyboard : public QObject {
  Q_OBJECT
 private slots:
  void init() { ResetSettings(); }

  // The keyboard map lists the poll's own table: every key it names is
  // watched by the poll, and names a pictured key of the layout.
  void mapListsWatchedKeys() {
    Window win;
    QVERIFY(win.Load());
    for (const zam::PcKeyBinding& b : zam::kPcKeyBindings) {
      QCOMPARE(int(PcKeyboardOf(*win.w).ValidKeys[b.virtualKey]), b.virtualKey);
      for (int type : {1, 4})
        if (const char* target = zam::PcKeyTarget(b, type)) QVERIFY2(PanelOf(*win.w).Key(target), target);
    }
    for (int type : {1, 4}) QVERIFY(!zam::PcKeyMap(type).isEmpty());
  }

  void virtualKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<quint32>("keySym");
    QTest::addColumn<int>("expected");
    const int none = Qt::NoModifier, pad = Qt::KeypadModifier;
    QTest::newRow("Return") << int(Qt::Key_Return) << none << 36u << 0u << 13;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << pad << 104u << 0u << 13;
    QTest::newRow("digit 1") << int(Qt::Key_1) << none << 10u << 0u << 49;
    QTest::newRow("digit 5") << int(Qt::Key_5) << none << 14u << 0u << 53;
    QTest::newRow("keypad 1") << int(Qt::Key_1) << pad << 87u << 0u << 97;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << pad << 84u << 0u << 101;
    QTest::newRow("keypad 2 without Num Lock is Down") << int(Qt::Key_Down) << pad << 88u << 0u << 40;
    QTest::newRow("A") << int(Qt::Key_A) << none << 38u << 0u << 65;
    QTest::newRow("R with Ctrl") << int(Qt::Key_R) << int(Qt::ControlModifier) << 27u << 0u << 82;
    QTest::newRow("Pause") << int(Qt::Key_Pause) << none << 127u << 0u << 19;
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << 112u << 0u << 33;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 117u << 0u << 34;
    QTest::newRow("Left") << int(Qt::Key_Left) << none << 113u << 0u << 37;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 116u << 0u << 40;
    QTest::newRow("Print Screen") << int(Qt::Key_Print) << none << 107u << 0u << 44;
    QTest::newRow("left Ctrl") << int(Qt::Key_Control) << none << 37u << 0xffe3u << 162;
    QTest::newRow("right Ctrl by key symbol") << int(Qt::Key_Control) << none << 0u << 0xffe4u << 163;
    QTest::newRow("right Ctrl by key code") << int(Qt::Key_Control) << none << 105u << 0u << 163;
    QTest::newRow("Ctrl without native codes") << int(Qt::Key_Control) << none << 0u << 0u << 162;
    QTest::newRow("F1 is not mapped") << int(Qt::Key_F1) << none << 67u << 0u << 0;
    // The digit row by its key, the letters as labelled, non-Latin letters by position.
    const int shift = Qt::ShiftModifier;
    QTest::newRow("US Shift+2 (@) is 2") << int(Qt::Key_At) << shift << 11u << 0x40u << 50;
    QTest::newRow("French 2 key unshifted (e acute) is 2") << int(Qt::Key_Eacute) << none << 11u << 0xe9u << 50;
    QTest::newRow("French Shift+2 is 2") << int(Qt::Key_2) << shift << 11u << 0x32u << 50;
    QTest::newRow("German Shift+5 (%) is 5") << int(Qt::Key_Percent) << shift << 14u << 0x25u << 53;
    QTest::newRow("French A key is A") << int(Qt::Key_A) << none << 24u << 0x61u << 65;
    QTest::newRow("French Q key is Q") << int(Qt::Key_Q) << none << 38u << 0x71u << 81;
    QTest::newRow("French comma on the US M key is nothing") << int(Qt::Key_Comma) << none << 58u << 0x2cu << 0;
    QTest::newRow("Russian ka on the R key is R") << 0x041A << none << 27u << 0x6cbu << 82;
    QTest::newRow("Russian es on the C key is C") << 0x0421 << none << 54u << 0x6d3u << 67;
    QTest::newRow("German u umlaut is nothing") << int(Qt::Key_Udiaeresis) << none << 34u << 0xfcu << 0;
    QTest::newRow("keypad 2 keeps its code") << int(Qt::Key_2) << pad << 88u << 0xffb2u << 98;
  }
  void virtualKeys() {
    QFETCH(int, key);
    QFETCH(int, mods);
    QFETCH(quint32, scanCode);
    QFETCH(quint32, keySym);
    QFETCH(int, expected);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(mods), scanCode, keySym, 0);
    QCOMPARE(zam::VirtualKeyOf(event), expected);
  }

  // One tap of a key: the codes the unit receives (SPI4, over TCP).
  void taps_data() {
    QTest::addColumn<int>("unitType");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<QList<int>>("codes");
    const int none = Qt::NoModifier, pad = Qt::KeypadModifier;
    QTest::newRow("R on type 1: Record") << 1 << int(Qt::Key_R) << none << QList<int>{0x12};
    QTest::newRow("R on type 4: Record") << 4 << int(Qt::Key_R) << none << QList<int>{0x12};
    QTest::newRow("Q on type 1: nothing") << 1 << int(Qt::Key_Q) << none << QList<int>{};
    QTest::newRow("C on type 1: nothing") << 1 << int(Qt::Key_C) << none << QList<int>{};
    QTest::newRow("A on type 1: nothing") << 1 << int(Qt::Key_A) << none << QList<int>{};
    QTest::newRow("3 on type 1: Camera 1") << 1 << int(Qt::Key_3) << none << QList<int>{0x30};
    QTest::newRow("3 on type 4: Camera 3") << 4 << int(Qt::Key_3) << none << QList<int>{0x32};
    QTest::newRow("keypad 4 on type 4: Camera 4") << 4 << int(Qt::Key_4) << pad << QList<int>{0x33};
    QTest::newRow("keypad 2 on type 1: Camera 1") << 1 << int(Qt::Key_2) << pad << QList<int>{0x30};
    QTest::newRow("5 on type 1: IP camera 1") << 1 << int(Qt::Key_5) << none << QList<int>{0xB1};
    QTest::newRow("keypad 5 on type 4: IP camera 1") << 4 << int(Qt::Key_5) << pad << QList<int>{0xB1};
    QTest::newRow("Q on type 4: Quad") << 4 << int(Qt::Key_Q) << none << QList<int>{0xA2};
    QTest::newRow("C on type 4: Sequence") << 4 << int(Qt::Key_C) << none << QList<int>{0x29};
    QTest::newRow("A tapped on type 4: Alarm release, Alarm") << 4 << int(Qt::Key_A) << none << QList<int>{0x98, 0x01};
    QTest::newRow("Enter") << 1 << int(Qt::Key_Return) << none << QList<int>{0x71};
    QTest::newRow("keypad Enter") << 4 << int(Qt::Key_Enter) << pad << QList<int>{0x71};
    QTest::newRow("M: Menu") << 4 << int(Qt::Key_M) << none << QList<int>{0x70};
    QTest::newRow("Pause") << 1 << int(Qt::Key_Pause) << none << QList<int>{0x21};
    QTest::newRow("Page Up: speed up") << 4 << int(Qt::Key_PageUp) << none << QList<int>{0xAC};
    QTest::newRow("Page Down: speed down") << 1 << int(Qt::Key_PageDown) << none << QList<int>{0xAD};
    QTest::newRow("B: play backward") << 4 << int(Qt::Key_B) << none << QList<int>{0x75};
    QTest::newRow("F: search") << 1 << int(Qt::Key_F) << none << QList<int>{0x72};
    QTest::newRow("P: play") << 4 << int(Qt::Key_P) << none << QList<int>{0x76};
    QTest::newRow("S: stop") << 1 << int(Qt::Key_S) << none << QList<int>{0x11};
    QTest::newRow("Up tapped: still advance") << 4 << int(Qt::Key_Up) << none << QList<int>{0x74};
    QTest::newRow("Down tapped: still back") << 1 << int(Qt::Key_Down) << none << QList<int>{0x73};
    QTest::newRow("unwatched key: nothing") << 4 << int(Qt::Key_X) << none << QList<int>{};
  }
  void taps() {
    QFETCH(int, unitType);
    QFETCH(int, key);
    QFETCH(int, mods);
    QFETCH(QList<int>, codes);
    Rig rig;
    QVERIFY(rig.Start(unitType, Link::Tcp));
    rig.Tap(Qt::Key(key), Qt::KeyboardModifiers(mods));
    if (!codes.isEmpty()) QVERIFY(rig.WaitForCodes(codes.size()));
    zam::PumpFor(400);  // anything more would be a second send
    QCOMPARE(Hex(rig.Codes()), Hex(codes));
  }

  void recordShowsPressedPictureAbout100ms() {
    Rig rig;
    QVERIFY(rig.Start(1, Link::Tcp));
    zam::PictureKey* rec = rig.Key("imgRec", 0);
    QVERIFY(rec);
    auto pressed = [&] { return rec->property("picture").toString() == "Images/zam_rec_d.jpg"; };
    QVERIFY(!pressed());
    // The picture changes inside the poll, so it is sampled by a timer.
    qint64 shownFrom = 0, shownTo = 0;
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
      if (pressed() && shownFrom == 0) shownFrom = NowUs();
      if (!pressed() && shownFrom != 0 && shownTo == 0) shownTo = NowUs();
    });
    sampler.start(2);
    rig.Tap(Qt::Key_R);
    QVERIFY(QTest::qWaitFor([&] { return shownTo != 0; }, 1500));
    const qint64 shownMs = (shownTo - shownFrom) / 1000;
    QVERIFY2(shownMs >= 70 && shownMs <= 400, qPrintable(QString::number(shownMs)));
    QCOMPARE(rec->property("picture").toString(), QString("Images/zam_rec.jpg"));
    QCOMPARE(Hex(rig.Codes()), Hex({0x12}));
  }

  // The lowest code is acted on; the reset then clears the other key until
  // its next key-down (an auto-repeat while it is held).
  void enterAndDigitTogetherEnterFirst() {
    Rig rig;
    QVERIFY(rig.Start(4, Link::Tcp));
    rig.Press(Qt::Key_1);
    rig.Press(Qt::Key_Return);
    QVERIFY(rig.WaitForCodes(1));
    zam::PumpFor(300);
    QCOMPARE(Hex(rig.Codes()), Hex({0x71}));
    rig.Send(QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"), true));
    QVERIFY(rig.WaitForCodes(2));
    rig.Release(Qt::Key_Return);
    rig.Release(Qt::Key_1);
    zam::PumpFor(300);
    QCOMPARE(Hex(rig.Codes()), Hex({0x71, 0x30}));
  }

  void ctrlAloneWritesSysKeyEveryPoll_data() {
    QTest::addColumn<quint32>("keySym");
    QTest::addColumn<QString>("line");
    QTest::newRow("left") << 0xffe3u << "KeyHook: SysKey(17/162/163/82) = 129/129/0/0";
    QTest::newRow("right") << 0xffe4u << "KeyHook: SysKey(17/162/163/82) = 129/0/129/0";
  }
  void ctrlAloneWritesSysKeyEveryPoll() {
    QFETCH(quint32, keySym);
    QFETCH(QString, line);
    Rig rig;
    QVERIFY(rig.Start(4, Link::Tcp, {}, true));
    rig.Send(QKeyEvent(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 0, keySym, 0));
    zam::PumpFor(500);
    const QStringList lines = rig.DebugLines("KeyHook: SysKey");
    rig.Send(QKeyEvent(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, 0, keySym, 0));
    zam::PumpFor(300);
    // A poll every 10 ms; a loaded machine runs fewer.
    QVERIFY2(lines.size() >= 15, qPrintable(QString::number(lines.size())));
    QCOMPARE(lines.size(), lines.count(line));
    // The release is acted on as a Ctrl key: nothing.
    QCOMPARE(rig.DebugLines("KeyHook: KeyValue = "), QStringList{"KeyHook: KeyValue = 17"});
    QCOMPARE(Hex(rig.Codes()), QString());
    QVERIFY(rig.win.w->IsConnected());
  }

  void ctrlRRebootsAndDisconnects_data() {
    QTest::addColumn<Link>("link");
    QTest::newRow("Ethernet") << Link::Tcp;
    QTest::newRow("RS-232") << Link::Serial;
  }
  void ctrlRRebootsAndDisconnects() {
    QFETCH(Link, link);
    Rig rig;
    QVERIFY(rig.Start(4, link, {}, true));
    rig.Press(Qt::Key_Control, Qt::ControlModifier);
    rig.Press(Qt::Key_R, Qt::ControlModifier);
    QVERIFY(QTest::qWaitFor([&] { return !rig.win.w->IsConnected(); }, 8000));
    rig.Release(Qt::Key_R, Qt::ControlModifier);
    rig.Release(Qt::Key_Control);
    QVERIFY(QTest::qWaitFor([&] { return rig.Events("reboot") == 1; }, 2000));
    QVERIFY(!rig.win.w->tmrKeyHook->isActive());
    QStringList lines = rig.DebugLines("");
    lines.removeIf([](const QString& l) { return l.startsWith("SendCOMMsg: "); });  // the reboot write
    const qsizetype ctrlR = lines.indexOf("KeyHook: KeyCtrl =  Ctrl+R");
    QVERIFY(ctrlR >= 0);
    QCOMPARE(lines.mid(ctrlR + 1, 2),
             (QStringList{"The unit has requested to reboot", "The unit rebooted successfully"}));
    QCOMPARE(Hex(rig.Codes()), QString());  // R did not record
  }

  // Ctrl+R held while the unit does not acknowledge: one request per press of R.
  void ctrlRHeldAsksOnce() {
    Rig rig;
    // Below 1.20 the LED poll stays off, so the silent unit is not dropped.
    QVERIFY(rig.Start(4, Link::Tcp, {"--version", "1.10"}));
    rig.sim.Pause();
    rig.Press(Qt::Key_Control, Qt::ControlModifier);
    rig.Press(Qt::Key_R, Qt::ControlModifier);
    zam::PumpFor(5600);  // past the first request's 5 s wait
    rig.Release(Qt::Key_R, Qt::ControlModifier);
    rig.Release(Qt::Key_Control);
    zam::PumpFor(100);
    rig.sim.Resume();
    zam::PumpFor(500);
    int requests = 0;
    for (const QJsonObject& o : rig.sim.Received("tcp"))
      requests += o.value("hex").toString() == "ff ff 10 0a 00 00 00 00";
    QCOMPARE(requests, 1);
  }

  // After a PC arrow hold, a mouse hold on the pad repeats as it did before.
  void mouseHoldAfterPcArrowHold() {
    Rig rig;
    QVERIFY(rig.Start(4, Link::Tcp));
    rig.At(0, [&] { rig.Press(Qt::Key_Left); });
    rig.At(1000, [&] { rig.Release(Qt::Key_Left); });
    zam::PumpFor(1500);
    const qsizetype byKeyboard = rig.Codes().size();
    QVERIFY(byKeyboard >= 5);
    zam::KeyPanel& panel = *rig.win.w->Panel;
    rig.At(1000, [&] { panel.MouseUp("imgArrow", 1, zam::KeyPanel::LeftButton, 0, 195, 822); });
    panel.MouseDown("imgArrow", 1, zam::KeyPanel::LeftButton, 0, 195, 822);
    zam::PumpFor(300);
    const QList<int> byMouse = rig.Codes().mid(byKeyboard);
    QVERIFY2(byMouse.size() >= 5, qPrintable(Hex(byMouse)));
    QCOMPARE(byMouse, QList<int>(byMouse.size(), 0x7A));
  }

  void arrowHold_data() {
    QTest::addColumn<int>("holdMs");
    QTest::newRow("tap") << 100;
    QTest::newRow("held 1 s") << 1000;
  }
  void arrowHold() {
    QFETCH(int, holdMs);
    Rig rig;
    QVERIFY(rig.Start(4, Link::Tcp));
    qint64 down = 0, up = 0;
    rig.At(0, [&] {
      down = NowUs();
      rig.Press(Qt::Key_Left);
    });
    rig.At(holdMs, [&] {
      up = NowUs();
      rig.Release(Qt::Key_Left);
    });
    zam::PumpFor(holdMs + 500);
    QVERIFY(up != 0);
    const QList<KeyCode> keys = rig.Keys();
    QVERIFY(!keys.isEmpty());
    for (const KeyCode& k : keys) QCOMPARE(k.code, 0x7A);  // Rewind
    if (holdMs < 400) {
      // Sent once, by the first poll after the release.
      QCOMPARE(keys.size(), 1);
      QVERIFY(keys[0].us >= up);
      return;
    }
    const qint64 firstMs = (keys[0].us - down) / 1000;
    QVERIFY2(firstMs >= 390 && firstMs <= 650, qPrintable(QString::number(firstMs)));
    QList<qint64> readUs;
    for (const KeyCode& k : keys) readUs << k.us;
    const QString beat = kaymortest::RepeatBeatFault(readUs);
    QVERIFY2(beat.isEmpty(), qPrintable(beat));
    QVERIFY2(keys.size() >= 5 && keys.size() <= 9, qPrintable(QString::number(keys.size())));
    QVERIFY(keys.last().us <= up + 150000);
    QCOMPARE(rig.Key("imgArrow", 1)->property("picture").toString(), QString("Images/zam_arrow.jpg"));
  }

  // A held arrow keeps the poll inside its repeat loop; the LED replies
  // that arrive meanwhile still count, so the link stays up.
  void longArrowHoldKeepsTheLink() {
    Rig rig;
    QVERIFY(rig.Start(1, Link::Tcp));
    rig.At(0, [&] { rig.Press(Qt::Key_Right); });
    rig.At(3000, [&] { rig.Release(Qt::Key_Right); });
    zam::PumpFor(4500);
    QVERIFY(rig.win.w->IsConnected());
    QVERIFY(!rig.win.Session().LedReplyMissed());
    QVERIFY(rig.Codes().size() >= 20);
  }

  // Type 4, A held about 1 s with keypad 2 pressed meanwhile.
  void alarmHoldWithKeypadCamera_data() {
    QTest::addColumn<Link>("link");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("Ethernet") << Link::Tcp << QList<int>{0x98, 0x01, 0x61, 0x98, 0x01};
    QTest::newRow("RS-232") << Link::Serial << QList<int>{0x98, 0x04, 0x4D, 0x98, 0x04};
  }
  void alarmHoldWithKeypadCamera() {
    QFETCH(Link, link);
    QFETCH(QList<int>, codes);
    Rig rig;
    QVERIFY(rig.Start(4, link, {"--alarm-mode", "2"}));
    qint64 down = 0;
    rig.At(0, [&] {
      down = NowUs();
      rig.Press(Qt::Key_A);
    });
    rig.At(600, [&] { rig.Tap(Qt::Key_2, Qt::KeypadModifier); });
    rig.At(1200, [&] { rig.Release(Qt::Key_A); });
    zam::PumpFor(1200);
    QVERIFY(rig.WaitForCodes(codes.size()));
    zam::PumpFor(400);
    const QList<KeyCode> keys = rig.Keys();
    QCOMPARE(Hex(rig.Codes()), Hex(codes));
    const qint64 firstMs = (keys[0].us - down) / 1000;
    QVERIFY2(firstMs >= 390 && firstMs <= 800, qPrintable(QString::number(firstMs)));
    // Alarm mode was on for the camera and is off again.
    QCOMPARE(rig.Key("imgAlarm", -1)->Tag(), QString("Not Set"));
    // The mode read from the unit: over Ethernet through the combo block.
    zam::UnitInfoRecord& info = rig.win.Link().UnitInfo;
    QCOMPARE(info.AlarmMode, 2);
    QVERIFY(info.AlarmModeRead);
    if (link == Link::Tcp) {
      int requests = 0;
      for (const QJsonObject& o : rig.sim.Received("tcp"))
        requests += o.value("name").toString() == "ZAM_COMBO_BLOCK_REQUEST";
      QCOMPARE(requests, 1);
    }
  }

  // The alarm mode cannot be read: mode 0, and one read per run of A presses.
  void alarmModeReadFails() {
    Rig rig;
    QVERIFY(rig.Start(4, Link::Tcp, {"--alarm-mode", "2", "--silent-to", "0x04030000"}));
    rig.At(0, [&] { rig.Press(Qt::Key_A); });
    rig.At(11500, [&] { rig.Release(Qt::Key_A); });
    zam::PumpFor(12000);
    zam::UnitInfoRecord& info = rig.win.Link().UnitInfo;
    QCOMPARE(info.AlarmMode, 0);
    QVERIFY(info.AlarmModeRead);
    int requests = 0;
    for (const QJsonObject& o : rig.sim.Received("tcp"))
      requests += o.value("name").toString() == "ZAM_COMBO_BLOCK_REQUEST";
    QVERIFY2(requests <= 1, qPrintable(QString::number(requests)));
  }

  void otherWindowActiveThenFirstSecondIgnored() {
    Rig rig;
    QVERIFY(rig.Start(4, Link::Tcp));
    QWidget other;
    other.setWindowTitle("Other");
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTest::keyClick(&other, Qt::Key_R);
    QTest::keyClick(&other, Qt::Key_P);
    zam::PumpFor(400);
    QVERIFY(PcKeyboardOf(*rig.win.w).Inactive);

    // Back to the window; S comes inside the first second there, B after it.
    bool activeForS = false;
    rig.At(0, [&] { rig.win.w->activateWindow(); });
    rig.At(300, [&] {
      activeForS = rig.win.w->isActiveWindow();
      rig.Tap(Qt::Key_S);
    });
    rig.At(1500, [&] { rig.Tap(Qt::Key_B); });
    zam::PumpFor(1500);
    QVERIFY(rig.WaitForCodes(1));
    zam::PumpFor(200);
    QVERIFY(activeForS);
    QCOMPARE(Hex(rig.Codes()), Hex({0x75}));
  }

  // Print Screen pressed and released drops what was typed with it.
  void printScreenDiscardsKeys() {
    Rig rig;
    QVERIFY(rig.Start(1, Link::Tcp));
    rig.Tap(Qt::Key_Print);
    rig.Tap(Qt::Key_R);
    zam::PumpFor(400);
    QCOMPARE(Hex(rig.Codes()), QString());
    rig.Tap(Qt::Key_R);
    QVERIFY(rig.WaitForCodes(1));
    QCOMPARE(Hex(rig.Codes()), Hex({0x12}));
  }
};

KAYMOR_TEST_MAIN(TestPcKeyboard)
#include "tst_pckb.moc"
