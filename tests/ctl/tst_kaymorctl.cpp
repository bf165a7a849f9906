// kaymorctl as scripts run it: a process with its own settings folder,
// against the unit simulator on loopback (TCP), on a pseudo-terminal
// (RS-232) and inside namespaces of the test's own (UDP). Each row gives the
// command line, the exit status and what standard output must hold; with
// --json the output is parsed.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "netnslab.h"
#include "unitsimrun.h"
#include "zamserial.h"
#include "zamtcp.h"

namespace {

const QString kCtl = QStringLiteral(KAYMOR_BIN_DIR "/kaymorctl");

struct Result {
  int exit = -1;
  QByteArray out, err;
  QJsonDocument json() const { return QJsonDocument::fromJson(out); }
};

// A loopback port nobody listens on.
quint16 ClosedPort() {
  QTcpServer server;
  server.listen(QHostAddress::LocalHost);
  return server.serverPort();
}

}  // namespace

class TestKaymorctl : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void unitCommands_data();
  void unitCommands();
  void keysReachTheUnitInOrder();
  void ledsWatchUntilInterrupted();
  void unitByAddressBookEntry_data();
  void unitByAddressBookEntry();
  void settingsFileIsNeverWritten();
  void settingsCommands_data();
  void settingsCommands();
  void clockSync();
  void newPasswordGoesToTheEntryAlone();
  void usage_data();
  void usage();
  void serialLine_data();
  void serialLine();
  void discoverAndSetIp_data();
  void discoverAndSetIp();

 private:
  // Runs kaymorctl with its settings folder in dir_, inside a namespace of
  // the lab when ns is given.
  Result Ctl(const QStringList& args, const QString& ns = {}, const QStringList& env = {});
  void WriteSettings(const QString& text);
  QString SettingsPath() const { return dir_.filePath(QStringLiteral("config/Vantrel/Vantrel.ini")); }
  // Checks the exit status and the output of a row.
  void Check(const Result& r, int exit, const QString& expect, bool json);

  QTemporaryDir dir_;
  std::unique_ptr<NetnsLab> lab_;
  QString why_;
};

Result TestKaymorctl::Ctl(const QStringList& args, const QString& ns, const QStringList& env) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
  e.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
  e.remove(QStringLiteral("KAYMOR_PASSWORD"));
  for (const QString& kv : env) e.insert(kv.section('=', 0, 0), kv.section('=', 1));
  p.setProcessEnvironment(e);
  if (ns.isEmpty())
    p.start(kCtl, args);
  else
    p.start(QStringLiteral("ip"), QStringList{"netns", "exec", lab_->Name(ns), kCtl} + args);
  Result r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

void TestKaymorctl::WriteSettings(const QString& text) {
  QDir().mkpath(QFileInfo(SettingsPath()).path());
  QFile f(SettingsPath());
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text.toUtf8());
}

void TestKaymorctl::Check(const Result& r, int exit, const QString& expect, bool json) {
  QVERIFY2(r.exit == exit, qPrintable(QStringLiteral("exit %1, expected %2; stdout [%3] stderr [%4]")
                                          .arg(r.exit)
                                          .arg(exit)
                                          .arg(QString::fromLocal8Bit(r.out), QString::fromLocal8Bit(r.err))));
  if (json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, r.out.constData());
    if (exit != 0) {
      // On failure the document is the error object alone.
      QCOMPARE(doc.object().keys(), QStringList{"error"});
      QVERIFY2(doc.object().value("error").toString().contains(expect), r.out.constData());
      QVERIFY(r.err.contains(expect.toLocal8Bit()));
    } else {
      QVERIFY2(QString::fromUtf8(doc.toJson(QJsonDocument::Compact)).contains(expect), r.out.constData());
    }
    return;
  }
  // A failure's reason is on standard error, an answer on standard output.
  const QByteArray where = exit == 0 ? r.out : r.err;
  QVERIFY2(QString::fromLocal8Bit(where).contains(expect), where.constData());
}

void TestKaymorctl::initTestCase() {
  QVERIFY(QFileInfo::exists(kCtl));
  why_ = NetnsLab::Unavailable();
  if (!why_.isEmpty()) return;
  lab_ = std::make_unique<NetnsLab>();
  // K: the program on a bridge with two units; L: loopback alone.
  bool ok = lab_->Bridge("K", "10.79.0.1/24", "10.79.0.1", 2) && lab_->Add("L");
  if (!ok) {
    why_ = QStringLiteral("could not build the namespaces (see warnings)");
    lab_.reset();
  }
}

void TestKaymorctl::init() { QFile::remove(SettingsPath()); }

