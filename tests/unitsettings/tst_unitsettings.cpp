// The unit settings session against the unit simulator on 127.0.0.1, and
// its backup file.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <ctime>
#include <sys/stat.h>

#include "PingIP.h"
#include "settingsfile.h"
#include "unitfields.h"
#include "unitsettings.h"
#include "unitsimrun.h"

using namespace zam;

namespace {

const QString kHost = QStringLiteral("127.0.0.1");

UnitTarget TargetOf(const UnitSim& sim, const QString& password = QString()) {
  UnitTarget t;
  t.host = kHost;
  t.port = sim.tcpPort();
  t.password = password;
  t.serial = QStringLiteral("SIMA001");
  return t;
}

// A port on loopback nobody listens on.
quint16 ClosedPort() {
  QTcpServer s;
  if (!s.listen(QHostAddress::LocalHost)) return 0;
  const quint16 port = s.serverPort();
  s.close();
  return port;
}

QDateTime ReadClock(const UnitTarget& target) {
  UnitSettings s;
  s.SetTarget(target);
  if (!s.Read().ok()) return {};
  return unitfields::ClockOf(s.ReadBlock()).value_or(QDateTime());
}

QDateTime PcLocalNow() {
  const QDateTime l = QDateTime::currentDateTime();
  return QDateTime(l.date(), l.time(), Qt::UTC);
}

const QStringList kSim = {"--tcp", "127.0.0.1:0", "--no-udp"};

}  // namespace

class TestUnitSettings : public QObject {
  Q_OBJECT
 private slots:
  void renameKeepsTheClockRunning();
  void clockFromThisPc();
  void zoneForOffset_data();
  void zoneForOffset();
  void newPasswordLogsIn_data();
  void newPasswordLogsIn();
  void wrongByteIsNamed();
  void saveLoadCompare();
  void copyToUnits();
  void copyCancel();
  void fileRoundTrip();
  void fileRejected_data();
  void fileRejected();
  void passwordFilePrivate();
};

void TestUnitSettings::renameKeepsTheClockRunning() {
  REQUIRE_PING();
  UnitSim sim;
  QVERIFY(sim.Start(kSim + QStringList{"--clock-offset", "0"}));
  UnitSettings s;
  s.SetTarget(TargetOf(sim));
  const UnitResult read = s.Read();
  QVERIFY2(read.ok(), qPrintable(read.text));
  QCOMPARE(s.ReadText("camera.2.title"), QStringLiteral("Camera 2"));
  const QDateTime before = *unitfields::ClockOf(s.ReadBlock());

  // Nothing edited: nothing goes to the unit.
  QCOMPARE(s.Apply().outcome, UnitOutcome::NothingChanged);
  QVERIFY(sim.Messages("tcp", "rx", "ff ff 04 04").isEmpty());

  QString why;
  QVERIFY(!s.SetField("camera.2.title", QString(17, u'x'), &why));
  QVERIFY(!s.SetField("camera.2.title", QStringLiteral("Gate \u20ac"), &why));
  QVERIFY(why.contains(QStringLiteral("\u20ac")));
  QVERIFY(s.SetField("camera.2.title", QStringLiteral("Gate"), &why));
  QCOMPARE(s.ChangedFields(), QStringList{"camera.2.title"});

  constexpr int kWaitS = 5;
  QTest::qWait(kWaitS * 1000);
  const UnitResult r = s.Apply();
  QCOMPARE(r.text, QStringLiteral("Saved and checked"));
  QCOMPARE(r.outcome, UnitOutcome::Checked);

  UnitSettings again;
  again.SetTarget(TargetOf(sim));
  QVERIFY(again.Read().ok());
  QCOMPARE(again.ReadText("camera.2.title"), QStringLiteral("Gate"));
  QCOMPARE(again.ReadText("camera.1.title"), QStringLiteral("Camera 1"));
  // Written with the time passed since the read: not set back to it.
  QVERIFY2(*unitfields::ClockOf(again.ReadBlock()) >= before.addSecs(kWaitS),
           qPrintable(again.ReadText("clock") + " read at first " + unitfields::ClockText(before)));
}

void TestUnitSettings::clockFromThisPc() {
  REQUIRE_PING();
  UnitSim sim;
  QVERIFY(sim.Start(kSim + QStringList{"--clock-offset", "-10800"}));
  UnitSettings s;
  s.SetTarget(TargetOf(sim));
  QVERIFY(s.Read().ok());
  QVERIFY(s.SetField("time_zone", "GMT-05:00"));
  s.SetClockFromPc();
  const UnitResult r = s.Apply();
  QCOMPARE(r.outcome, UnitOutcome::Checked);
  QVERIFY2(r.clockNote.startsWith(QStringLiteral("the unit was 3 h 0 min")) && r.clockNote.endsWith("behind"),
           qPrintable(r.clockNote));

  const QDateTime unit = ReadClock(TargetOf(sim));
  QVERIFY(qAbs(unit.secsTo(PcLocalNow())) <= 2);
  // This process runs at UTC+05:30 (see main), a zone the unit has.
  QCOMPARE(s.ReadText("time_zone"), QStringLiteral("GMT+05:30"));
}

