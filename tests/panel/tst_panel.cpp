// The pictured keys of both panels against the unit simulator, over TCP and
// over the serial line: codes received, pictures, arrow repeat, alarm mode.
#include <QPixmapCache>
#include <QTimer>
#include <QTest>

#include "debuglog.h"
#include "expectedcodes.h"
#include "panelfixture.h"
#include "tcpadapter.h"

using namespace paneltest;
using zam::layout::FindKey;

namespace {

QString Picture(const QWidget* w) { return w->property("picture").toString(); }
QString Normal(const zam::PictureKey* k) { return QString::fromLatin1(k->Layout().normal); }
QString Pressed(const zam::PictureKey* k) { return QString::fromLatin1(k->Layout().pressed); }

}  // namespace

class TestPanel : public QObject {
  Q_OBJECT
 private:
  std::unique_ptr<Session> session_;

  // The window connected over link; kept between rows that use the same link.
  Session& Use(const QString& link, bool debug = false) {
    if (!session_ || session_->Link() != link || session_->Debug() != debug) {
      session_.reset();
      session_ = std::make_unique<Session>();
      if (!session_->Start(link, debug)) qFatal("no session on %s", qPrintable(link));
    }
    if (!session_->Connect()) qFatal("cannot connect on %s", qPrintable(link));
    return *session_;
  }

  // Presses and releases holdMs later, the release queued first so that it
  // can end an arrow's repeat loop; returns when both handlers are done.
  static void Hold(Session& s, const QString& control, int index, float x, float y, int holdMs,
                   int button = zam::KeyPanel::LeftButton) {
    bool released = false;
    QTimer::singleShot(holdMs, [&] {
      s.Panel().MouseUp(control, index, button, 0, x, y);
      released = true;
    });
    s.Panel().MouseDown(control, index, button, 0, x, y);
    QTest::qWaitFor([&] { return released; }, holdMs + 5000);
  }

  static QList<int> Codes(std::initializer_list<int> codes) { return QList<int>(codes); }

 private slots:
  void initTestCase() { QVERIFY(MakePictures()); }
  void cleanupTestCase() { session_.reset(); }
  void init() {
    if (!session_) return;
    session_->Panel().Key("imgAlarm", -1)->SetTag(QString());
    for (int i = 0; i < 2; ++i) session_->Panel().Key("imgArrow", i)->SetTag(QString());
  }

  // A picture given to a label inside a hidden panel is decoded when the
  // label is first shown; on show, a change is decoded at once. A missing
  // file leaves the picture as it was, shown or not.
  void hiddenLabelDecodesWhenShown() {
    for (const char* name : {"deferred_a.png", "deferred_b.png"}) {
      QImage image(3, 2, QImage::Format_RGB32);
      image.fill(name[9] == 'a' ? Qt::red : Qt::blue);
      QVERIFY(image.save(TempRoot() + "/Images/" + name));
    }
    QWidget window;
    auto* panel = new QWidget(&window);
    panel->hide();
    auto* label = new QLabel(panel);
    QVERIFY(zam::LoadPicture(label, "Images/deferred_a.png"));
    QCOMPARE(label->property("picture").toString(), QString("Images/deferred_a.png"));
    QVERIFY(label->pixmap().isNull());
    QVERIFY(!zam::LoadPicture(label, "Images/no_such_picture.png"));
    QCOMPARE(label->property("picture").toString(), QString("Images/deferred_a.png"));

    window.show();
    QVERIFY(label->pixmap().isNull());
    panel->show();
    QCOMPARE(label->pixmap().size(), QSize(3, 2));
    QCOMPARE(label->pixmap().toImage().pixel(0, 0), QColor(Qt::red).rgb());
    QVERIFY(zam::LoadPicture(label, "Images/deferred_b.png"));
    QCOMPARE(label->pixmap().toImage().pixel(0, 0), QColor(Qt::blue).rgb());
    QVERIFY(!zam::LoadPicture(label, "Images/no_such_picture.png"));
    QCOMPARE(label->pixmap().toImage().pixel(0, 0), QColor(Qt::blue).rgb());
  }

