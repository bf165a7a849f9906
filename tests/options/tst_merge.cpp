// The merge rule: how one found unit updates or extends an address list.
#include <QtTest>

#include "addresslist.h"
#include "discovery.h"

using zam::MergeKind;

namespace {

zam::DISCOVER_UDP_INFO Unit(const QString& ip, const QString& model, const QString& serial, int port) {
  zam::DISCOVER_UDP_INFO u;
  u.IPAddress = ip;
  u.ModelName = model;
  u.SerialNo = serial;
  u.ListenPort = port;
  return u;
}

}  // namespace

class TestMerge : public QObject {
  Q_OBJECT

 private slots:
  void mergeUnit_data();
  void mergeUnit();
  void unitsOfOneDiscovery();
  void fullListTakesNoMore();
};

void TestMerge::mergeUnit_data() {
  QTest::addColumn<QStringList>("list");
  QTest::addColumn<QString>("ip");
  QTest::addColumn<QString>("model");
  QTest::addColumn<QString>("serial");
  QTest::addColumn<int>("port");
  QTest::addColumn<QStringList>("expected");
  QTest::addColumn<int>("kind");

  const QString a1 = QStringLiteral("10.0.0.5,ZAM4,A1,pw,2000");
  QTest::newRow("listed unit reports a new port")
      << QStringList{a1} << "10.0.0.5" << "ZAM4" << "A1" << 4321
      << QStringList{"10.0.0.5,ZAM4,A1,pw,4321"} << int(MergeKind::Listed);
  QTest::newRow("listed unit reporting port 0 keeps its port")
      << QStringList{a1} << "10.0.0.5" << "ZAM4" << "A1" << 0 << QStringList{a1} << int(MergeKind::Listed);
  QTest::newRow("listed unit with a port past 65535 keeps its port")
      << QStringList{a1} << "10.0.0.5" << "ZAM4" << "A1" << 70000 << QStringList{a1} << int(MergeKind::Listed);
  QTest::newRow("new unit reporting port 0 gets 1024")
      << QStringList{} << "10.0.0.9" << "ZAM1" << "B2" << 0 << QStringList{"10.0.0.9,ZAM1,B2,qmpv,1024"}
      << int(MergeKind::None);
  QTest::newRow("known serial at a new address keeps the password")
      << QStringList{"10.0.0.5,ZAM4,A1,secret,2000"} << "10.0.0.7" << "ZAM4X" << "A1" << 0
      << QStringList{"10.0.0.7,ZAM4X,A1,secret,1024"} << int(MergeKind::Moved);
  QTest::newRow("placeholder serial never matched by serial")
      << QStringList{"10.0.0.5,ZAM4,SNUM00?,pw,1024"} << "10.0.0.6" << "ZAM4" << "SNUM00?" << 1024
      << QStringList{"10.0.0.5,ZAM4,SNUM00?,pw,1024", "10.0.0.6,ZAM4,SNUM00?,qmpv,1024"} << int(MergeKind::None);
  QTest::newRow("placeholder serial at a listed address is a second entry")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << "10.0.0.5" << "ZAM1" << "SNUM00?" << 0
      << QStringList{"10.0.0.5,ZAM1,SNUM00?,qmpv,1024", "10.0.0.5,ZAM4,A1,pw,1024"} << int(MergeKind::OtherUnit);
  QTest::newRow("placeholder serial found again adds nothing")
      << QStringList{"10.0.0.5,ZAM1,SNUM00?,qmpv,1024", "10.0.0.5,ZAM4,A1,pw,1024"} << "10.0.0.5" << "ZAM1"
      << "SNUM00?" << 0 << QStringList{"10.0.0.5,ZAM1,SNUM00?,qmpv,1024", "10.0.0.5,ZAM4,A1,pw,1024"}
      << int(MergeKind::Listed);
  QTest::newRow("another serial at a listed address is a second entry")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << "10.0.0.5" << "ZAM4" << "B7" << 1024
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.5,ZAM4,B7,qmpv,1024"} << int(MergeKind::OtherUnit);
  QTest::newRow("the unit's own entry wins over another at its address")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.5,ZAM4,B7,pw2,1024"} << "10.0.0.5" << "ZAM4" << "B7"
      << 0 << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.5,ZAM4,B7,pw2,1024"} << int(MergeKind::Listed);
  QTest::newRow("a moved serial wins over another unit at the new address")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.6,ZAM4,B7,pw2,1024"} << "10.0.0.5" << "ZAM4" << "B7"
      << 0 << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.5,ZAM4,B7,pw2,1024"} << int(MergeKind::Moved);
  QTest::newRow("empty serial at a free address is added")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << "10.0.0.8" << "ZAM4" << "" << 0
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.8,ZAM4,,qmpv,1024"} << int(MergeKind::None);
  QTest::newRow("empty serial at a listed address changes nothing")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << "10.0.0.5" << "ZAM4" << "" << 4321
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << int(MergeKind::Unknown);
  QTest::newRow("empty serial listed without one is that entry")
      << QStringList{"10.0.0.8,ZAM4,,qmpv,1024"} << "10.0.0.8" << "ZAM4" << "" << 4000
      << QStringList{"10.0.0.8,ZAM4,,qmpv,4000"} << int(MergeKind::Listed);
  QTest::newRow("an address that begins another is a different one")
      << QStringList{"10.0.0.12,ZAM4,B7,pw,1024"} << "10.0.0.1" << "ZAM4" << "C9" << 0
      << QStringList{"10.0.0.1,ZAM4,C9,qmpv,1024", "10.0.0.12,ZAM4,B7,pw,1024"} << int(MergeKind::None);
  QTest::newRow("a serial inside another serial is a different one")
      << QStringList{"10.0.0.5,ZAM4,A12,pw,1024"} << "10.0.0.7" << "ZAM4" << "A1" << 0
      << QStringList{"10.0.0.5,ZAM4,A12,pw,1024", "10.0.0.7,ZAM4,A1,qmpv,1024"} << int(MergeKind::None);
  QTest::newRow("a serial that is part of an address is no match")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << "10.0.0.9" << "ZAM4" << "10" << 0
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024", "10.0.0.9,ZAM4,10,qmpv,1024"} << int(MergeKind::None);
  QTest::newRow("blanks around stored fields")
      << QStringList{" 10.0.0.5 , ZAM4 , A1 ,pw,2000"} << "10.0.0.5" << "ZAM4" << "A1" << 0
      << QStringList{" 10.0.0.5 , ZAM4 , A1 ,pw,2000"} << int(MergeKind::Listed);
  QTest::newRow("three-field entry gets the default password with its port")
      << QStringList{"10.0.0.5,ZAM4,A1"} << "10.0.0.5" << "ZAM4" << "A1" << 4321
      << QStringList{"10.0.0.5,ZAM4,A1,qmpv,4321"} << int(MergeKind::Listed);
  QTest::newRow("a comma in the model name does not add a field")
      << QStringList{} << "10.0.0.9" << "ZAM,4" << "C3" << 1024 << QStringList{"10.0.0.9,ZAM 4,C3,qmpv,1024"}
      << int(MergeKind::None);
  QTest::newRow("new entry goes to its sorted place")
      << QStringList{"10.0.0.10,ZAM4,A1,pw,1024", "10.0.0.3,ZAM4,A3,pw,1024"} << "10.0.0.2" << "zam4" << "A2"
      << 0 << QStringList{"10.0.0.10,ZAM4,A1,pw,1024", "10.0.0.2,zam4,A2,qmpv,1024", "10.0.0.3,ZAM4,A3,pw,1024"}
      << int(MergeKind::None);
  QTest::newRow("no address: nothing to list")
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << "" << "ZAM4" << "A1" << 0
      << QStringList{"10.0.0.5,ZAM4,A1,pw,1024"} << int(MergeKind::None);
}