void TestUnitSettings::zoneForOffset_data() {
  QTest::addColumn<int>("offset");
  QTest::addColumn<int>("zone");  // -1: none
  QTest::newRow("UTC") << 0 << int(GMT_0000);
  QTest::newRow("-03:30 after -03:00") << -(3 * 3600 + 1800) << int(GMT_0330N);
  QTest::newRow("-03:00") << -3 * 3600 << int(GMT_0300N);
  QTest::newRow("+08:00") << 8 * 3600 << int(GMT_0080P);
  QTest::newRow("-12:00") << -12 * 3600 << int(GMT_1200N);
  QTest::newRow("+05:45 none") << 5 * 3600 + 2700 << -1;
  QTest::newRow("+13:00 none") << 13 * 3600 << -1;
}

void TestUnitSettings::zoneForOffset() {
  QFETCH(int, offset);
  QFETCH(int, zone);
  QCOMPARE(unitfields::ZoneForOffset(offset).value_or(-1), zone);
}

void TestUnitSettings::newPasswordLogsIn_data() {
  QTest::addColumn<QString>("rows");
  QTest::newRow("block with a password") << "241";
  QTest::newRow("240 rows: the block grows") << "240";
}

void TestUnitSettings::newPasswordLogsIn() {
  REQUIRE_PING();
  QFETCH(QString, rows);
  UnitSim sim;
  QVERIFY(sim.Start(kSim + QStringList{"--combo-rows", rows, "--password", "ab12"}));
  UnitSettings s;
  QSignalSpy stored(&s, &UnitSettings::PasswordChanged);
  s.SetTarget(TargetOf(sim, "ab12"));
  QVERIFY(s.Read().ok());
  QString why;
  QVERIFY(!s.SetField("password", "x1", &why));
  QVERIFY(s.SetField("password", "Zq94", &why));
  const UnitResult r = s.Apply();
  QVERIFY2(r.outcome == UnitOutcome::Checked, qPrintable(r.text));
  QCOMPARE(r.newPassword, QStringLiteral("Zq94"));
  QCOMPARE(stored.size(), 1);
  QCOMPARE(stored[0][1].toString(), QStringLiteral("Zq94"));

  UnitSettings next;
  next.SetTarget(TargetOf(sim, "Zq94"));
  QVERIFY(next.Read().ok());
  QCOMPARE(next.ReadText("password"), QStringLiteral("Zq94"));
  next.SetTarget(TargetOf(sim, "ab12"));
  QCOMPARE(next.Read().outcome, UnitOutcome::InvalidPassword);
}

void TestUnitSettings::wrongByteIsNamed() {
  REQUIRE_PING();
  UnitSim sim;
  QVERIFY(sim.Start(kSim + QStringList{"--clock-offset", "0", "--combo-store-fault", "930"}));
  UnitSettings s;
  s.SetTarget(TargetOf(sim));
  QVERIFY(s.Read().ok());
  QVERIFY(s.SetField("camera.1.title", "Door"));
  const UnitResult r = s.Apply();
  QCOMPARE(r.outcome, UnitOutcome::Differs);
  QCOMPARE(r.differing, QStringList{"date_format"});
  QVERIFY2(r.text.contains("Date format"), qPrintable(r.text));
}