// {port}: the simulator's TCP port; {closed}: a loopback port nobody listens on.
void TestKaymorctl::unitCommands_data() {
  QTest::addColumn<QStringList>("sim");
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exit");
  QTest::addColumn<QString>("expect");
  const QStringList none;
  const QStringList silentLogin = {"--silent-to", "0x05000000"};
  const QStringList silentLed = {"--silent-to", "0x05020000"};
  const QStringList lit = {"--led", "0x21"};
  const QStringList type1 = {"--type", "1", "--led", "0xC0"};

  QTest::newRow("info") << none << QStringList{"info", "127.0.0.1:{port}"} << 0 << "Name: Sim Unit\nMAC: 00-0A-1B-2C-3D-4E";
  QTest::newRow("info json") << none << QStringList{"info", "127.0.0.1:{port}", "--json"} << 0
                             << R"("name":"Sim Unit")";
  QTest::newRow("info json first") << none << QStringList{"--json", "info", "127.0.0.1:{port}"} << 0
                                   << R"("unitType":4)";
  QTest::newRow("wrong password") << none << QStringList{"info", "127.0.0.1:{port}", "--password", "nope"} << 1
                                  << "Invalid password";
  QTest::newRow("wrong password json") << none
                                       << QStringList{"--password=nope", "--json", "info", "127.0.0.1:{port}"} << 1
                                       << "Invalid password";
  // Any other length reaches the unit as no password, which opens a unit with the default one.
  QTest::newRow("password too short") << none << QStringList{"info", "127.0.0.1:{port}", "--password", "x"} << 1
                                      << "3 or 4 characters, not 1";
  QTest::newRow("password too long") << none << QStringList{"keys", "127.0.0.1:{port}", "stop", "--password",
                                                            "secret"}
                                     << 1 << "3 or 4 characters, not 6";
  QTest::newRow("rejected") << QStringList{"--login-result", "0"} << QStringList{"info", "127.0.0.1:{port}"} << 1
                            << "Connection was rejected";
  QTest::newRow("silent unit") << silentLogin << QStringList{"info", "127.0.0.1:{port}", "--json"} << 1
                               << "no reply within 5 s";
  QTest::newRow("unreachable") << none << QStringList{"info", "127.0.0.1:{closed}"} << 1
                               << "could not connect to 127.0.0.1:";
  QTest::newRow("unreachable json") << none << QStringList{"keys", "127.0.0.1:{closed}", "stop", "--json"} << 1
                                    << "could not connect to 127.0.0.1:";
  QTest::newRow("leds") << lit << QStringList{"leds", "127.0.0.1:{port}"} << 0 << "0x21 record alarm";
  QTest::newRow("leds json") << lit << QStringList{"leds", "--json", "127.0.0.1:{port}"} << 0
                             << R"({"bits":"0x21","lit":["record","alarm"]})";
  QTest::newRow("leds type 1") << type1 << QStringList{"leds", "127.0.0.1:{port}"} << 0 << "0xC0 cam1 ipcam1";
  QTest::newRow("leds silent") << silentLed << QStringList{"leds", "127.0.0.1:{port}"} << 1 << "no reply within 2 s";
  QTest::newRow("keys json") << none << QStringList{"keys", "127.0.0.1:{port}", "stop", "--gap", "0", "--json"} << 0
                             << R"({"sent":["stop"]})";
  QTest::newRow("keys wrong password") << none << QStringList{"keys", "127.0.0.1:{port}", "stop", "--password", "nope"}
                                       << 1 << "Invalid password";
  QTest::newRow("reboot") << none << QStringList{"reboot", "127.0.0.1:{port}", "--yes"} << 0 << "rebooted";
  QTest::newRow("reboot silent") << QStringList{"--silent-to", "0x100A0000"}
                                 << QStringList{"reboot", "--yes", "127.0.0.1:{port}"} << 1 << "no reply within 5 s";
  QTest::newRow("password from environment") << QStringList{"--password", "abcd"}
                                             << QStringList{"info", "127.0.0.1:{port}", "env:KAYMOR_PASSWORD=abcd"}
                                             << 0 << "Name: Sim Unit";
  QTest::newRow("option over environment") << QStringList{"--password", "abcd"}
                                            << QStringList{"info", "127.0.0.1:{port}", "--password", "abcd",
                                                           "env:KAYMOR_PASSWORD=wxyz"}
                                            << 0 << "Name: Sim Unit";
  QTest::newRow("ping loopback") << none << QStringList{"ping", "127.0.0.1"} << 0 << "IP Success";
  QTest::newRow("ping bad address") << none << QStringList{"ping", "300.1.2.3", "--json"} << 1 << "Bad";
}

