// The unit session on its own, without a window, against the unit simulator:
// what it reports through its signals is all a window gets to show.
#include <QSignalSpy>
#include <QTest>

#include "eventpump.h"
#include "kaymortest.h"
#include "settingsstore.h"
#include "unitsession.h"

using namespace kaymortest;
using zam::ConnectRequest;
using zam::LinkKind;
using zam::UnitSession;

namespace {

QStringList Texts(const QSignalSpy& spy) {
  QStringList texts;
  for (const QList<QVariant>& args : spy) texts << args.at(0).toString();
  return texts;
}

// (index, lit) of every LED change of the row of unitType.
QList<QPair<int, bool>> Leds(const QSignalSpy& spy, int unitType) {
  QList<QPair<int, bool>> leds;
  for (const QList<QVariant>& args : spy)
    if (args.at(0).toInt() == unitType) leds << qMakePair(args.at(1).toInt(), args.at(2).toBool());
  return leds;
}

}  // namespace

class TestSession : public QObject {
  Q_OBJECT
 private slots:
  void init() { ResetSettings(); }

  // Connect, an LED poll, and the unit going away, over TCP.
  void tcpSession() {
    UnitSim sim;
    QVERIFY(sim.Start({"--name", "Lobby", "--led", "0x05"}));
    UnitSession s;
    QSignalSpy status(&s, &UnitSession::statusChanged), connected(&s, &UnitSession::connectedChanged),
        leds(&s, &UnitSession::ledChanged), row(&s, &UnitSession::rowChanged),
        credentials(&s, &UnitSession::credentialsAccepted);
    s.Connect({LinkKind::Ethernet, "127.0.0.1, ZAM4, SIM0001", "qmpv", QString::number(sim.tcpPort)});
    QVERIFY(s.IsConnected());
    QVERIFY(s.IsEthernet());
    QCOMPARE(s.Target(), QString("127.0.0.1"));
    QCOMPARE(Texts(status), QStringList({"Status: Detecting the unit...", "Status: Detecting the unit...",
                                         "Status: Connected to 127.0.0.1 (Lobby)"}));
    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected.at(0).at(0).toBool(), true);
    QCOMPARE(credentials.size(), 1);
    QCOMPARE(credentials.at(0), QList<QVariant>({"qmpv", QString::number(sim.tcpPort)}));
    QCOMPARE(Leds(leds, 4), (QList<QPair<int, bool>>{{8, true}}));
    QCOMPARE(zam::GetSetting("Keyboard", "LastUsed"), QString("4"));
    // The default password goes out as none.
    QCOMPARE(sim.Received("tcp").first().value("hex").toString(), QString("ff ff 05 00 00 00 00 05 14 00 00 00 00"));

    leds.clear();
    s.UpdateLeds();
    QCOMPARE(Leds(leds, 4), (QList<QPair<int, bool>>{
                                {0, true}, {1, false}, {2, true}, {3, false}, {4, false}, {5, false}, {6, false}, {7, false}}));
    // A row that stays the same is not drawn again.
    leds.clear();
    s.UpdateLeds();
    QVERIFY(leds.isEmpty());

    const int generation = s.Generation();
    sim.Stop();
    QVERIFY(QTest::qWaitFor(
        [&] {
          s.Supervise();
          return !s.IsConnected();
        },
        5000));
    QCOMPARE(Texts(status).last(), QString("Status: Disconnected from 127.0.0.1 (Lobby)"));
    QCOMPARE(connected.last().at(0).toBool(), false);
    QCOMPARE(row.last(), QList<QVariant>({4, true, false}));
    // The next connect is a new link.
    QVERIFY(sim.Start({"--name", "Lobby"}));
    s.Connect({LinkKind::Ethernet, "127.0.0.1", "qmpv", QString::number(sim.tcpPort)});
    QVERIFY(s.IsConnected());
    QCOMPARE(s.Generation(), generation + 1);
  }

  // A refused login reports why and leaves the session closed; so does a
  // serial port that does not exist.
  void failedConnects() {
    UnitSim sim;
    QVERIFY(sim.Start({"--password", "abcd"}));
    UnitSession s;
    QSignalSpy status(&s, &UnitSession::statusChanged), connected(&s, &UnitSession::connectedChanged),
        credentials(&s, &UnitSession::credentialsAccepted);
    s.Connect({LinkKind::Ethernet, "127.0.0.1", "wxyz", QString::number(sim.tcpPort)});
    QVERIFY(!s.IsConnected());
    QCOMPARE(Texts(status).last(), QString("Status: Could not detect the unit - Invalid password"));
    QCOMPARE(connected.last().at(0).toBool(), false);
    QVERIFY(credentials.isEmpty());

    const QString device = TempRoot() + "/no-such-tty";
    zam::SaveSetting("Ports", "COM2", device);
    s.Connect({LinkKind::Serial, "COM2", QString(), QString()});
    QVERIFY(!s.IsConnected());
    QCOMPARE(Texts(status).last(), "Status: Could not detect the unit (no device " + device + " for COM2)");
  }

  // Over the serial line: three LED requests in a row unanswered end the
  // session; misses of a closed session do not count for the next.
  void serialMisses() {
    UnitSim sim;
    QVERIFY(sim.Start({"--no-tcp", "--pty", "--name", "Quiet"}));
    zam::SaveSetting("Ports", "COM1", sim.pty);
    const QString com = "COM1";
    UnitSession s;
    s.Connect({LinkKind::Serial, com, QString(), QString()});
    QVERIFY(s.IsConnected());
    auto miss = [&](int times) {
      sim.Pause();
      for (int i = 0; i < times; ++i) s.UpdateLeds();
      sim.Resume();
      zam::PumpFor(200);  // the late replies arrive and are dropped by the next request
    };
    miss(2);
    QCOMPARE(s.SerialMisses(), 2);
    s.Disconnect();
    s.Connect({LinkKind::Serial, com, QString(), QString()});
    QVERIFY(s.IsConnected());
    QCOMPARE(s.SerialMisses(), 0);
    miss(1);
    QVERIFY(s.IsConnected());
    miss(2);
    QVERIFY(!s.IsConnected());
  }
};

KAYMOR_TEST_MAIN(TestSession)
#include "tst_session.moc"
