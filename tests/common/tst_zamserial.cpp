#include <QtTest>

#include "zamserial.h"

using namespace zam;
using Kind = SerialRequest::Kind;

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }
QByteArray Zeros(int n) { return QByteArray(n, '\0'); }

}  // namespace

Q_DECLARE_METATYPE(SerialRequest::Kind)

class TstZamSerial : public QObject {
  Q_OBJECT

 private slots:
  void mainWindowMessages_data();
  void mainWindowMessages();
  void settingsPageMessages_data();
  void settingsPageMessages();
  void settingsWrite();

  void repliesOfWrongSizeRefused_data();
  void repliesOfWrongSizeRefused();
  void infoBlock_data();
  void infoBlock();
  void unitBlock_data();
  void unitBlock();
  void ledAndAlarmBlocks();
  void settingsBlock();

  void parseRequest_data();
  void parseRequest();
  void parseRequestStream();
};

void TstZamSerial::mainWindowMessages_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<int>("code");
  QTest::addColumn<int>("block");
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("kind 1, Record") << 1 << 0x01 << 0 << QByteArray() << Hex("FF5501");
  QTest::newRow("kind 1, code 255") << 1 << 0xFF << 0 << QByteArray() << Hex("FF55FF");
  QTest::newRow("kind 1, code 256") << 1 << 256 << 0 << QByteArray() << QByteArray();
  QTest::newRow("kind 1, code -1") << 1 << -1 << 0 << QByteArray() << QByteArray();
  QTest::newRow("kind 2, block 0xB9")
      << 2 << 0 << 0xB9 << QByteArray() << Hex("FFBB11FFB9") + Zeros(17);
  QTest::newRow("kind 2, block 0x3B")
      << 2 << 0 << 0x3B << QByteArray() << Hex("FFBB11FF3B") + Zeros(17);
  QTest::newRow("kind 3, info block") << 3 << 0 << 1 << QByteArray() << Hex("FFDD11FF01") + Zeros(17);
  QTest::newRow("kind 5, reboot")
      << 5 << 0 << 5 << Hex("01") << Hex("FFCC11FF05 01") + Zeros(15) + Zeros(1);
  QTest::newRow("kind 5, 16 data bytes")
      << 5 << 0 << 0x20 << Hex("0102030405060708090A0B0C0D0E0F10")
      << Hex("FFCC11FF20 0102030405060708090A0B0C0D0E0F10 00");
  QTest::newRow("kind 5, extra data ignored")
      << 5 << 0 << 0x20 << Hex("0102030405060708090A0B0C0D0E0F1011")
      << Hex("FFCC11FF20 0102030405060708090A0B0C0D0E0F10 00");
  QTest::newRow("kind 4 builds nothing") << 4 << 1 << 5 << QByteArray() << QByteArray();
  QTest::newRow("kind 0 builds nothing") << 0 << 1 << 5 << QByteArray() << QByteArray();
}

void TstZamSerial::mainWindowMessages() {
  QFETCH(int, kind);
  QFETCH(int, code);
  QFETCH(int, block);
  QFETCH(QByteArray, data);
  QFETCH(QByteArray, expected);
  QCOMPARE(BuildSerialMessage(kind, code, quint8(block), data).toHex(' '), expected.toHex(' '));
}

void TstZamSerial::settingsPageMessages_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<int>("code");
  QTest::addColumn<int>("block");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("kind 1") << 1 << 0x2A << 0 << Hex("FF552A");
  QTest::newRow("kind 2, read 0xC2") << 2 << 0 << 0xC2 << Hex("FFBB11FFC2") + Zeros(17);
  QTest::newRow("kind 3") << 3 << 0 << 1 << Hex("FFDD11FF01") + Zeros(17);
  QTest::newRow("kind 4") << 4 << 7 << 0xC2 << Hex("FFAA11FEC207") + Zeros(16);
  QTest::newRow("kind 5, after a write") << 5 << 0 << 5 << Hex("FFCC11FE0500") + Zeros(16);
  QTest::newRow("kind 5, reboot") << 5 << 1 << 5 << Hex("FFCC11FE0501") + Zeros(16);
  QTest::newRow("kind 6") << 6 << 1 << 5 << QByteArray();
}

void TstZamSerial::settingsPageMessages() {
  QFETCH(int, kind);
  QFETCH(int, code);
  QFETCH(int, block);
  QFETCH(QByteArray, expected);
  QCOMPARE(BuildPortMessage(kind, quint8(code), quint8(block)).toHex(' '), expected.toHex(' '));
}

void TstZamSerial::settingsWrite() {
  const QByteArray m = BuildSettingsWrite(1, 0, {192, 168, 1, 20}, {255, 255, 255, 0}, {192, 168, 1, 1});
  QCOMPARE(m.toHex(' '), Hex("FFAA11FEC2 0100 C0A80114 FFFFFF00 C0A80101 000000").toHex(' '));
}