void TestKaymorctl::unitCommands() {
  QFETCH(QStringList, sim);
  QFETCH(QStringList, args);
  QFETCH(int, exit);
  QFETCH(QString, expect);
  UnitSim unit;
  QVERIFY(unit.Start(QStringList{"--tcp", "127.0.0.1:0", "--no-udp"} + sim));
  QStringList env, command;
  for (QString a : args) {
    if (a.startsWith("env:")) {
      env << a.mid(4);
      continue;
    }
    a.replace("{port}", QString::number(unit.tcpPort())).replace("{closed}", QString::number(ClosedPort()));
    command << a;
  }
  const Result r = Ctl(command, {}, env);
  if (QTest::currentDataTag() == QByteArray("ping loopback") && r.err.contains("ICMP sockets are not permitted"))
    QSKIP("ICMP sockets are not permitted for this user");
  Check(r, exit, expect, command.contains("--json") || command.contains("--password=nope"));
}

void TestKaymorctl::keysReachTheUnitInOrder() {
  UnitSim unit;
  QVERIFY(unit.Start({"--tcp", "127.0.0.1:0", "--no-udp"}));
  const Result r = Ctl({"keys", QStringLiteral("127.0.0.1:%1").arg(unit.tcpPort()), "record", "speed-up",
                        "alarm-cam2", "ipcam2", "--gap", "20"});
  QCOMPARE(r.exit, 0);
  QCOMPARE(r.out, QByteArray());
  QList<QByteArray> keys;
  QVERIFY(QTest::qWaitFor([&] { return (keys = unit.Messages("tcp", "rx", "ff ff 04 02")).size() >= 4; }, 5000));
  QCOMPARE(keys, (QList<QByteArray>{zam::BuildSpiKeyFrame(0x12), zam::BuildSpiKeyFrame(0xAC),
                                    zam::BuildSpiKeyFrame(0x61), zam::BuildSpiKeyFrame(0xB2)}));
  // Login first, with the password the unit expects sent as none.
  const QList<QByteArray> logins = unit.Messages("tcp", "rx", "ff ff 05 00");
  QCOMPARE(logins.size(), 1);
}

