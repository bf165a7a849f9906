// The real program under a real X server (Xvfb): every visible key of both
// keyboard layouts is clicked with xdotool at the pixel position the twip
// tables give, and the unit simulator must receive its code on each link,
// also with the window scaled to 200 %.
// Skips when Xvfb or xdotool is missing.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include "eventpump.h"
#include "expectedcodes.h"
#include "kaymortest.h"
#include "panellayout.h"
#include "pictures.h"
#include "x11fixture.h"

using namespace paneltest;
using x11test::Run;
namespace layout = zam::layout;

namespace {

// Screen pixels of a point in twips, on a window scaled by scale.
QPoint Px(double xTwips, double yTwips, int scale) {
  return QPoint(qRound(xTwips * scale / layout::kTwipsPerPixel), qRound(yTwips * scale / layout::kTwipsPerPixel));
}

}  // namespace

class TestPanelX11 : public QObject {
  Q_OBJECT
 public:
  explicit TestPanelX11(QString display) : display_(std::move(display)) {}

 private:
  QString display_;

  // The top left corner of the shown keyboard panel on the screen: the
  // band of the panel picture above its keys, looked for below the window's
  // top. Scaled, the window must show the picture drawn at that scale, pixel
  // for pixel.
  QPoint FindPanel(const QRect& window, int panel, int scale) {
    const QString plain = QStringLiteral(KAYMOR_BIN_DIR "/") + layout::kPanelPictures[panel];
    const QImage picture(scale == 1 ? plain : zam::ScaledPictureName(plain, scale));
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    if (picture.isNull() || screen.isNull()) return {};
    const QImage band = picture.copy(0, 0, picture.width(), 16 * scale).convertToFormat(QImage::Format_RGB32);
    const int x = window.x() + layout::Px(layout::kPanelLeft) * scale;
    double best = 1e9;
    int bestY = -1;
    for (int y = window.y(); y < window.y() + 300 * scale && y + band.height() <= screen.height(); ++y) {
      qint64 sum = 0;
      for (int r = 0; r < band.height(); ++r) {
        const QRgb* a = reinterpret_cast<const QRgb*>(band.constScanLine(r));
        const QRgb* b = reinterpret_cast<const QRgb*>(screen.constScanLine(y + r)) + x;
        for (int c = 0; c < band.width() && x + c < screen.width(); ++c)
          sum += qAbs(qRed(a[c]) - qRed(b[c])) + qAbs(qGreen(a[c]) - qGreen(b[c])) + qAbs(qBlue(a[c]) - qBlue(b[c]));
      }
      const double mean = double(sum) / (band.width() * band.height() * 3);
      if (mean < best) {
        best = mean;
        bestY = y;
      }
    }
    return best < 4 ? QPoint(x, bestY) : QPoint();
  }

  // The window's place and size on the screen, as xdotool reports them.
  static QRect Frame(const QString& window) {
    QRect frame;
    for (const QString& line : Run({"xdotool", "getwindowgeometry", "--shell", window}).split('\n')) {
      const int v = line.section('=', 1).toInt();
      if (line.startsWith("X=")) frame.moveLeft(v);
      if (line.startsWith("Y=")) frame.moveTop(v);
      if (line.startsWith("WIDTH=")) frame.setWidth(v);
      if (line.startsWith("HEIGHT=")) frame.setHeight(v);
    }
    return frame;
  }

  // One click at a screen point; returns the codes the unit received after it.
  QList<int> ClickAt(kaymortest::UnitSim& sim, const QString& link, const QPoint& p, int expected) {
    auto keys = [&] {
      QList<int> out;
      for (const QJsonObject& o : sim.Received(link))
        if (o.contains("key")) out << o.value("key").toInt();
      return out;
    };
    const qsizetype before = keys().size();
    Run({"xdotool", "mousemove", "--sync", QString::number(p.x()), QString::number(p.y()), "click", "1"});
    QTest::qWaitFor([&] { return keys().size() >= before + expected; }, 5000);
    zam::PumpFor(150);  // anything beyond the expected codes shows up too
    return keys().mid(before);
  }