void TstZamSerial::repliesOfWrongSizeRefused_data() {
  QTest::addColumn<int>("size");
  QTest::newRow("empty") << 0;
  QTest::newRow("15 bytes") << 15;
  QTest::newRow("17 bytes") << 17;
  QTest::newRow("22 bytes") << 22;
}

void TstZamSerial::repliesOfWrongSizeRefused() {
  QFETCH(int, size);
  const QByteArray reply(size, '\x01');
  QVERIFY(!ParseInfoBlock(reply));
  QVERIFY(!ParseUnitBlock(reply));
  QVERIFY(!ParseAlarmBlock(reply));
  QVERIFY(!ParseLedBlock(reply, true));
  QVERIFY(!ParseLedBlock(reply, false));
  QVERIFY(!ParseSettingsBlock(reply));
}

void TstZamSerial::infoBlock_data() {
  QTest::addColumn<QByteArray>("reply");
  QTest::addColumn<QString>("mac");
  QTest::addColumn<QString>("version");
  QTest::addColumn<QString>("modelId");
  QTest::newRow("1.20, 0169") << Hex("000A1B2C3D4E 0114 0114 0169 00000000") << "00-0A-1B-2C-3D-4E"
                              << "1.20" << "0169";
  QTest::newRow("1.05, 0175") << Hex("FFEEDDCCBBAA 0105 0000 0175 00000000") << "FF-EE-DD-CC-BB-AA"
                              << "1.05" << "0175";
  QTest::newRow("12.100, 0ABC") << Hex("000000000000 0C64 0000 0ABC 00000000") << "00-00-00-00-00-00"
                                << "12.100" << "0ABC";
  QTest::newRow("built by the unit side")
      << BuildInfoBlock(Hex("000A1B2C3D4E"), 1, 40, 0x0175) << "00-0A-1B-2C-3D-4E" << "1.40" << "0175";
}

void TstZamSerial::infoBlock() {
  QFETCH(QByteArray, reply);
  const auto b = ParseInfoBlock(reply);
  QVERIFY(b);
  QTEST(b->macAddress, "mac");
  QTEST(b->version, "version");
  QTEST(b->modelId, "modelId");
}

void TstZamSerial::unitBlock_data() {
  QTest::addColumn<QByteArray>("reply");
  QTest::addColumn<int>("unitType");
  QTest::addColumn<QString>("name");
  QTest::newRow("name ends at 00") << QByteArray("\x04\x00  Lobby  \x00XYZ\x00", 16) << 4 << "Lobby";
  QTest::newRow("14 characters") << QByteArray("\x01\x00" "ABCDEFGHIJKLMN", 16) << 1 << "ABCDEFGHIJKLMN";
  QTest::newRow("built by the unit side")
      << BuildUnitBlock(4, "A name longer than fourteen") << 4 << "A name longer";
}

void TstZamSerial::unitBlock() {
  QFETCH(QByteArray, reply);
  QCOMPARE(reply.size(), 16);
  const auto b = ParseUnitBlock(reply);
  QVERIFY(b);
  QTEST(int(b->unitType), "unitType");
  QTEST(b->name, "name");
}

void TstZamSerial::ledAndAlarmBlocks() {
  QByteArray reply = Zeros(16);
  reply[9] = char(0x12);
  reply[10] = char(0x02);
  reply[15] = char(0x80);
  QCOMPARE(ParseLedBlock(reply, true), std::optional<quint8>(0x12));
  QCOMPARE(ParseLedBlock(reply, false), std::optional<quint8>(0x80));
  QCOMPARE(ParseAlarmBlock(reply), std::optional<quint8>(0x02));

  QCOMPARE(ParseLedBlock(BuildLedBlock(0x5A, true), true), std::optional<quint8>(0x5A));
  QCOMPARE(ParseLedBlock(BuildLedBlock(0x5A, false), false), std::optional<quint8>(0x5A));
  QCOMPARE(ParseLedBlock(BuildLedBlock(0x5A, false), true), std::optional<quint8>(0));
  QCOMPARE(ParseAlarmBlock(BuildAlarmBlock(1)), std::optional<quint8>(1));
}

void TstZamSerial::settingsBlock() {
  const QByteArray reply = Hex("01 00 C0 A8 01 14 FF FF FF 00 C0 A8 01 01 00 00");
  const auto s = ParseSettingsBlock(reply);
  QVERIFY(s);
  QCOMPARE(int(s->ethernetMode), 1);
  QCOMPARE(int(s->dhcpMode), 0);
  QCOMPARE(s->ipAddress, QStringLiteral("192.168.1.20"));
  QCOMPARE(s->subnetMask, QStringLiteral("255.255.255.0"));
  QCOMPARE(s->gateway, QStringLiteral("192.168.1.1"));
  QCOMPARE(BuildSettingsBlock(1, 0, {192, 168, 1, 20}, {255, 255, 255, 0}, {192, 168, 1, 1}), reply);
}