// --watch --json: one object a line, a reading a second, until SIGINT; then exit 0.
void TestKaymorctl::ledsWatchUntilInterrupted() {
  UnitSim unit;
  QVERIFY(unit.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--led", "0x02"}));
  QProcess p;
  p.start(kCtl, {"leds", QStringLiteral("127.0.0.1:%1").arg(unit.tcpPort()), "--watch", "--json"});
  QByteArray out;
  QVERIFY(QTest::qWaitFor([&] { return (out += p.readAllStandardOutput()).count('\n') >= 2; }, 15000));
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  QVERIFY(p.waitForFinished(5000));
  QCOMPARE(p.exitStatus(), QProcess::NormalExit);
  QCOMPARE(p.exitCode(), 0);
  out += p.readAllStandardOutput();
  const QList<QByteArray> lines = out.trimmed().split('\n');
  QVERIFY(lines.size() >= 2);
  for (const QByteArray& line : lines)
    QCOMPARE(QJsonDocument::fromJson(line).object(),
             (QJsonObject{{"bits", "0x02"}, {"lit", QJsonArray{"play"}}}));
  // One LED request a second, not more.
  QVERIFY(unit.Messages("tcp", "rx", "ff ff 05 02").size() <= lines.size() + 1);
}

// The address book: an entry by serial number or model, its password and port.
void TestKaymorctl::unitByAddressBookEntry_data() {
  QTest::addColumn<QString>("entries");  // IP lines, {port} for the simulator's
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exit");
  QTest::addColumn<QString>("expect");
  const QString one = "Total=1\nIP0=\"127.0.0.1,ZAM4,SIM0000001,abcd,{port}\"\n";
  const QString wrongPassword = "Total=1\nIP0=\"127.0.0.1,ZAM4,SIM0000001,wxyz,{port}\"\n";
  const QString twoModels =
      "Total=2\nIP0=\"127.0.0.1,ZAM4,SIM0000001,abcd,{port}\"\nIP1=\"127.0.0.2,ZAM4,SIM0000002,abcd,{port}\"\n";
  QTest::newRow("by serial") << one << QStringList{"info", "SIM0000001"} << 0 << "Name: Sim Unit";
  QTest::newRow("by model, any case") << one << QStringList{"info", "zam4"} << 0 << "Name: Sim Unit";
  QTest::newRow("entry password wrong") << wrongPassword << QStringList{"info", "SIM0000001"} << 1
                                        << "Invalid password";
  QTest::newRow("option over entry") << wrongPassword << QStringList{"info", "SIM0000001", "--password", "abcd"} << 0
                                     << "Name: Sim Unit";
  QTest::newRow("model of two entries") << twoModels << QStringList{"info", "ZAM4"} << 1 << "serial number";
  QTest::newRow("serial among two") << twoModels << QStringList{"--json", "info", "SIM0000001"} << 0
                                    << R"("name":"Sim Unit")";
  QTest::newRow("unknown entry") << one << QStringList{"info", "NOSUCHUNIT", "--json"} << 1
                                 << "no address-book entry";
}

void TestKaymorctl::unitByAddressBookEntry() {
  QFETCH(QString, entries);
  QFETCH(QStringList, args);
  QFETCH(int, exit);
  QFETCH(QString, expect);
  UnitSim unit;
  QVERIFY(unit.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--password", "abcd"}));
  WriteSettings("[IPAddressList]\n" + QString(entries).replace("{port}", QString::number(unit.tcpPort())));
  // A name that is no entry is looked up as a host name: only where nothing leaves.
  const bool lookup = QTest::currentDataTag() == QByteArray("unknown entry");
  if (lookup && !lab_) QSKIP(qPrintable(why_));
  Check(Ctl(args, lookup ? QStringLiteral("L") : QString()), exit, expect, args.contains("--json"));
}

void TestKaymorctl::settingsFileIsNeverWritten() {
  UnitSim unit;
  QVERIFY(unit.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--led", "0x01"}));
  // An old three-field entry, which the window upgrades in its slot.
  const QString text = QStringLiteral("[IPAddressList]\nTotal=1\nIP0=\"127.0.0.1,ZAM4,SIM0000001\"\n"
                                      "Password=\n\n[RS-232]\nBaudRate=9600\n");
  WriteSettings(text);
  const QString address = QStringLiteral("127.0.0.1:%1").arg(unit.tcpPort());
  for (const QStringList& args : {QStringList{"info", address}, QStringList{"leds", address},
                                  QStringList{"keys", address, "menu"}, QStringList{"reboot", address, "--yes"}})
    QCOMPARE(Ctl(args).exit, 0);
  QFile f(SettingsPath());
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(f.readAll()), text);
}

// Two units A and B; {a}, {b}: their addresses, {file}: a backup file of
// the test's, {closed}: an address nobody listens on. The command in
// "before" runs first and must succeed.
void TestKaymorctl::settingsCommands_data() {
  QTest::addColumn<QStringList>("sim");  // more options of unit A
  QTest::addColumn<QStringList>("before");
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exit");
  QTest::addColumn<QString>("expect");  // in standard output or error; in the document with --json
  const QStringList none;
  const QStringList get = {"settings", "get", "{a}"};
  QTest::newRow("get") << none << none << get << 0 << "camera.4.title: Camera 4\nclock: ";
  QTest::newRow("get json") << none << none << get + QStringList{"--json"} << 0
                            << R"("camera.2.title":"Camera 2")";
  QTest::newRow("backup, then diff with it") << none << get + QStringList{"-o", "{file}"}
                                             << QStringList{"settings", "diff", "{a}", "{file}"} << 0 << "";
  QTest::newRow("backup differs from other unit") << none << get + QStringList{"-o", "{file}"}
                                                  << QStringList{"settings", "diff", "{b}", "{file}"} << 1
                                                  << "camera.2.title: Gate | Camera 2";
  QTest::newRow("set shows the change") << none << none
                                        << QStringList{"settings", "set", "{a}", "camera.2.title=Gate"} << 0
                                        << "camera.2.title: Gate";
  QTest::newRow("set, then get") << none << QStringList{"settings", "set", "{a}", "camera.2.title=Gate"} << get
                                 << 0 << "camera.2.title: Gate\n";
  QTest::newRow("set two, json") << none << none
                                 << QStringList{"--json", "settings", "set", "{a}", "camera.1.title=Door",
                                                "date_format=DD/MM/YY"}
                                 << 0 << R"({"changed":{"camera.1.title":"Door","date_format":"DD/MM/YY"}})";
  QTest::newRow("set from a file") << none << QStringList{"settings", "get", "{b}", "-o", "{file}"}
                                   << QStringList{"settings", "set", "{a}", "--from", "{file}"} << 0
                                   << "camera.2.title: Gate";
  QTest::newRow("kept wrongly") << QStringList{"--combo-store-fault", "930"} << none
                                << QStringList{"settings", "set", "{a}", "camera.1.title=Door"} << 1
                                << "(date_format)";
  QTest::newRow("unknown field") << none << none << QStringList{"settings", "set", "{a}", "colour=red"} << 2
                                 << "unknown field \"colour\"; the fields are: camera.N.title clock";
  QTest::newRow("bad choice") << none << none << QStringList{"settings", "set", "{a}", "date_format=soon"} << 2
                              << "date_format takes one of: ";
  QTest::newRow("title too long") << none << none
                                  << QStringList{"settings", "set", "{a}", "camera.2.title=12345678901234567"} << 2
                                  << "camera.2.title: ";
  QTest::newRow("no change given") << none << none << QStringList{"settings", "set", "{a}"} << 2
                                   << "usage: kaymorctl settings set";
  QTest::newRow("two units differ") << none << none << QStringList{"settings", "diff", "{a}", "{b}"} << 1
                                    << "camera.2.title: Camera 2 | Gate\n";
  QTest::newRow("two units differ, json") << none << none << QStringList{"settings", "diff", "{a}", "{b}", "--json"}
                                          << 1 << R"([{"field":"camera.2.title","label":)";
  QTest::newRow("wrong password") << none << none << get + QStringList{"--password", "nope"} << 1
                                  << "Invalid password";
  QTest::newRow("set, wrong password") << none << none
                                       << QStringList{"settings", "set", "{a}", "camera.2.title=X", "--password",
                                                      "nope", "--json"}
                                       << 1 << "Invalid password";
  QTest::newRow("unreachable") << none << none << QStringList{"settings", "get", "{closed}"} << 1
                               << "No connection to 127.0.0.1 at port";
  QTest::newRow("missing file") << none << none << QStringList{"settings", "diff", "{a}", "gone.kayset"} << 1
                                << "gone.kayset";
  QTest::newRow("damaged file") << none << none << QStringList{"settings", "set", "{a}", "--from", "{junk}"} << 1
                                << "junk";
}

void TestKaymorctl::settingsCommands() {
  REQUIRE_PING();
  QFETCH(QStringList, sim);
  QFETCH(QStringList, before);
  QFETCH(QStringList, args);
  QFETCH(int, exit);
  QFETCH(QString, expect);
  // B differs from A in the second camera's title.
  UnitSim a, b;
  QVERIFY(a.Start(QStringList{"--tcp", "127.0.0.1:0", "--no-udp", "--clock-offset", "0"} + sim));
  QVERIFY(b.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--clock-offset", "0"}));
  const QString junk = dir_.filePath(QStringLiteral("junk.kayset"));
  {
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("{\"format\": 1");
  }
  const auto expand = [&](QStringList list) {
    list.replaceInStrings("{a}", QStringLiteral("127.0.0.1:%1").arg(a.tcpPort()));
    list.replaceInStrings("{b}", QStringLiteral("127.0.0.1:%1").arg(b.tcpPort()));
    list.replaceInStrings("{closed}", QStringLiteral("127.0.0.1:%1").arg(ClosedPort()));
    list.replaceInStrings("{file}", dir_.filePath(QStringLiteral("unit.kayset")));
    list.replaceInStrings("{junk}", junk);
    return list;
  };
  QFile::remove(dir_.filePath(QStringLiteral("unit.kayset")));
  Result r = Ctl(expand({"settings", "set", "{b}", "camera.2.title=Gate"}));
  QVERIFY2(r.exit == 0, r.err.constData());
  if (!before.isEmpty()) {
    r = Ctl(expand(before));
    QVERIFY2(r.exit == 0, r.err.constData());
  }
  r = Ctl(expand(args));
  QVERIFY2(r.exit == exit, qPrintable(QStringLiteral("exit %1; stdout [%2] stderr [%3]")
                                          .arg(r.exit)
                                          .arg(QString::fromLocal8Bit(r.out), QString::fromLocal8Bit(r.err))));
  if (args.contains("--json")) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, r.out.constData());
    QVERIFY2(QString::fromUtf8(doc.toJson(QJsonDocument::Compact)).contains(expect), r.out.constData());
  } else {
    QVERIFY2(QString::fromLocal8Bit(r.out + r.err).contains(expect), (r.out + r.err).constData());
    if (exit == 2) QCOMPARE(r.out, QByteArray());
  }
  if (exit == 0 && args.value(1) == QLatin1String("diff")) QCOMPARE(r.out, QByteArray());
}

// A unit three hours behind is put right and a silent one is named; the
// whole run fails for the one.
void TestKaymorctl::clockSync() {
  REQUIRE_PING();
  UnitSim unit;
  QVERIFY(unit.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--clock-offset", "-10800"}));
  const QString address = QStringLiteral("127.0.0.1:%1").arg(unit.tcpPort());
  const QString closed = QStringLiteral("127.0.0.1:%1").arg(ClosedPort());
  Result r = Ctl({"clock", "sync", address, closed});
  QVERIFY2(r.exit == 1, r.err.constData());
  static const QRegularExpression drift(QStringLiteral("^127\\.0\\.0\\.1:\\d+: the unit was "
                                                       "(2 h 59 min 5\\d s|3 h 0 min \\d s) behind"));
  QVERIFY2(drift.match(QString::fromLocal8Bit(r.out)).hasMatch(), r.out.constData());
  QVERIFY2(r.err.contains(closed.toLocal8Bit() + ": "), r.err.constData());
  // The clock now holds: a second run finds it right.
  r = Ctl({"clock", "sync", address, "--json"});
  QVERIFY2(r.exit == 0, r.err.constData());
  const QJsonArray units = QJsonDocument::fromJson(r.out).array();
  QCOMPARE(units.size(), 1);
  QVERIFY2(units[0].toObject().value("corrected").toString().contains(QRegularExpression("right|[0-2] s")),
           r.out.constData());
  // Every entry of the address book, which stays as it was.
  const QString book = QStringLiteral("[IPAddressList]\nTotal=1\nIP0=\"127.0.0.1,ZAM4,SIM0000001,qmpv,%1\"\n")
                           .arg(unit.tcpPort());
  WriteSettings(book);
  r = Ctl({"clock", "sync", "--all"});
  QVERIFY2(r.exit == 0, r.err.constData());
  QVERIFY2(r.out.startsWith(address.toLocal8Bit() + ": "), r.out.constData());
  QCOMPARE(Ctl({"clock", "sync"}).exit, 2);
  QFile f(SettingsPath());
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(f.readAll()), book);
}

// A password changed through an address-book entry is stored in that
// entry's slot; nothing else of the settings file changes. Through a bare
// address nothing is stored.
void TestKaymorctl::newPasswordGoesToTheEntryAlone() {
  REQUIRE_PING();
  UnitSim unit;
  QVERIFY(unit.Start({"--tcp", "127.0.0.1:0", "--no-udp", "--clock-offset", "0", "--combo-rows", "241",
                      "--password", "abcd"}));
  const QString book = QStringLiteral("[IPAddressList]\nTotal=2\nIP0=\"127.0.0.1,ZAM4,SIM0000001,abcd,%1\"\n"
                                      "IP1=\"127.0.0.2,ZAM4,SIM0000002\"\n\n[RS-232]\nBaudRate=9600\n")
                           .arg(unit.tcpPort());
  WriteSettings(book);
  Result r = Ctl({"settings", "set", QStringLiteral("127.0.0.1:%1").arg(unit.tcpPort()), "--password", "abcd",
                  "password=wxyz"});
  QVERIFY2(r.exit == 0, r.err.constData());
  QFile f(SettingsPath());
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(f.readAll()), book);
  f.close();
  const auto stored = [this] {
    QSettings ini(SettingsPath(), QSettings::IniFormat);
    QMap<QString, QString> values;
    for (const QString& key : ini.allKeys()) values.insert(key, ini.value(key).toString());
    return values;
  };
  QMap<QString, QString> expected = stored();
  expected["IPAddressList/IP0"].replace(",abcd,", ",efgh,");
  r = Ctl({"settings", "set", "SIM0000001", "--password", "wxyz", "password=efgh"});
  QVERIFY2(r.exit == 0, r.err.constData());
  QCOMPARE(stored(), expected);
  // The entry's new password logs in.
  QCOMPARE(Ctl({"settings", "get", "SIM0000001"}).exit, 0);
}