void TestMerge::mergeUnit() {
  QFETCH(QStringList, list);
  QFETCH(QString, ip);
  QFETCH(QString, model);
  QFETCH(QString, serial);
  QFETCH(int, port);
  QFETCH(QStringList, expected);
  QFETCH(int, kind);

  const zam::MergeResult r = zam::MergeUnit(list, Unit(ip, model, serial, port));
  QCOMPARE(list, expected);
  QCOMPARE(int(r.kind), kind);
}

void TestMerge::unitsOfOneDiscovery() {
  // Entries added for earlier units of the same run take part for the later ones.
  QStringList list{"10.0.0.5,ZAM4,A1,pw,1024"};
  const QList<zam::DISCOVER_UDP_INFO> found = {Unit("10.0.0.9", "ZAM4", "B7", 0), Unit("10.0.0.10", "ZAM1", "B7", 0),
                                               Unit("10.0.0.5", "ZAM4", "A1", 1025)};
  for (const auto& u : found) zam::MergeUnit(list, u);
  // A replaced entry keeps its place until the next load sorts the list.
  QCOMPARE(list, (QStringList{"10.0.0.5,ZAM4,A1,pw,1025", "10.0.0.10,ZAM1,B7,qmpv,1024"}));
}

void TestMerge::fullListTakesNoMore() {
  QStringList list;
  for (int i = 0; i < zam::kMaxAddressEntries; ++i) list << QStringLiteral("10.1.%1.%2,ZAM4,S%3,qmpv,1024").arg(i / 200).arg(i % 200).arg(i);
  const QStringList before = list;
  zam::MergeResult r = zam::MergeUnit(list, Unit("10.2.0.1", "ZAM4", "NEW", 0));
  QCOMPARE(list, before);
  QVERIFY(r.full);
  QCOMPARE(r.action, zam::MergeAction::Keep);
  // Updates of listed units still happen.
  r = zam::MergeUnit(list, Unit("10.2.0.1", "ZAM4", "S7", 0));
  QCOMPARE(r.kind, MergeKind::Moved);
  QCOMPARE(list[7], QStringLiteral("10.2.0.1,ZAM4,S7,qmpv,1024"));
}

QTEST_APPLESS_MAIN(TestMerge)
#include "tst_merge.moc"