void TestUnitSettings::saveLoadCompare() {
  REQUIRE_PING();
  UnitSim a, b;
  QVERIFY(a.Start(kSim + QStringList{"--clock-offset", "0"}));
  QVERIFY(b.Start(kSim + QStringList{"--clock-offset", "-600"}));
  UnitSettings sa, sb;
  sa.SetTarget(TargetOf(a));
  sb.SetTarget(TargetOf(b));
  QVERIFY(sa.Read().ok());
  QVERIFY(sa.SetField("camera.3.title", "Yard"));
  QVERIFY(sa.SetField("date_format", "DD/MM/YY"));
  QVERIFY(sa.SetField("display.last_alarm", "off"));
  QCOMPARE(sa.Apply().outcome, UnitOutcome::Checked);

  QTemporaryDir dir;
  const QString file = dir.filePath(settingsfile::DefaultName("SIMA001", kHost, QDate(2026, 12, 11)));
  QVERIFY(file.endsWith("/SIMA001-2026-12-11.kayset"));
  QString why;
  QVERIFY2(settingsfile::Save(file, settingsfile::FromSession(sa, false), &why), qPrintable(why));
  const auto backup = settingsfile::Load(file, &why);
  QVERIFY2(backup, qPrintable(why));

  QVERIFY(sb.Read().ok());
  // A field the unit has no room for: refused, nothing changed.
  UnitFieldValues tooWide = backup->fields;
  tooWide.insert("camera.9.title", "Nine");
  QVERIFY(!sb.LoadValues(tooWide, false, &why));
  QVERIFY(sb.ChangedFields().isEmpty());

  QVERIFY(sb.LoadValues(backup->fields, false, &why));
  QCOMPARE(sb.ChangedFields(), (QStringList{"camera.3.title", "date_format", "display.last_alarm"}));
  QCOMPARE(sb.Apply().outcome, UnitOutcome::Checked);

  // A backup never restores the clock.
  const auto rows = CompareValues(sa.Values(false, true), sb.Values(false, true));
  QStringList differing;
  for (const CompareRow& row : rows) {
    if (row.differs) differing << row.key;
    if (row.key == "clock") QVERIFY2(row.note.endsWith(" earlier"), qPrintable(row.note));
  }
  QCOMPARE(differing, QStringList());
  QVERIFY(rows.size() > 10);

  // Against the file: only the clock moved, and it never counts.
  QVERIFY(sb.SetField("keyboard_lock", "on"));
  QCOMPARE(sb.Apply().outcome, UnitOutcome::Checked);
  differing.clear();
  for (const CompareRow& row : CompareValues(sb.Values(false, true), backup->fields))
    if (row.differs) differing << row.key;
  QCOMPARE(differing, QStringList{"keyboard_lock"});
}

void TestUnitSettings::copyToUnits() {
  REQUIRE_PING();
  UnitSim u1, u2, u3;
  for (UnitSim* u : {&u1, &u2, &u3}) QVERIFY(u->Start(kSim + QStringList{"--clock-offset", "-3600"}));
  UnitTarget closed = TargetOf(u1);
  closed.port = ClosedPort();
  const QList<UnitTarget> targets{TargetOf(u1), closed, TargetOf(u2), TargetOf(u1), TargetOf(u3)};

  UnitFieldValues source;
  source.insert("time_format", "12h");
  source.insert("camera.1.title", "Not copied");
  UnitCopy copy(source, {UnitFieldGroup::Clock, UnitFieldGroup::Formats});
  QSignalSpy started(&copy, &UnitCopy::Started);
  const QList<UnitResult> results = copy.Run(targets);
  QCOMPARE(results.size(), targets.size());
  QList<UnitOutcome> outcomes;
  for (const UnitResult& r : results) outcomes << r.outcome;
  QCOMPARE(outcomes, (QList<UnitOutcome>{UnitOutcome::Checked, UnitOutcome::NoConnection, UnitOutcome::Checked,
                                         UnitOutcome::Duplicate, UnitOutcome::Checked}));
  QCOMPARE(started.size(), 4);
  QVERIFY(results[1].text.contains(QString::number(closed.port)));

  for (UnitSim* u : {&u1, &u2, &u3}) {
    UnitSettings s;
    s.SetTarget(TargetOf(*u));
    QVERIFY(s.Read().ok());
    QVERIFY(qAbs(unitfields::ClockOf(s.ReadBlock())->secsTo(PcLocalNow())) <= 2);
    QCOMPARE(s.ReadText("time_format"), QStringLiteral("12h"));
    QCOMPARE(s.ReadText("camera.1.title"), QStringLiteral("Camera 1"));
    QCOMPARE(u->Messages("tcp", "rx", "ff ff 04 04").size(), 1);  // written once
  }
}

void TestUnitSettings::copyCancel() {
  REQUIRE_PING();
  UnitSim u1, u2;
  QVERIFY(u1.Start(kSim));
  QVERIFY(u2.Start(kSim));
  UnitCopy copy({{"keyboard_lock", "on"}}, {UnitFieldGroup::KeyboardLock});
  connect(&copy, &UnitCopy::Started, &copy, [&copy](int) { copy.Cancel(); });
  const auto results = copy.Run({TargetOf(u1), TargetOf(u2)});
  QCOMPARE(results[0].outcome, UnitOutcome::Checked);  // the unit being written is finished
  QCOMPARE(results[1].outcome, UnitOutcome::Cancelled);
  QVERIFY(u2.Messages("tcp", "rx").isEmpty());
}