void TstZamSerial::parseRequest_data() {
  QTest::addColumn<QByteArray>("stream");
  QTest::addColumn<int>("used");
  QTest::addColumn<SerialRequest::Kind>("kind");
  QTest::addColumn<int>("block");
  QTest::addColumn<int>("code");
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<bool>("settingsPage");

  const QByteArray sixteen = Hex("0102030405060708090A0B0C0D0E0F10");
  QTest::newRow("key") << BuildSerialMessage(1, 0x73, 0) << 3 << Kind::Key << 0 << 0x73
                       << QByteArray() << false;
  QTest::newRow("read block") << BuildSerialMessage(2, 0, 0xB9) << 22 << Kind::ReadBlock << 0xB9
                              << 0 << QByteArray() << false;
  QTest::newRow("read info") << BuildSerialMessage(3, 0, 1) << 22 << Kind::ReadInfo << 1 << 0
                             << QByteArray() << false;
  QTest::newRow("write block") << BuildSerialMessage(5, 0, 5, sixteen) << 22 << Kind::WriteBlock
                               << 5 << 0 << sixteen << false;
  QTest::newRow("settings page read") << BuildPortMessage(2, 0, 0xC2) << 22 << Kind::ReadBlock
                                      << 0xC2 << 0 << QByteArray() << false;
  QTest::newRow("settings page reboot") << BuildPortMessage(5, 1, 5) << 22 << Kind::PortCommand
                                        << 5 << 1 << QByteArray() << true;
  QTest::newRow("settings write")
      << BuildSettingsWrite(1, 0, {192, 168, 1, 20}, {255, 255, 255, 0}, {192, 168, 1, 1}) << 22
      << Kind::WriteSettings << 0xC2 << 1 << Hex("0100 C0A80114 FFFFFF00 C0A80101") << true;
  QTest::newRow("a message and the next") << Hex("FF5501 FF5573") << 3 << Kind::Key << 0 << 1
                                          << QByteArray() << false;

  QTest::newRow("empty") << QByteArray() << 0 << Kind::Unknown << 0 << 0 << QByteArray() << false;
  QTest::newRow("key, 2 of 3 bytes") << Hex("FF55") << 0 << Kind::Unknown << 0 << 0 << QByteArray()
                                     << false;
  QTest::newRow("block read, 21 of 22 bytes")
      << BuildSerialMessage(2, 0, 0xB9).left(21) << 0 << Kind::Unknown << 0 << 0 << QByteArray()
      << false;
  QTest::newRow("garbage before a message") << Hex("0001 FF5501") << 2 << Kind::Unknown << 0 << 0
                                            << QByteArray() << false;
  QTest::newRow("garbage only") << Hex("000102") << 3 << Kind::Unknown << 0 << 0 << QByteArray()
                                << false;
  QTest::newRow("doubled FF") << Hex("FFFF5501") << 1 << Kind::Unknown << 0 << 0 << QByteArray()
                              << false;
  QTest::newRow("unknown marker") << Hex("FF12 0000 FF55") << 4 << Kind::Unknown << 0 << 0
                                  << QByteArray() << false;
  QTest::newRow("bad third byte") << Hex("FFBB12FF") << 3 << Kind::Unknown << 0 << 0 << QByteArray()
                                  << false;
  QTest::newRow("bad fourth byte") << Hex("FFBB1100 FF5501") << 4 << Kind::Unknown << 0 << 0
                                   << QByteArray() << false;
}

void TstZamSerial::parseRequest() {
  QFETCH(QByteArray, stream);
  SerialRequest r;
  r.kind = Kind::Key;  // must be overwritten
  QTEST(ParseSerialRequest(stream, r), "used");
  QTEST(r.kind, "kind");
  QTEST(int(r.block), "block");
  QTEST(int(r.code), "code");
  QTEST(r.data, "data");
  QTEST(r.settingsPage, "settingsPage");
}

void TstZamSerial::parseRequestStream() {
  // A stream cut anywhere yields the same requests once the rest arrives.
  const QByteArray stream = Hex("00") + BuildSerialMessage(3, 0, 1) + BuildSerialMessage(1, 0x01, 0) +
                            BuildPortMessage(5, 1, 5) + BuildSerialMessage(2, 0, 0xB6);
  QList<Kind> kinds;
  QByteArray pending;
  for (char c : stream) {
    pending.append(c);
    for (;;) {
      SerialRequest r;
      const int used = ParseSerialRequest(pending, r);
      if (used == 0) break;
      if (r.kind != Kind::Unknown) kinds << r.kind;
      pending.remove(0, used);
    }
  }
  QVERIFY(pending.isEmpty());
  QCOMPARE(kinds, (QList<Kind>{Kind::ReadInfo, Kind::Key, Kind::PortCommand, Kind::ReadBlock}));
}

QTEST_GUILESS_MAIN(TstZamSerial)
#include "tst_zamserial.moc"