 private slots:
  void initTestCase() {
    if (display_.isEmpty()) QSKIP("needs Xvfb and xdotool (apt-get install xvfb xdotool)");
  }

  // File, Exit ends the program at once, also in the middle of a connect
  // that waits for a silent unit, and without the window's close handling.
  void fileExitEndsAtOnce() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    sim.Pause();  // the login request waits 5 s for its reply
    x11test::Kaymor kaymor;
    QVERIFY(x11test::WriteSettings(
        kaymor.home, QStringLiteral("[IPAddressList]\nCommType=1\nTotal=1\nIP0=\"127.0.0.1,ZAM4,SIM0001,qmpv,%1\"\n"
                             "LastUsed=\"127.0.0.1, ZAM4, SIM0001\"\nPassword=qmpv\n\n"
                             "[Options]\nDisOption=1\nVersion=x11\n")
                  .arg(sim.tcpPort)));
    const QString window = kaymor.Start(display_);
    QVERIFY(!window.isEmpty());
    Run({"xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", "alt+c"});
    QElapsedTimer clock;
    clock.start();
    Run({"xdotool", "key", "--clearmodifiers", "--delay", "300", "alt+f", "x"});
    const bool ended = kaymor.process.waitForFinished(10000);
    const qint64 took = clock.elapsed();
    if (!ended) kaymor.process.kill();
    sim.Resume();
    QVERIFY(ended);
    QVERIFY2(took < 2500, qPrintable(QString::number(took)));
    QCOMPARE(kaymor.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kaymor.process.exitCode(), 0);
    QFile ini(kaymor.home.path() + "/config/Vantrel/Vantrel.ini");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("Running=Yes"));  // an orderly close would have cleared it
  }

  // A PC arrow held while the operator disconnects (Alt+D): after the next
  // connect, a mouse hold on the pad repeats as its own, and so does the
  // PC arrow.
  void padReadyAfterALinkEndedAHold() {
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--type", "4"}));
    x11test::Kaymor kaymor;
    QVERIFY(x11test::WriteSettings(kaymor.home, x11test::EntrySettings(sim, 4, true)));
    const QString window = kaymor.Start(display_);
    QVERIFY(!window.isEmpty());
    const QRect frame = Frame(window);
    QVERIFY(x11test::Connect(window, sim, true));
    QPoint origin;
    QTRY_VERIFY_WITH_TIMEOUT(!(origin = FindPanel(frame, 1, 1)).isNull(), 10000);
    auto keys = [&] {
      QList<int> out;
      for (const QJsonObject& o : sim.Received("tcp"))
        if (o.contains("key")) out << o.value("key").toInt();
      return out;
    };
    auto logins = [&] {
      int n = 0;
      for (const QJsonObject& o : sim.Received("tcp"))
        if (o.value("name").toString() == QLatin1String("ZAM_CONNECTION_REQUEST")) ++n;
      return n;
    };
    Run({"xdotool", "keydown", "Left", "sleep", "0.8", "key", "alt+d", "sleep", "0.3", "keyup", "Left"});
    QVERIFY(!keys().isEmpty());
    zam::PumpFor(1000);
    const int loginsBefore = logins();
    Run({"xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", "alt+c"});
    QVERIFY(QTest::qWaitFor([&] { return logins() > loginsBefore; }, 10000));
    zam::PumpFor(1500);

    const layout::KeyPicture* pad = layout::FindKey("imgArrow(1)");
    const ArrowPoint& left = kArrowPoints[0];
    const QPoint p = origin + Px(pad->left + left.x, pad->top + left.y, 1);
    qsizetype before = keys().size();
    Run({"xdotool", "mousemove", "--sync", QString::number(p.x()), QString::number(p.y()), "mousedown", "1", "sleep",
         "1", "mouseup", "1"});
    zam::PumpFor(500);
    QList<int> held = keys().mid(before);
    QVERIFY2(held.size() >= 4, qPrintable(QString::number(held.size())));
    QCOMPARE(held, QList<int>(held.size(), left.spi));
    before = keys().size();
    Run({"xdotool", "keydown", "Left", "sleep", "1", "keyup", "Left"});
    zam::PumpFor(500);
    held = keys().mid(before);
    QVERIFY2(held.size() >= 4, qPrintable(QString::number(held.size())));
  }

  void clickEveryVisibleKey_data() {
    QTest::addColumn<int>("unitType");
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("scale");
    for (int type : {1, 4})
      for (const char* link : {"tcp", "serial"}) QTest::addRow("type %d %s", type, link) << type << link << 1;
    // QT_SCALE_FACTOR=2, as on a desktop at 200 %.
    for (int type : {1, 4}) QTest::addRow("type %d tcp at 200 %%", type) << type << QString("tcp") << 2;
  }
  void clickEveryVisibleKey() {
    QFETCH(int, unitType);
    QFETCH(QString, link);
    QFETCH(int, scale);
    const bool tcp = link == "tcp";
    kaymortest::UnitSim sim;
    QVERIFY(sim.Start({"--pty", "--type", QString::number(unitType), "--name", "Desk"}));

    // Kaymor with a settings folder of its own, showing this unit's keyboard.
    x11test::Kaymor kaymor;
    if (scale != 1) kaymor.environment.insert("QT_SCALE_FACTOR", QString::number(scale));
    QVERIFY(x11test::WriteSettings(kaymor.home, x11test::EntrySettings(sim, unitType, tcp)));
    const QString window = kaymor.Start(display_);
    QVERIFY(!window.isEmpty());
    const QRect frame = Frame(window);
    const int panel = unitType == 1 ? 0 : 1;
    QPoint origin;
    QTRY_VERIFY_WITH_TIMEOUT(!(origin = FindPanel(frame, panel, scale)).isNull(), 10000);

    QVERIFY(x11test::Connect(window, sim, tcp));

    int clicked = 0;
    for (const Expected& e : kPlainCodes) {
      const layout::KeyPicture* k = layout::FindKey(e.key);
      if (k->panel != panel || k->hidden) continue;
      const QPoint p =
          origin + Px(k->left + (k->hit.x1 + k->hit.x2) / 2.0, k->top + (k->hit.y1 + k->hit.y2) / 2.0, scale);
      const QList<int> want = e.v < 0 ? QList<int>() : QList<int>{tcp ? e.spi : e.v};
      QCOMPARE(ClickAt(sim, link, p, want.size()), want);
      ++clicked;
    }
    const char* pad = panel == 0 ? "imgArrow(0)" : "imgArrow(1)";
    const layout::KeyPicture* arrow = layout::FindKey(pad);
    for (const ArrowPoint& a : kArrowPoints) {
      if (QByteArray(a.name).contains("corner")) continue;  // a pixel may round past a region's edge
      const QPoint p = origin + Px(arrow->left + a.x, arrow->top + a.y, scale);
      QCOMPARE(ClickAt(sim, link, p, 1), QList<int>{tcp ? a.spi : a.v});
      ++clicked;
    }
    if (panel == 1) {
      const layout::KeyPicture* alarm = layout::FindKey("imgAlarm");
      const QPoint p = origin + Px(alarm->left + (alarm->hit.x1 + alarm->hit.x2) / 2.0,
                                   alarm->top + (alarm->hit.y1 + alarm->hit.y2) / 2.0, scale);
      QCOMPARE(ClickAt(sim, link, p, 2), (QList<int>{0x98, tcp ? 0x01 : 0x04}));
      ++clicked;
    }
    qInfo("%d clicks on the type %d keyboard over %s at %d00 %%, each received as its code", clicked, unitType,
          qPrintable(link), scale);
  }
};

int main(int argc, char** argv) {
  kaymortest::IsolateEnvironment();
  x11test::XServer x;
  // Room for the window at 200 %.
  if (x.Start("2560x2048x24")) {
    qputenv("DISPLAY", x.display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  QApplication app(argc, argv);
  TestPanelX11 tc(x.display);
  return QTest::qExec(&tc, argc, argv);
}

#include "tst_panel_x11.moc"
