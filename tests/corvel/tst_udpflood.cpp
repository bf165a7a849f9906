// A LAN flooded with discovery replies: one unit simulator inside a network
// namespace of this test answers every request with 10,000 replies, each
// from another made-up unit. The discovery list stays bounded and the event
// loop keeps running meanwhile.
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <corvel/corvel_udp.h>
#include "netnslab.h"
#include "unitsimrun.h"

using Corvel_Project::UDP;

namespace {
constexpr int kFlood = 10000;
}

class TestUdpFlood : public QObject {
  Q_OBJECT
 private slots:
  void discoveryFlood() {
    const QString why = NetnsLab::Unavailable();
    if (!why.isEmpty()) QSKIP(qPrintable(why));
    NetnsLab lab;
    QVERIFY(lab.Add("K") && lab.Add("U"));
    QVERIFY(lab.Link("K", "k0", "10.78.0.1/24", "U", "u0", "10.78.0.2/24"));
    UnitSim sim;
    QProcess* p = lab.Start("U", QStringLiteral(UNITSIM_PATH),
                            QStringList{"--no-tcp", "--udp-address", "0.0.0.0", "--udp-port", "8092", "--ip",
                                        "10.78.0.2", "--discovery-flood", QString::number(kFlood)} +
                                sim.LogArgs());
    QVERIFY(sim.Adopt(p));

    // The longest pause between the ticks of a 50 ms timer during discovery.
    QTimer tick;
    tick.setInterval(50);
    QElapsedTimer since;
    qint64 longest = 0;
    connect(&tick, &QTimer::timeout, [&] { longest = qMax(longest, since.restart()); });

    UDP udp;
    int signals_ = 0;
    connect(&udp, &UDP::Discovered, [&](qint16) { ++signals_; });
    QList<zam::DISCOVER_UDP_INFO> list;
    QVERIFY(lab.Enter("K"));
    since.start();
    tick.start();
    udp.Discovery(list);
    tick.stop();
    lab.Leave();

    int floods = 0;
    for (const QJsonObject& o : sim.Log())
      if (o.value("event").toString() == "flood") ++floods;
    qInfo("%d floods of %d replies; %lld units listed; longest pause %lld ms", floods, kFlood,
          qint64(list.size()), longest);
    QVERIFY(floods >= 1);
    // Each made-up unit is listed once at most, and the list has its bound.
    QVERIFY(list.size() <= kFlood);
    QVERIFY(list.size() <= 32767);  // the count travels as a signed 16-bit number
    QCOMPARE(signals_, int(list.size()));
    QVERIFY2(longest < 3000, qPrintable(QString("%1 ms without events").arg(longest)));
  }
};

QTEST_GUILESS_MAIN(TestUdpFlood)
#include "tst_udpflood.moc"