void TestKaymorctl::usage_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exit");
  QTest::addColumn<QString>("expect");
  QTest::newRow("no command") << QStringList{} << 2 << "no command given";
  QTest::newRow("unknown command") << QStringList{"explode"} << 2 << "unknown command";
  QTest::newRow("unknown command json") << QStringList{"explode", "--json"} << 2 << "unknown command";
  QTest::newRow("unknown option") << QStringList{"info", "127.0.0.1", "--frobnicate"} << 2 << "unknown option";
  QTest::newRow("option of another command") << QStringList{"info", "127.0.0.1", "--watch"} << 2
                                             << "info takes no option --watch";
  QTest::newRow("missing value") << QStringList{"keys", "127.0.0.1", "stop", "--gap"} << 2 << "--gap needs a value";
  QTest::newRow("unknown key") << QStringList{"keys", "127.0.0.1", "record", "eject"} << 2
                               << "unknown key \"eject\"; the keys are: record play reverse";
  QTest::newRow("unknown key json") << QStringList{"--json", "keys", "127.0.0.1", "eject"} << 2 << "unknown key";
  QTest::newRow("no key") << QStringList{"keys", "127.0.0.1"} << 2 << "no key given";
  QTest::newRow("too many arguments") << QStringList{"info", "127.0.0.1", "127.0.0.2"} << 2
                                      << "usage: kaymorctl info UNIT";
  QTest::newRow("reboot without yes") << QStringList{"reboot", "127.0.0.1"} << 2 << "--yes";
  QTest::newRow("setip without yes") << QStringList{"setip", "00-0A-1B-2C-3D-4E", "--ip", "10.0.0.5", "--mask",
                                                    "255.255.255.0", "--gateway", "10.0.0.1"}
                                     << 2 << "--yes";
  QTest::newRow("setip bad address") << QStringList{"setip", "00-0A-1B-2C-3D-4E", "--ip", "10.0.0.256", "--mask",
                                                    "255.255.255.0", "--gateway", "10.0.0.1", "--yes"}
                                     << 2 << "--ip needs a dotted address";
  QTest::newRow("setip bad MAC") << QStringList{"setip", "00-0A-1B", "--ip", "10.0.0.5", "--mask", "255.255.255.0",
                                                "--gateway", "10.0.0.1", "--yes"}
                                 << 2 << "not a MAC address";
  QTest::newRow("serial without subcommand") << QStringList{"serial"} << 2 << "serial needs a subcommand";
  QTest::newRow("bad serial port") << QStringList{"serial", "read", "COM99"} << 1 << "no such port: COM99";
  QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: kaymorctl COMMAND";
  QTest::newRow("command help") << QStringList{"keys", "--help"} << 0 << "alarm-sequence";
  QTest::newRow("help command") << QStringList{"help", "serial", "write"} << 0
                                << "Usage: kaymorctl serial write PORT";
  QTest::newRow("version") << QStringList{"--version"} << 0 << "kaymorctl 1.";
  QTest::newRow("settings without subcommand") << QStringList{"settings"} << 2 << "settings needs a subcommand";
  QTest::newRow("settings help") << QStringList{"settings", "set", "--help"} << 0
                                 << "Fields:\n  camera.N.title clock time_format";
  QTest::newRow("password without file") << QStringList{"settings", "get", "127.0.0.1", "--include-password"} << 2
                                         << "goes with -o FILE";
  QTest::newRow("diff needs two") << QStringList{"settings", "diff", "127.0.0.1"} << 2
                                  << "usage: kaymorctl settings diff UNIT (FILE | UNIT2)";
}