void TestUnitSettings::fileRoundTrip() {
  UnitBackup b;
  b.address = kHost;
  b.model = "ZAM4";
  b.serial = "SIMA001";
  b.mac = "00-0A-1B-2C-3D-4E";
  b.read = QDateTime(QDate(2026, 12, 11), QTime(16, 30, 5), Qt::OffsetFromUTC, 19800);
  b.fields = {{"camera.1.title", "Front \u00e9"}, {"camera.2.title", ""}, {"clock", "2026-12-11 16:30:05"},
              {"time_zone", "GMT+05:30"}, {"alarm_latch", "timeout"}};
  const QByteArray bytes = settingsfile::Write(b);
  const QJsonObject root = QJsonDocument::fromJson(bytes).object();
  QCOMPARE(root["format"].toString(), QStringLiteral("kaymor-unit-settings"));
  QCOMPARE(root["version"].toInt(), 1);
  QCOMPARE(root["read"].toString(), QStringLiteral("2026-12-11T16:30:05+05:30"));
  QString why;
  const auto back = settingsfile::Parse(bytes, "f", &why);
  QVERIFY2(back, qPrintable(why));
  QCOMPARE(back->fields, b.fields);
  QCOMPARE(back->read, b.read);
  QCOMPARE(back->serial, b.serial);
  QCOMPARE(back->mac, b.mac);
}

void TestUnitSettings::fileRejected_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("error");
  const QByteArray head = R"({"format": "kaymor-unit-settings", "version": 1, "unit": {"address": "a"},
                              "read": "2026-12-11T16:30:05Z", )";
  const QByteArray clock = R"("clock": "2026-12-11 16:30:05")";
  QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n") << "f is not a unit settings file";
  QTest::newRow("other format") << QByteArray(R"({"format": "x", "version": 1})") << "f is not a unit settings file";
  QTest::newRow("version 2") << QByteArray(R"({"format": "kaymor-unit-settings", "version": 2})")
                             << "f is a unit settings file of version 2; this program reads version 1";
  QTest::newRow("version text") << QByteArray(R"({"format": "kaymor-unit-settings", "version": "1"})")
                                << "f is damaged: the version is not a number";
  QTest::newRow("cut short") << (head + R"("fields": {)" + clock) << "f is damaged: ";
  QTest::newRow("no fields") << (head + R"("x": 1})") << "f is damaged: the fields are missing";
  QTest::newRow("no clock") << (head + R"("fields": {}})") << "f is damaged: the clock is missing";
  QTest::newRow("unknown field") << (head + R"("fields": {"volume": "3", )" + clock + "}}")
                                 << "f is damaged: unknown field volume";
  QTest::newRow("zone not the unit's") << (head + R"("fields": {"time_zone": "GMT+05:45", )" + clock + "}}")
                                       << "f is damaged: field time_zone: ";
  QTest::newRow("title too long") << (head + R"("fields": {"camera.1.title": "12345678901234567", )" + clock + "}}")
                                  << "f is damaged: field camera.1.title: ";
  QTest::newRow("title of camera 0") << (head + R"("fields": {"camera.0.title": "a", )" + clock + "}}")
                                     << "f is damaged: unknown field camera.0.title";
  QTest::newRow("bad clock") << (head + R"("fields": {"clock": "2026-02-30 10:00:00"}})")
                             << "f is damaged: field clock: ";
  QTest::newRow("number as text field") << (head + R"("fields": {"keyboard_lock": 1, )" + clock + "}}")
                                        << "f is damaged: field keyboard_lock is not a text";
}

void TestUnitSettings::fileRejected() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, error);
  QString why;
  QVERIFY(!settingsfile::Parse(bytes, "f", &why));
  QVERIFY2(why.startsWith(error), qPrintable(why));
}

void TestUnitSettings::passwordFilePrivate() {
  QTemporaryDir dir;
  UnitBackup b;
  b.read = QDateTime::currentDateTime();
  b.fields = {{"clock", "2026-12-11 16:30:05"}};
  const QString plain = dir.filePath("plain.kayset");
  const QString secret = dir.filePath("secret.kayset");
  QString why;
  QVERIFY(settingsfile::Save(plain, b, &why));
  b.fields.insert("password", "Zq94");
  QVERIFY(settingsfile::Save(secret, b, &why));
  struct stat st {};
  QCOMPARE(::stat(QFile::encodeName(secret).constData(), &st), 0);
  QCOMPARE(int(st.st_mode & 0777), 0600);
  QVERIFY(settingsfile::Load(secret, &why)->fields.contains("password"));
  QVERIFY(!settingsfile::Load(plain, &why)->fields.contains("password"));
  // Not written over a folder that does not exist; clear words, no file.
  QVERIFY(!settingsfile::Save(dir.filePath("none/x.kayset"), b, &why));
  QVERIFY(why.startsWith("Cannot write "));
}

int main(int argc, char** argv) {
  // A fixed UTC offset of +05:30 for this PC's local time (and the simulator's).
  qputenv("TZ", "IST-5:30");
  tzset();
  QCoreApplication app(argc, argv);
  TestUnitSettings t;
  return QTest::qExec(&t, argc, argv);
}

#include "tst_unitsettings.moc"
