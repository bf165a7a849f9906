// The keyboard window against the unit simulator on a pseudo-terminal.
#include "eventpump.h"
#include "kaymortest.h"
#include "settingsstore.h"

using namespace kaymortest;

class TestLinkSerial : public QObject {
  Q_OBJECT
 private:
  // The simulator on a pty reached as COM1, and the window in RS-232 mode.
  // With a link path, COM1 is mapped to that symbolic link, as the demo does.
  bool Load(UnitSim& sim, Window& win, QStringList simArgs, const QString& link = QString()) {
    if (!link.isEmpty()) simArgs << "--pty-link" << link;
    if (!sim.Start(simArgs << "--no-tcp" << "--pty")) return false;
    zam::SaveSetting("Ports", "COM1", link.isEmpty() ? sim.pty : link);
    zam::SaveSetting("RS-232", "Port", "COM1");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    if (!win.Load()) return false;
    win.w->tmrLEDStatus->stop();  // polls are run by hand
    return win.w->cboComPort->currentText() == "COM1";
  }
  QList<int> InfoRequestRates(const UnitSim& sim) {
    QList<int> rates;
    for (const QJsonObject& o : sim.Received("serial"))
      if (o.value("hex").toString().startsWith("ff dd 11 ff 01")) rates << o.value("baud").toInt();
    return rates;
  }
  QStringList BlockRequests(const UnitSim& sim) {
    QStringList blocks;
    for (const QJsonObject& o : sim.Received("serial"))
      if (o.value("hex").toString().startsWith("ff bb 11 ff ")) blocks << o.value("hex").toString().mid(12, 2);
    return blocks;
  }

 private slots:
  void initTestCase() { WriteLedPictures(); }
  void init() { ResetSettings(); }

  // A remembered port that is absent (an unplugged adapter) stays remembered
  // through start-up; only the operator's choice replaces it.
  void absentPortStaysRemembered_data() {
    QTest::addColumn<bool>("otherPort");
    QTest::newRow("no COM port at all") << false;
    QTest::newRow("another port present") << true;
  }
  void absentPortStaysRemembered() {
    QFETCH(bool, otherPort);
    UnitSim sim;
    if (otherPort) {
      QVERIFY(sim.Start({"--no-tcp", "--pty"}));
      zam::SaveSetting("Ports", "COM1", sim.pty);
    }
    zam::SaveSetting("Ports", "COM3", TempRoot() + "/unplugged");
    zam::SaveSetting("RS-232", "Port", "COM3");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    {
      Window win;
      QVERIFY(win.Load());
      QCOMPARE(win.w->cboComPort->findText("COM3"), -1);
      QCOMPARE(zam::GetSetting("RS-232", "Port"), QString("COM3"));
      if (otherPort) {
        win.Choose(win.w->cboComPort, "COM1");
        QCOMPARE(zam::GetSetting("RS-232", "Port"), QString("COM1"));
      }
    }
    QCOMPARE(zam::GetSetting("RS-232", "Port"), QString(otherPort ? "COM1" : "COM3"));
  }

  void baudSearchFindsAndStoresTheRate() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {"--baud", "4800", "--name", "Dock"}, TempRoot() + "/ttyUNIT"));
    QCOMPARE(win.Click(), QString("Status: Connected to the unit (Dock)"));
    QCOMPARE(InfoRequestRates(sim), (QList<int>{9600, 57600, 38400, 19200, 4800}));
    QCOMPARE(zam::GetSetting("RS-232", "BaudRate"), QString("4800"));
    QCOMPARE(win.w->Link.UnitInfo.Version, QString("1.40"));
    QCOMPARE(win.w->Link.UnitInfo.ModelID, QString("0169"));
    QCOMPARE(win.Click(), QString("Status: Disconnected from the unit (Dock)"));
  }

  void detection_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("status");
    QTest::newRow("1.20 accepted") << QStringList{"--version", "1.20", "--name", "Old"}
                                   << "Status: Connected to the unit (Old)";
    QTest::newRow("1.19 refused") << QStringList{"--version", "1.19"}
                                  << "Status: Require V1.20 or greater. The unit's version is 1.19";
    QTest::newRow("model 0175") << QStringList{"--model-id", "0175", "--name", "Other"}
                                << "Status: Connected to the unit (Other)";
    QTest::newRow("another product") << QStringList{"--model-id", "0200"} << "Status: The unit is not Marlox";
    QTest::newRow("silent unit") << QStringList{"--silent-to", "serial:01"} << "Status: Could not detect the unit";
  }
  void detection() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, status);
    UnitSim sim;
    Window win;
    zam::SaveSetting("RS-232", "BaudRate", "9600");
    QVERIFY(Load(sim, win, simArgs));
    QCOMPARE(win.Click(), status);
    QCOMPARE(win.w->IsConnected(), status.startsWith("Status: Connected"));
  }

  void ledBlockFollowsVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("block");
    QTest::newRow("1.3: block C2, byte 15") << "1.30" << "c2";
    QTest::newRow("1.4: block B6, byte 9") << "1.40" << "b6";
  }
  void ledBlockFollowsVersion() {
    QFETCH(QString, version);
    QFETCH(QString, block);
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {"--version", version, "--type", "1", "--led", "0x05"}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    win.w->UpdateLEDStatus();
    QCOMPARE(BlockRequests(sim).last(), block);
    for (int i = 0; i < 8; ++i)
      QCOMPARE(win.Picture(QString("imgLED(%1)").arg(i)),
               QString(i == 0 || i == 2 ? "Images/zam_led_r.jpg" : "Images/zam_led_w.jpg"));
  }

  void missesCountUntilAReply() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {"--name", "Quiet"}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    QLabel* link = win.Find<QLabel>("imgLED4(255)");
    auto missTwice = [&] {
      sim.Pause();
      win.w->UpdateLEDStatus();
      win.w->UpdateLEDStatus();
      sim.Resume();
      zam::PumpFor(200);  // the late replies arrive and are dropped by the next poll
    };
    missTwice();
    QCOMPARE(link->property("Tag").toString(), QString("11"));
    win.w->UpdateLEDStatus();
    QCOMPARE(link->property("Tag").toString(), QString());
    missTwice();
    QVERIFY(win.w->IsConnected());
    // The third miss in a row ends the link.
    sim.Pause();
    win.w->UpdateLEDStatus();
    sim.Resume();
    QVERIFY(!win.w->IsConnected());
    QCOMPARE(win.Status(), QString("Status: Disconnected from the unit (Quiet)"));
  }

  void rebootWritesBlockFive() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    win.w->RebootSequence();
    QVERIFY(!win.w->IsConnected());
    QVERIFY(zam::PumpUntil([&] {
      const QList<QJsonObject> rx = sim.Received("serial");
      return !rx.isEmpty() && rx.last().value("hex").toString().startsWith("ff cc 11 ff 05 01 00");
    }, 2000));
  }
};

KAYMOR_TEST_MAIN(TestLinkSerial)
#include "tst_link_serial.moc"