void TestKaymorctl::usage() {
  QFETCH(QStringList, args);
  QFETCH(int, exit);
  QFETCH(QString, expect);
  const Result r = Ctl(args);
  Check(r, exit, expect, args.contains("--json"));
  // Nothing was sent anywhere: the errors come before any connection.
  if (exit == 2 && !args.contains("--json")) QCOMPARE(r.out, QByteArray());
}

// The simulator on a pseudo-terminal at a rate the program has to find.
void TestKaymorctl::serialLine_data() {
  QTest::addColumn<QStringList>("args");  // {tty}: the simulator's terminal
  QTest::addColumn<int>("exit");
  QTest::addColumn<QString>("expect");
  QTest::addColumn<QByteArray>("received");  // a message the unit must have read
  QTest::newRow("keys") << QStringList{"keys", "--serial", "{tty}", "record", "stop", "--gap", "0"} << 0 << ""
                        << zam::BuildSerialMessage(1, 0x73, 0);
  QTest::newRow("leds json") << QStringList{"--json", "leds", "--serial", "{tty}"} << 0
                             << R"({"bits":"0x03","lit":["record","play"]})" << QByteArray();
  QTest::newRow("read") << QStringList{"serial", "read", "{tty}"} << 0 << "IP address: 10.1.2.3\nSubnet mask: 255.255.0.0"
                        << QByteArray();
  QTest::newRow("write") << QStringList{"serial", "write", "{tty}", "--ip", "10.9.8.7", "--mask", "255.255.255.0",
                                        "--gateway", "10.9.8.1", "--dhcp", "off"}
                         << 0 << "written"
                         << zam::BuildSettingsWrite(1, 0, {10, 9, 8, 7}, {255, 255, 255, 0}, {10, 9, 8, 1});
  QTest::newRow("no such device") << QStringList{"leds", "--serial", "/dev/kaymor-no-such-tty"} << 1
                                  << "no device /dev/kaymor-no-such-tty" << QByteArray();
}