  void everyKeyIsPlacedOnItsPanel() {
    Session& s = Use("tcp");
    for (const zam::layout::KeyPicture& k : zam::layout::kKeys) {
      const zam::PictureKey* key = s.Key(k.objectName);
      QVERIFY2(key, k.objectName);
      QCOMPARE(key->parentWidget(), s.win.w->picKeyboard[k.panel]);
      QCOMPARE(key->geometry(), QRect(qRound(k.left / 15.0), qRound(k.top / 15.0), k.width / 15, k.height / 15));
      QCOMPARE(key->isHidden(), k.hidden);
      QCOMPARE(key->toolTip(), QString::fromLatin1(k.tooltip));
      QCOMPARE(Picture(key), Normal(key));
    }
    QVERIFY(s.Key("imgIPCam(1)")->isHidden());
    QCOMPARE(s.Key("imgAlarm")->toolTip(), QString("Alarm [A]"));
  }

  void keyPresses_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("key");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("alarmMode");
    QTest::addColumn<QList<int>>("codes");
    for (const char* link : {"tcp", "serial"}) {
      const bool tcp = QLatin1String(link) == "tcp";
      auto codes = [tcp](int v, int spi) { return v < 0 ? QList<int>() : QList<int>{tcp ? spi : v}; };
      for (const Expected& e : kPlainCodes) {
        const zam::layout::HitRegion h = FindKey(e.key)->hit;
        // Both bounds of a region are inside it.
        const std::pair<const char*, QPointF> points[] = {
            {"centre", QPointF((h.x1 + h.x2) / 2.0, (h.y1 + h.y2) / 2.0)},
            {"low corner", QPointF(h.x1, h.y1)},
            {"high corner", QPointF(h.x2, h.y2)}};
        for (const auto& [where, p] : points)
          QTest::addRow("%s %s %s", link, e.key, where) << link << e.key << float(p.x()) << float(p.y()) << false
                                                          << codes(e.v, e.spi);
      }
      for (const Expected& e : kAlarmCodes) {
        const zam::layout::HitRegion h = FindKey(e.key)->hit;
        QTest::addRow("%s %s alarm mode", link, e.key) << link << e.key << float(h.x1 + 10) << float(h.y1 + 10)
                                                       << true << codes(e.v, e.spi);
      }
      for (const ArrowPoint& a : kArrowPoints)
        for (const char* pad : {"imgArrow(0)", "imgArrow(1)"})
          QTest::addRow("%s %s %s", link, pad, a.name) << link << pad << a.x << a.y << false << codes(a.v, a.spi);
      QTest::addRow("%s imgAlarm click", link) << link << "imgAlarm" << 200.f << 300.f << false
                                               << QList<int>{0x98, tcp ? 0x01 : 0x04};
    }
  }
  void keyPresses() {
    QFETCH(QString, link);
    QFETCH(QString, key);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, alarmMode);
    QFETCH(QList<int>, codes);
    Session& s = Use(link);
    zam::PictureKey* k = s.Key(key);
    QVERIFY(k);
    const QString control = QString::fromLatin1(k->Layout().control);
    const int index = k->Layout().index;
    if (alarmMode) s.Key("imgAlarm")->SetTag("Set");

    QString whilePressed;
    const QList<Received> got = s.SentBy([&] {
      if (control == "imgArrow") {
        Hold(s, control, index, x, y, 30);
        return;
      }
      s.Panel().MouseDown(control, index, 1, 0, x, y);
      whilePressed = Picture(k);
      s.Panel().MouseUp(control, index, 1, 0, x, y);
    });
    QCOMPARE(Session::Codes(got), codes);
    if (control != "imgArrow" && !alarmMode) QCOMPARE(whilePressed, Pressed(k));
    QCOMPARE(Picture(k), Normal(k));
    if (control == "imgAlarm") QCOMPARE(k->Tag(), QString("Not Set"));
    // The repeat loop clears the pad's tag; after Menu it stays "Up" until the next press.
    if (control == "imgArrow") QCOMPARE(k->Tag(), codes.first() == s.Code(zam::keys::Menu) ? QString("Up") : QString());
  }

  // A press that misses the hit region or is not the left button changes
  // nothing and sends nothing; the release restores the normal picture.
  void pressesThatDoNothing_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("button");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QString>("shownBefore");
    for (const char* link : {"tcp", "serial"}) {
      QTest::addRow("%s imgRec x 70", link) << link << "imgRec(0)" << 1 << 70.f << 300.f << "Images/zam_rec_d.jpg";
      QTest::addRow("%s imgRec x 465.5", link) << link << "imgRec(1)" << 1 << 465.5f << 300.f << "Images/zam_rec_d.jpg";
      QTest::addRow("%s imgRec y 119", link) << link << "imgRec(0)" << 1 << 300.f << 119.f << "Images/zam_rec_d.jpg";
      QTest::addRow("%s imgSearch y 466", link) << link << "imgSearch(1)" << 1 << 300.f << 466.f << "Images/zam4_srch_d.jpg";
      QTest::addRow("%s imgCam x 561", link) << link << "imgCam(2)" << 1 << 561.f << 100.f << "Images/zam_cam_3d.jpg";
      QTest::addRow("%s imgAlarm x 59", link) << link << "imgAlarm" << 1 << 59.f << 300.f << "Images/zam_Alarm_d.jpg";
      QTest::addRow("%s imgArrow between regions", link) << link << "imgArrow(0)" << 1 << 400.f << 400.f << "Images/zam_arrow_l.jpg";
      QTest::addRow("%s imgRec right button", link) << link << "imgRec(0)" << 2 << 300.f << 300.f << "Images/zam_rec_d.jpg";
      QTest::addRow("%s imgEnter middle button", link) << link << "imgEnter(1)" << 4 << 300.f << 300.f << "Images/zam4_enter_d.jpg";
      QTest::addRow("%s imgAlarm right button", link) << link << "imgAlarm" << 2 << 200.f << 300.f << "Images/zam_Alarm_d.jpg";
      QTest::addRow("%s imgArrow right button", link) << link << "imgArrow(1)" << 2 << 195.f << 822.f << "Images/zam_arrow_l.jpg";
      QTest::addRow("%s imgFunc right button", link) << link << "imgFunc" << 2 << 200.f << 300.f << "Images/zam_Func_d.jpg";
    }
  }
  void pressesThatDoNothing() {
    QFETCH(QString, link);
    QFETCH(QString, key);
    QFETCH(int, button);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QString, shownBefore);
    Session& s = Use(link);
    zam::PictureKey* k = s.Key(key);
    const QString control = QString::fromLatin1(k->Layout().control);
    const int index = k->Layout().index;
    QVERIFY(zam::LoadPicture(k, shownBefore));
    QString whilePressed;
    const QList<Received> got = s.SentBy([&] {
      s.Panel().MouseDown(control, index, button, 0, x, y);
      whilePressed = Picture(k);
      s.Panel().MouseUp(control, index, button, 0, x, y);
    });
    QCOMPARE(Session::Codes(got), QList<int>());
    QCOMPARE(whilePressed, shownBefore);
    QCOMPARE(Picture(k), Normal(k));
  }

  void heldLeftArrowRepeats_data() {
    QTest::addColumn<QString>("link");
    QTest::newRow("tcp") << "tcp";
    QTest::newRow("serial") << "serial";
  }
  void heldLeftArrowRepeats() {
    QFETCH(QString, link);
    Session& s = Use(link);
    zam::PictureKey* pad = s.Key("imgArrow(1)");
    qint64 pressedUs = 0;
    QString whileHeld;
    QTimer::singleShot(700, [&] { whileHeld = Picture(pad); });
    const QList<Received> got = s.SentBy([&] {
      pressedUs = NowUs();
      Hold(s, "imgArrow", 1, 195, 822, 1000);
    });
    QCOMPARE(whileHeld, QString("Images/zam_arrow_l.jpg"));
    QStringList gaps;
    for (qsizetype i = 1; i < got.size(); ++i) gaps << QString::number((got[i].tUs - got[i - 1].tUs) / 1000);
    qInfo("%s: %lld codes, first %lld ms after the press, then gaps (ms) %s", qPrintable(link),
          static_cast<long long>(got.size()), got.isEmpty() ? -1LL : static_cast<long long>((got[0].tUs - pressedUs) / 1000),
          qPrintable(gaps.join(' ')));
    QVERIFY2(got.size() >= 6 && got.size() <= 8, qPrintable(QString::number(got.size())));
    for (const Received& r : got) QCOMPARE(r.code, s.Code(zam::keys::Rewind));
    QVERIFY2(got[0].tUs - pressedUs < 150000, "the first code goes at once");
    const qint64 second = got[1].tUs - got[0].tUs;
    QVERIFY2(second >= 440000 && second <= 650000, qPrintable(QString::number(second)));
    QList<qint64> repeatsUs;  // the beat starts at the second code
    for (qsizetype i = 1; i < got.size(); ++i) repeatsUs << got[i].tUs;
    const QString beat = kaymortest::RepeatBeatFault(repeatsUs);
    QVERIFY2(beat.isEmpty(), qPrintable(beat));
    QCOMPARE(pad->Tag(), QString());
    QCOMPARE(Picture(pad), QString("Images/zam_arrow.jpg"));
  }

  void arrowCentreSendsMenuOnce_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("holdMs");
    for (const char* link : {"tcp", "serial"})
      for (int hold : {0, 700}) QTest::addRow("%s %d ms", link, hold) << link << hold;
  }
  void arrowCentreSendsMenuOnce() {
    QFETCH(QString, link);
    QFETCH(int, holdMs);
    Session& s = Use(link);
    const QList<Received> got = s.SentBy([&] { Hold(s, "imgArrow", 0, 817, 822, holdMs); });
    QCOMPARE(Session::Codes(got), QList<int>{s.Code(zam::keys::Menu)});
    QCOMPARE(Picture(s.Key("imgArrow(0)")), QString("Images/zam_arrow.jpg"));
  }

  // Closing the link ends a held arrow's loop at once.
  void arrowLoopEndsWhenTheLinkCloses_data() { heldLeftArrowRepeats_data(); }
  void arrowLoopEndsWhenTheLinkCloses() {
    QFETCH(QString, link);
    Session& s = Use(link);
    const qsizetype before = s.Keys().size();
    QElapsedTimer clock;
    qint64 closedAt = 0;
    QTimer::singleShot(700, [&] {
      s.win.w->cmdConnect_Click();
      closedAt = clock.elapsed();
    });
    clock.start();
    s.Panel().MouseDown("imgArrow", 0, 1, 0, 1422, 822);  // never released
    const qint64 returnedAt = clock.elapsed();
    QVERIFY(!s.win.w->IsConnected());
    QVERIFY2(returnedAt - closedAt < 250, qPrintable(QString::number(returnedAt - closedAt)));
    QCOMPARE(Picture(s.Key("imgArrow(0)")), QString("Images/zam_arrow.jpg"));
    zam::PumpFor(200);
    const QList<Received> got = s.Keys().mid(before);
    QVERIFY(got.size() >= 2 && got.size() <= 4);  // 0 and about 490 ms
    s.Panel().MouseUp("imgArrow", 0, 1, 0, 1422, 822);
  }

  // An arrow pressed from the PC keyboard (tag "Key") asks the poll whether
  // the key is held and still down.
  void keyboardArrow_data() {
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("minCodes");
    QTest::addColumn<int>("maxCodes");
    QTest::newRow("tap") << false << 1 << 1;
    QTest::newRow("held 350 ms more") << true << 3 << 5;
  }
  void keyboardArrow() {
    QFETCH(bool, held);
    QFETCH(int, minCodes);
    QFETCH(int, maxCodes);
    Session& s = Use("tcp");
    QElapsedTimer clock;
    int askedFor = 0;
    s.Panel().KeyHeldDown = [held] { return held; };
    s.Panel().VirtualKeyDown = [&](int vk) {
      askedFor = vk;
      return clock.elapsed() < 350;
    };
    zam::PictureKey* pad = s.Key("imgArrow(1)");
    pad->SetTag("Key");
    clock.start();
    const QList<Received> got = s.SentBy([&] { s.Panel().imgArrow_MouseDown(1, 1, 0, 817, 1410); });
    s.Panel().KeyHeldDown = nullptr;
    s.Panel().VirtualKeyDown = nullptr;
    QVERIFY2(got.size() >= minCodes && got.size() <= maxCodes, qPrintable(QString::number(got.size())));
    for (const Received& r : got) QCOMPARE(r.code, int(zam::SPI4_FRAME_REVERSE));
    if (held) QCOMPARE(askedFor, 40);  // the down arrow's virtual key
    // Cleared either way, so that the next mouse hold repeats on its own.
    QCOMPARE(pad->Tag(), QString());
    QCOMPARE(Picture(pad), QString("Images/zam_arrow.jpg"));
  }

  void arrowTooltips_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("left") << 75.f << 1155.f << "Rewind [Left Arrow]";
    QTest::newRow("up") << 1155.f << 90.f << "Still Adv [Up Arrow]";
    QTest::newRow("right") << 1545.f << 490.f << "Fast Fwd [Right Arrow]";
    QTest::newRow("down") << 480.f << 1515.f << "Still Back [Down Arrow]";
    QTest::newRow("centre") << 817.f << 822.f << "Menu [M]";
    QTest::newRow("between") << 400.f << 400.f << "";
    QTest::newRow("corner") << 10.f << 10.f << "";
  }
  void arrowTooltips() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QString, tooltip);
    Session& s = Use("tcp");
    for (int pad = 0; pad < 2; ++pad) {
      s.Panel().imgArrow_MouseMove(pad, 0, 0, x, y);
      QCOMPARE(s.Key(QString("imgArrow(%1)").arg(pad))->toolTip(), tooltip);
    }
  }

  void alarmLongPress_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("picture");
    for (const char* link : {"tcp", "serial"}) {
      QTest::addRow("%s 300 ms", link) << link << 300 << "Not Set" << "Images/zam_Alarm.jpg";
      QTest::addRow("%s 500 ms", link) << link << 500 << "Set" << "Images/zam_Alarm_d.jpg";
    }
  }
  void alarmLongPress() {
    QFETCH(QString, link);
    QFETCH(int, holdMs);
    QFETCH(QString, tag);
    QFETCH(QString, picture);
    Session& s = Use(link);
    zam::PictureKey* alarm = s.Key("imgAlarm");
    const QList<int> alarmKeys{0x98, s.Code(zam::keys::Alarm)};
    QCOMPARE(Session::Codes(s.SentBy([&] { Hold(s, "imgAlarm", -1, 200, 300, holdMs); })), alarmKeys);
    QCOMPARE(alarm->Tag(), tag);
    QCOMPARE(Picture(alarm), picture);

    // Camera 2 follows the mode; Quad never does.
    const bool set = tag == "Set";
    QCOMPARE(Session::Codes(s.SentBy([&] { Hold(s, "imgCam", 1, 300, 200, 0); })),
             QList<int>{s.Code(zam::keys::Camera(2, set))});
    QCOMPARE(Session::Codes(s.SentBy([&] { Hold(s, "imgCam", 132, 300, 200, 0); })), QList<int>{s.Code(zam::keys::Quad)});
    QCOMPARE(s.Code(zam::keys::Camera(2, true)), link == "tcp" ? 0x61 : 0x4D);

    // Any later press sends the two keys once; its release ends alarm mode.
    QString whilePressed;
    QTimer::singleShot(100, [&] { whilePressed = Picture(alarm); });
    QCOMPARE(Session::Codes(s.SentBy([&] { Hold(s, "imgAlarm", -1, 200, 300, 200); })), alarmKeys);
    QCOMPARE(whilePressed, QString("Images/zam_Alarm_d.jpg"));
    QCOMPARE(alarm->Tag(), QString("Not Set"));
    QCOMPARE(Picture(alarm), QString("Images/zam_Alarm.jpg"));
  }

  // The debug trace logs the pressed key even when it is shown, and a
  // release that arrives while the serial LED refresh runs still ends the press.
  void alarmDebugLines() {
    Session& s = Use("serial", true);
    QCOMPARE(Session::Codes(s.SentBy([&] { Hold(s, "imgAlarm", -1, 200, 300, 0); })), (QList<int>{0x98, 0x04}));
    const QStringList lines = s.win.w->txtDebug->toPlainText().split('\n');
    QVERIFY(lines.filter("Alarm Mode (Down)= ").size() == 1);
    QVERIFY(lines.filter(QRegularExpression("Alarm Mode \\(Up\\)= Not Set$")).size() >= 1);
    QCOMPARE(s.Key("imgAlarm")->Tag(), QString("Not Set"));
    QCOMPARE(Picture(s.Key("imgAlarm")), QString("Images/zam_Alarm.jpg"));
  }

  void enterAndSearchChangeBothPanels_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    for (const char* c : {"imgEnter", "imgSearch"})
      for (int i : {0, 1}) QTest::addRow("%s(%d)", c, i) << c << i;
  }
  void enterAndSearchChangeBothPanels() {
    QFETCH(QString, control);
    QFETCH(int, index);
    Session& s = Use("tcp");
    zam::PictureKey* keys[] = {s.Panel().Key(control, 0), s.Panel().Key(control, 1)};
    const QList<Received> got = s.SentBy([&] { s.Panel().MouseDown(control, index, 1, 0, 300, 300); });
    QCOMPARE(got.size(), 1);
    for (zam::PictureKey* k : keys) QCOMPARE(Picture(k), Pressed(k));
    s.Panel().MouseUp(control, index, 1, 0, 300, 300);
    for (zam::PictureKey* k : keys) QCOMPARE(Picture(k), Normal(k));
  }

  // A missing picture file leaves the picture shown, and the key is sent.
  void missingPictureStillSends_data() { heldLeftArrowRepeats_data(); }
  void missingPictureStillSends() {
    QFETCH(QString, link);
    Session& s = Use(link);
    const QString file = TempRoot() + "/Images/zam_stop_d.jpg";
    QVERIFY(QFile::rename(file, file + ".away"));
    QPixmapCache::clear();  // as if the file had been missing from the start
    zam::PictureKey* stop = s.Key("imgStop(0)");
    QString whilePressed;
    const QList<Received> got = s.SentBy([&] {
      s.Panel().imgStop_MouseDown(0, 1, 0, 300, 300);
      whilePressed = Picture(stop);
      s.Panel().imgStop_MouseUp(0, 1, 0, 300, 300);
    });
    QVERIFY(QFile::rename(file + ".away", file));
    QCOMPARE(Session::Codes(got), QList<int>{s.Code(zam::keys::Stop)});
    QCOMPARE(whilePressed, QString("Images/zam_stop.jpg"));
  }

  // Mouse events on the key widgets reach the handlers with twips.
  void mouseEventsOnTheWidgets() {
    Session& s = Use("tcp");
    zam::PictureKey* rec = s.Key("imgRec(1)");
    QCOMPARE(Session::Codes(s.SentBy([&] {
               QTest::mousePress(rec, Qt::LeftButton, {}, QPoint(5, 8));  // 75 / 120 twips: the corner
               QCOMPARE(Picture(rec), Pressed(rec));
               QTest::mouseRelease(rec, Qt::LeftButton, {}, QPoint(5, 8));
             })),
             QList<int>{0x12});
    QCOMPARE(Picture(rec), Normal(rec));
    QCOMPARE(Session::Codes(s.SentBy([&] {
               QTest::mousePress(rec, Qt::LeftButton, {}, QPoint(4, 20));  // 60 twips: outside
               QTest::mouseRelease(rec, Qt::LeftButton, {}, QPoint(4, 20));
               QTest::mousePress(rec, Qt::RightButton, {}, QPoint(20, 20));
               QTest::mouseRelease(rec, Qt::RightButton, {}, QPoint(20, 20));
             })),
             QList<int>());
    zam::PictureKey* pad = s.Key("imgArrow(1)");
    QTest::mouseMove(pad, QPoint(54, 54));
    QTRY_COMPARE(pad->toolTip(), QString("Menu [M]"));
  }

  void sendSpiKeyDebugLines_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("line");
    QTest::newRow("0x71") << 0x71 << "ff ff 04 02 00 00 00 01 71" << "SendSPIKey: (0x71, SPI4_ENTER)";
    QTest::newRow("0x05") << 0x05 << "ff ff 04 02 00 00 00 01 05" << "SendSPIKey: (0x05, )";
    QTest::newRow("0xB4") << 0xB4 << "ff ff 04 02 00 00 00 01 b4" << "SendSPIKey: (0xB4, SPI4_IPCAM_4)";
    QTest::newRow("0x01") << 0x01 << "ff ff 04 02 00 00 00 01 01" << "SendSPIKey: (0x01, SPI4_ALARM_ACKNOWLEDGE)";
  }
  void sendSpiKeyDebugLines() {
    QFETCH(int, code);
    QFETCH(QString, hex);
    QFETCH(QString, line);
    Session& s = Use("tcp", true);
    const qint32 lastType = s.win.Link().RxUUTTCP.Record().MsgType;
    const qsizetype before = s.sim.Received("tcp").size();
    QVERIFY(zam::SendSPIKey(code, s.win.Link().wskClient));
    QCOMPARE(s.win.w->txtDebug->toPlainText().section('\n', 0, 0).section(": ", 1), line);
    QTRY_VERIFY(s.sim.Received("tcp").size() > before);
    QCOMPARE(s.sim.Received("tcp").mid(before).first().value("hex").toString(), hex);
    QCOMPARE(s.win.Link().RxUUTTCP.Record().MsgType, lastType);  // no reply is awaited
  }

  // Not connected, or a code that is not a byte: nothing sent, no line.
  void sendSpiKeyRefusals_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("code");
    QTest::newRow("closed socket") << false << 0x12;
    QTest::newRow("code 256") << true << 256;
    QTest::newRow("code -1") << true << -1;
  }
  void sendSpiKeyRefusals() {
    QFETCH(bool, connected);
    QFETCH(int, code);
    Session& s = Use("tcp", true);
    if (!connected) s.win.w->cmdConnect_Click();
    const QString logBefore = s.win.w->txtDebug->toPlainText();
    const qsizetype before = s.sim.Received("tcp").size();
    QVERIFY(!zam::SendSPIKey(code, s.win.Link().wskClient));
    QCOMPARE(s.win.w->txtDebug->toPlainText(), logBefore);
    if (connected) {
      // Whatever the unit got is the sentinel alone.
      QCOMPARE(Session::Codes(s.SentBy([] {})), QList<int>());
      QCOMPARE(s.sim.Received("tcp").size(), before + 1);
    }
  }

  // Over RS-232 a key is the serial key message and no TCP frame.
  void panelKeyOverSerial() {
    Session& s = Use("serial");
    const qsizetype before = s.sim.Received("serial").size();
    zam::SendPanelKey(s.win.Link(), 0, zam::keys::Record);
    QTRY_VERIFY(s.sim.Received("serial").size() > before);
    QCOMPARE(s.sim.Received("serial").mid(before).first().value("hex").toString(), QString("ff 55 01"));
    QCOMPARE(s.sim.Received("tcp").size(), 0);
    // An index that is neither link sends nothing.
    QCOMPARE(Session::Codes(s.SentBy([&] { zam::SendPanelKey(s.win.Link(), 2, zam::keys::Record); })), QList<int>());
  }
};

KAYMOR_TEST_MAIN(TestPanel)
#include "tst_panel.moc"
