// The keyboard window against the unit simulator over TCP on 127.0.0.1.
#include "eventpump.h"
#include <QTest>
#include "addressfixture.h"
#include "kaymortest.h"
#include "debuglog.h"
#include "settingsstore.h"
#include "unitlink.h"
#include "zamtcp.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

using namespace kaymortest;

class TestLinkTcp : public QObject {
  Q_OBJECT
 private:
  // Starts the simulator with args and the window connected to it.
  bool Connect(UnitSim& sim, Window& win, const QStringList& simArgs, const QString& typed = "qmpv") {
    if (!sim.Start(simArgs)) return false;
    SeedTcpEntry(sim.tcpPort, typed);
    if (!win.Load()) return false;
    win.Click();
    return win.w->IsConnected();
  }

 private slots:
  void initTestCase() { WriteLedPictures(); }
  void init() { ResetSettings(); }

  // A status reply too short for some fields, after a whole one: those
  // fields keep what the whole one said (an empty version would stop the
  // LED poll), the ones it holds are taken, and the debug log tells.
  void shortStatusReplyKeepsWhatIsKnown_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    const QString mac = "00-0A-1B-2C-3D-4E";
    QTest::newRow("header only") << 8 << "1.40" << "Dock" << mac;
    QTest::newRow("version, no name") << 40 << "2.10" << "Dock" << mac;
    QTest::newRow("all but the unit type") << 107 << "2.10" << "Other" << "00-00-00-00-00-FF";
  }
  void shortStatusReplyKeepsWhatIsKnown() {
    QFETCH(int, size);
    QFETCH(QString, version);
    QFETCH(QString, name);
    QFETCH(QString, mac);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    zam::UnitLink link;
    link.wskClient.Connect("127.0.0.1", server.serverPort());
    QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections() || server.waitForNewConnection(10); }, 3000));
    QTcpSocket* unit = server.nextPendingConnection();
    QVERIFY(unit);
    zam::StatusFields whole;
    whole.name = "Dock";
    whole.mac = QByteArray::fromHex("000A1B2C3D4E");
    unit->write(zam::BuildStatusReply(whole));
    QVERIFY(QTest::qWaitFor([&] { return link.UnitInfo.UnitType == 4; }, 3000));

    QFile::remove(zam::DebugLogPath());
    zam::OpenDebugLog(nullptr);
    zam::StatusFields later;
    later.versionMajor = 2;
    later.versionMinor = 10;
    later.name = "Other";
    later.mac = QByteArray::fromHex("0000000000FF");
    later.unitType = 1;
    QByteArray cut = zam::BuildStatusReply(later).left(size);
    // A whole frame that announces the shorter payload.
    cut[6] = char(((size - 8) >> 8) & 0xFF);
    cut[7] = char((size - 8) & 0xFF);
    const qsizetype before = link.RxFrames.size();
    unit->write(cut);
    QVERIFY(QTest::qWaitFor([&] { return link.RxFrames.size() > before; }, 3000));
    const QString logPath = zam::DebugLogPath();
    zam::CloseDebugLog();
    QCOMPARE(link.UnitInfo.UnitType, quint8(4));
    QCOMPARE(link.UnitInfo.Version, version);
    QCOMPARE(link.UnitInfo.Name, name);
    QCOMPARE(link.UnitInfo.MacAddress, mac);
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(QStringLiteral("short status reply (%1 of 108 bytes)").arg(size).toLatin1()));
    log.remove();
  }

  void defaultPasswordSendsCodeZero() {
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, {"--name", "Lobby"}));
    QCOMPARE(win.Status(), QString("Status: Connected to 127.0.0.1 (Lobby)"));
    QCOMPARE(win.w->txtPassword->property("Tag").toString(), QString());
    const QList<QJsonObject> rx = sim.Received("tcp");
    QVERIFY(!rx.isEmpty());
    QCOMPARE(rx.first().value("hex").toString(), QString("ff ff 05 00 00 00 00 05 14 00 00 00 00"));
    // The entry keeps the typed password and the port used.
    QCOMPARE(zam::GetSetting("IPAddressList", "IP0"),
             QString("127.0.0.1,ZAM4,SIM0001,qmpv,%1").arg(sim.tcpPort));
    QCOMPARE(zam::GetSetting("IPAddressList", "Password", "absent"), QString("absent"));
    QCOMPARE(zam::GetSetting("Keyboard", "LastUsed"), QString("4"));
    QCOMPARE(win.Picture("imgLED4(255)"), QString("Images/zam_led_r.jpg"));
    QVERIFY(!win.w->mnuFile->menuAction()->isEnabled());
    QVERIFY(!win.w->cboComPort->isEnabled());

    // Closing the window is refused while connected, allowed after.
    QVERIFY(!win.w->close());
    QVERIFY(win.w->isVisible());
    QCOMPARE(win.Click(), QString("Status: Disconnected from 127.0.0.1 (Lobby)"));
    QCOMPARE(win.Picture("imgLED4(255)"), QString("Images/zam_led_w.jpg"));
    QVERIFY(win.w->close());
    QCOMPARE(zam::GetSetting("Options", "Running", "absent"), QString());
  }

  void typedPasswordIsSentAndStored() {
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, {"--password", "abcd"}, "abcd"));
    const qint32 code = 'a' + 'b' * 'b' + 'c' * 'c' * 'c' + 'd' * 'd' * 'd' * 'd';
    const QByteArray tail = QByteArray::fromHex(QByteArray::number(code, 16).rightJustified(8, '0'));
    QCOMPARE(sim.Received("tcp").first().value("hex").toString().right(11),
             QString(tail.toHex(' ')));
  }

  // Slots are written in list order, so connecting never overwrites another unit.
  void connectKeepsEveryStoredEntry() {
    UnitSim sim;
    QVERIFY(sim.Start({}));
    SeedTcpEntry(sim.tcpPort);
    zam::SaveSetting("IPAddressList", "Total", "2");
    zam::SaveSetting("IPAddressList", "IP0", "127.0.0.9,ZAM1,OTHER,pw9,1024");
    zam::SaveSetting("IPAddressList", "IP1", QString("127.0.0.1,ZAM4,SIM0001,qmpv,%1").arg(sim.tcpPort));
    Window win;
    QVERIFY(win.Load());
    QCOMPARE(win.w->cboComPort->currentText(), QString("127.0.0.1, ZAM4, SIM0001"));
    win.Click();
    QVERIFY(win.w->IsConnected());
    const QStringList lines = SectionLines("IPAddressList");
    QVERIFY2(lines.filter("127.0.0.9,ZAM1,OTHER,pw9,1024").size() == 1, qPrintable(lines.join('\n')));
    QVERIFY(lines.filter(QString("127.0.0.1,ZAM4,SIM0001,qmpv,%1").arg(sim.tcpPort)).size() == 1);
  }

  // A hand-written entry with the address alone: the rewrite after the
  // connect keeps model and serial empty in their places.
  void shortEntryKeepsItsFieldsInPlace_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("stored");
    QTest::newRow("address only") << "127.0.0.1" << "127.0.0.1,,,qmpv,%1";
    QTest::newRow("address and model") << "127.0.0.1,ZAM4" << "127.0.0.1,ZAM4,,qmpv,%1";
  }
  void shortEntryKeepsItsFieldsInPlace() {
    QFETCH(QString, entry);
    QFETCH(QString, stored);
    UnitSim sim;
    QVERIFY(sim.Start({}));
    SeedTcpEntry(sim.tcpPort);
    zam::SaveSetting("IPAddressList", "IP0", entry);
    zam::SaveSetting("IPAddressList", "LastUsed", QString(entry).replace(",", ", "));
    {
      Window win;
      QVERIFY(win.Load());
      QCOMPARE(win.w->cboComPort->currentText(), QString(entry).replace(",", ", "));
      win.w->txtPassword->setText("qmpv");
      win.w->txtPort->setText(QString::number(sim.tcpPort));
      win.Click();
      QVERIFY(win.w->IsConnected());
      win.Click();
    }
    QCOMPARE(zam::GetSetting("IPAddressList", "IP0"), stored.arg(sim.tcpPort));
    Window again;
    QVERIFY(again.Load());
    const QStringList fields = addressfixture::Book(*again.w).Entries().value(0).split(',');
    QCOMPARE(fields.mid(0, 3), (entry + ",,").split(',').mid(0, 3));
    QCOMPARE(fields.value(3), QString("qmpv"));
    QCOMPARE(fields.value(4), QString::number(sim.tcpPort));
  }

  void failures_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("closedPort");
    QTest::addColumn<QString>("reason");
    // The platform's reason, only in the status line; %1 is the port.
    QTest::addColumn<QString>("platformReason");
    QTest::newRow("rejected") << QStringList{"--login-result", "0"} << "qmpv" << false
                              << "Connection was rejected" << "";
    QTest::newRow("wrong password") << QStringList{"--password", "abcd"} << "wxyz" << false
                                    << "Invalid password" << "";
    QTest::newRow("another product") << QStringList{"--class", "0x10"} << "qmpv" << false
                                     << "The unit is not Marlox" << "";
    QTest::newRow("silent unit") << QStringList{"--silent-to", "0x05000000"} << "qmpv" << false
                                 << "127.0.0.1" << "";
    QTest::newRow("nobody listening") << QStringList{} << "qmpv" << true << "127.0.0.1"
                                      << " (connection refused on port %1)";
  }
  void failures() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, typed);
    QFETCH(bool, closedPort);
    QFETCH(QString, reason);
    QFETCH(QString, platformReason);
    UnitSim sim;
    QVERIFY(sim.Start(simArgs));
    quint16 port = sim.tcpPort;
    if (closedPort) sim.Stop();  // the port is free again: connects are refused
    SeedTcpEntry(port, typed);
    Window win;
    QVERIFY(win.Load({"kaymor", "/debug"}));
    if (!platformReason.isEmpty()) platformReason = platformReason.arg(port);
    QCOMPARE(win.Click(), "Status: Could not detect the unit - " + reason + platformReason);
    QVERIFY(!win.w->IsConnected());
    QCOMPARE(win.w->cmdConnect->text(), QString("&Connect"));
    QVERIFY(win.w->cmdConnect->isEnabled());
    QVERIFY(win.w->mnuFile->menuAction()->isEnabled());
    const QString log = win.w->txtDebug->toPlainText();
    QVERIFY2(log.contains("Cannot connect to 127.0.0.1, ZAM4, SIM0001 on ") && log.contains(" (" + reason + ")"),
             qPrintable(log));
    QVERIFY2(!log.contains("refused"), qPrintable(log));
    QFile::remove(zam::DebugLogPath());
  }

  // Alt+D is the Disconnect button's access key; the hidden Disconnect menu
  // entry answers to none, so while disconnected Alt+D starts nothing.
  void disconnectAccessKey() {
    UnitSim sim;
    QVERIFY(sim.Start({"--name", "Desk"}));
    SeedTcpEntry(sim.tcpPort);
    Window win;
    QVERIFY(win.Load());
    win.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
    QTest::keyClick(win.w.get(), Qt::Key_D, Qt::AltModifier);
    zam::PumpFor(300);
    QVERIFY(!win.w->IsConnected());
    QVERIFY(sim.Received("tcp").isEmpty());

    QTest::keyClick(win.w.get(), Qt::Key_C, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] { return win.w->IsConnected(); }, 3000));
    QTest::keyClick(win.w.get(), Qt::Key_D, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] { return !win.w->IsConnected(); }, 1000));
    QCOMPARE(win.Status(), QString("Status: Disconnected from 127.0.0.1 (Desk)"));
  }

  void peerCloseNoticedWithinOneTick() {
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, {"--name", "Gate"}));
    sim.Stop();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(QTest::qWaitFor([&] { return !win.w->IsConnected(); }, 1500));
    QVERIFY(clock.elapsed() <= 1100);
    QCOMPARE(win.Status(), QString("Status: Disconnected from 127.0.0.1 (Gate)"));
  }

  void ledByteLightsItsBits() {
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, {"--type", "1", "--led", "0x05"}));
    QVERIFY(win.Find<QLabel>("picKeyboard(0)")->isVisibleTo(win.w.get()));
    QVERIFY(!win.Find<QLabel>("picKeyboard(1)")->isVisibleTo(win.w.get()));
    QVERIFY(QTest::qWaitFor([&] { return win.Picture("imgLED(0)") == "Images/zam_led_r.jpg"; }, 2500));
    for (int i = 0; i < 8; ++i) {
      const QString expected = (i == 0 || i == 2) ? "Images/zam_led_r.jpg" : "Images/zam_led_w.jpg";
      QCOMPARE(win.Picture(QString("imgLED(%1)").arg(i)), expected);
    }
    QCOMPARE(win.Picture("imgLED(255)"), QString("Images/zam_led_r.jpg"));
    QCOMPARE(zam::GetSetting("Keyboard", "LastUsed"), QString("1"));
  }

  // TCP joins a reply with what the unit writes next, or splits it: every
  // wait still sees its reply, and reads the reply's own bytes.
  void repliesSharingReads_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::newRow("part of the next frame behind each reply") << QStringList{"--append-bytes", "9"};
    QTest::newRow("a whole frame behind each reply") << QStringList{"--append-bytes", "10"};
    QTest::newRow("a whole frame behind, all in 7-byte pieces")
        << QStringList{"--append-bytes", "10", "--chunk", "7", "--chunk-gap-ms", "5"};
    QTest::newRow("a whole frame behind, all in 3-byte pieces")
        << QStringList{"--append-bytes", "10", "--chunk", "3", "--chunk-gap-ms", "5"};
  }
  void repliesSharingReads() {
    QFETCH(QStringList, simArgs);
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, simArgs + QStringList{"--type", "1", "--led", "0x05", "--name", "Dock"}));
    QCOMPARE(win.Status(), QString("Status: Connected to 127.0.0.1 (Dock)"));
    QCOMPARE(zam::GetSetting("Keyboard", "LastUsed"), QString("1"));
    QVERIFY(QTest::qWaitFor([&] { return win.Picture("imgLED(2)") == "Images/zam_led_r.jpg"; }, 3500));
    QCOMPARE(win.Picture("imgLED(1)"), QString("Images/zam_led_w.jpg"));
    zam::PumpFor(2500);  // LED replies keep being seen: the link stays up
    QVERIFY(win.w->IsConnected());
  }

  // A unit that logs in but never tells its status inherits nothing of the
  // unit reached before it.
  void connectForgetsThePreviousUnit() {
    UnitSim first;
    Window win;
    QVERIFY(Connect(first, win, {"--type", "1", "--name", "Lobby"}));
    QCOMPARE(win.Click(), QString("Status: Disconnected from 127.0.0.1 (Lobby)"));
    first.Stop();
    UnitSim second;
    QVERIFY(second.Start({"--tcp", QString("127.0.0.1:%1").arg(first.tcpPort), "--type", "4",
                          "--silent-to", "0x05010000"}));
    win.Click();
    QCOMPARE(win.Status(), QString("Status: Connected to 127.0.0.1 ()"));
    QCOMPARE(win.Link().UnitInfo.UnitType, quint8(0));
    QVERIFY(win.Link().UnitInfo.Version.isEmpty());
    QCOMPARE(zam::GetSetting("Keyboard", "LastUsed"), QString("0"));
    QVERIFY(win.Click().startsWith("Status: Disconnected from 127.0.0.1 ()"));
  }

  void silentLedRepliesDisconnect() {
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, {"--silent-to", "0x05020000", "--name", "Mute"}));
    QElapsedTimer clock;
    clock.start();
    // First request within a second, a 2 s wait, then the next Timer1 tick.
    QVERIFY(QTest::qWaitFor([&] { return !win.w->IsConnected(); }, 6000));
    QVERIFY2(clock.elapsed() >= 1900 && clock.elapsed() <= 4500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(win.Status(), QString("Status: Disconnected from 127.0.0.1 (Mute)"));
    QVERIFY(!win.Session().LedReplyMissed());
  }

  // A poll still waiting when the peer went away must not end the next link.
  void lateMissSparesTheNextLink() {
    UnitSim mute;
    Window win;
    QVERIFY(Connect(mute, win, {"--silent-to", "0x05020000"}));
    auto ledRequests = [&] {
      int n = 0;
      for (const QJsonObject& o : mute.Received("tcp")) n += o.value("hex").toString() == "ff ff 05 02 00 00 00 00";
      return n;
    };
    QVERIFY(QTest::qWaitFor([&] { return ledRequests() > 0; }, 2000));
    mute.Stop();
    QVERIFY(QTest::qWaitFor([&] { return !win.w->IsConnected(); }, 1500));

    UnitSim unit;
    QVERIFY(unit.Start({"--tcp", QString("127.0.0.1:%1").arg(mute.tcpPort)}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    zam::PumpFor(3000);  // the stale wait ends and two Timer1 ticks pass
    QVERIFY(win.w->IsConnected());
  }

  void rebootAcknowledgedDisconnects() {
    UnitSim sim;
    Window win;
    QVERIFY(Connect(sim, win, {"--name", "Boot"}));
    win.w->RebootSequence();
    QVERIFY(!win.w->IsConnected());
    QVERIFY(!win.Link().RebootDone);
    QCOMPARE(win.Status(), QString("Status: Disconnected from 127.0.0.1 (Boot)"));
    bool sent = false;
    for (const QJsonObject& o : sim.Received("tcp"))
      sent |= o.value("hex").toString() == "ff ff 10 0a 00 00 00 00";
    QVERIFY(sent);
  }
};

KAYMOR_TEST_MAIN(TestLinkTcp)
#include "tst_link_tcp.moc"