void TestKaymorctl::serialLine() {
  QFETCH(QStringList, args);
  QFETCH(int, exit);
  QFETCH(QString, expect);
  QFETCH(QByteArray, received);
  const QString tty = dir_.filePath(QStringLiteral("ttyUnit"));
  UnitSim unit;
  QVERIFY(unit.Start({"--no-tcp", "--no-udp", "--pty", "--pty-link", tty, "--baud", "57600", "--led", "0x03",
                      "--ip", "10.1.2.3", "--mask", "255.255.0.0"}));
  // Keys and LEDs try the keyboard's rate (9600 unless stored) first, the
  // wrong one here; the network page uses the dialog's (57600 unless stored).
  args.replaceInStrings("{tty}", tty);
  Check(Ctl(args), exit, expect, args.contains("--json"));
  if (!received.isEmpty()) {
    const QByteArray hex = received.toHex(' ');
    QVERIFY2(QTest::qWaitFor([&] { return !unit.Messages("serial", "rx", hex).isEmpty(); }, 5000), hex.constData());
  }
}

// Inside K, with two units on its bridge.
void TestKaymorctl::discoverAndSetIp_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exit");
  QTest::addColumn<QString>("expect");
  QTest::addColumn<int>("flood");  // U1 answers as this many units
  QTest::addColumn<int>("lines");  // lines of text output, -1: not counted
  const QStringList setip = {"setip", "00-0A-FF-00-00-01", "--ip", "10.79.0.21", "--mask", "255.255.255.0",
                             "--gateway", "10.79.0.1", "--yes"};
  QTest::newRow("discover") << QStringList{"discover", "--timeout", "1"} << 0
                            << "10.79.0.11\tZAM-1\tZS-3001\t00-0A-FF-00-00-01\t1024\t0x81" << 0 << 2;
  QTest::newRow("discover json") << QStringList{"--json", "discover", "--timeout", "1"} << 0
                                 << R"({"address":"10.79.0.12","listenPort":1024,"mac":"00-0A-FF-00-00-02","model":"ZAM-2","serial":"ZS-3002","unitId":"0x80"})" << 0 << -1;
  QTest::newRow("discover other port") << QStringList{"discover", "--timeout", "1", "--port", "8093", "--json"} << 0
                                       << "[]" << 0 << -1;
  QTest::newRow("setip") << setip << 0 << "OK" << 0 << 1;
  QTest::newRow("setip wrong password") << setip + QStringList{"--password", "nope"} << 1 << "" << 0 << -1;
  QTest::newRow("setip unknown MAC") << QStringList{"setip", "00-0A-FF-00-00-09", "--ip", "10.79.0.21", "--mask",
                                                    "255.255.255.0", "--gateway", "10.79.0.1", "--yes", "--json"}
                                     << 1 << "no unit with MAC address 00-0A-FF-00-00-09 answered" << 0 << -1;
  QTest::newRow("fifty units and one") << QStringList{"discover", "--timeout", "2"} << 0 << "FLOOD000049" << 50
                                       << 51;
}

void TestKaymorctl::discoverAndSetIp() {
  if (!lab_) QSKIP(qPrintable(why_));
  QFETCH(QStringList, args);
  QFETCH(int, exit);
  QFETCH(QString, expect);
  QFETCH(int, flood);
  QFETCH(int, lines);
  std::vector<std::unique_ptr<UnitSim>> units;
  for (int i = 1; i <= 2; ++i) {
    auto sim = std::make_unique<UnitSim>();
    QStringList simArgs = {"--no-tcp", "--udp-address", "0.0.0.0", "--udp-port", "8092",
                                 "--ip", QStringLiteral("10.79.0.1%1").arg(i), "--serial", QStringLiteral("ZS-300%1").arg(i),
                                 "--model-name", QStringLiteral("ZAM-%1").arg(i), "--class", i == 1 ? "0x81" : "0x80",
                                 "--mac", QStringLiteral("00-0A-FF-00-00-0%1").arg(i), "--listen-port", "1024"};
    if (i == 1 && flood > 0) simArgs << "--discovery-flood" << QString::number(flood);
    QVERIFY(sim->Adopt(lab_->Start(QStringLiteral("U%1").arg(i), QStringLiteral(UNITSIM_PATH), simArgs + sim->LogArgs())));
    units.push_back(std::move(sim));
  }
  const Result r = Ctl(args, QStringLiteral("K"));
  Check(r, exit, expect, args.contains("--json"));
  if (lines >= 0) QCOMPARE(r.out.count('\n'), lines);
}

QTEST_GUILESS_MAIN(TestKaymorctl)
#include "tst_kaymorctl.moc"
