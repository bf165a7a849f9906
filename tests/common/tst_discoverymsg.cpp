#include <QtTest>

#include "discoverymsg.h"

using namespace zam;

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

QByteArray Padded(const QByteArray& text, int width) {
  QByteArray b = text;
  b.resize(width, '\0');
  return b;
}

DiscoveryReplyFields Unit() {
  DiscoveryReplyFields f;
  f.unitId = 0x81;
  f.ip[0] = 10;
  f.ip[1] = 0;
  f.ip[2] = 0;
  f.ip[3] = 5;
  f.modelName = " ZAM4 DVR ";
  f.serialNo = "SN-0042";
  f.mac = Hex("000AFF123456");
  f.streamMode = 2;
  f.versionMajor = 1;
  f.versionMinor = 40;
  f.versionSuffix = 'b';
  f.listenPort = 1024;
  return f;
}

DISCOVER_SET_IP_REQ SetIp() {
  DISCOVER_SET_IP_REQ r;
  r.MACAddress = QStringLiteral("00-0A-FF-12-34-56");
  r.Password = QStringLiteral("abc");
  r.DHCP = 1;
  r.IPAddress = QStringLiteral("192.168.1.20");
  r.SubnetMask = QStringLiteral("255.255.255.0");
  r.Gateway = QStringLiteral("192.168.1.1");
  r.CtrlPort_Rx = 1024;
  r.CtrlPort_Tx = 1025;
  return r;
}

}  // namespace

Q_DECLARE_METATYPE(zam::DISCOVER_SET_IP_REQ)

class TstDiscoveryMsg : public QObject {
  Q_OBJECT

 private slots:
  void request();
  void datagramRecognised_data();
  void datagramRecognised();
  void tables_data();
  void tables();
  void unitIdToken_data();
  void unitIdToken();

  void responseByLength_data();
  void responseByLength();
  void responseCommonFields();
  void versionSuffixNul();
  void shortOrForeignRepliesRefused_data();
  void shortOrForeignRepliesRefused();
  void textFields_data();
  void textFields();

  void setIpRequest_data();
  void setIpRequest();
  void setIpRequestRoundTrip();
  void setIpResponse_data();
  void setIpResponse();
};

void TstDiscoveryMsg::request() {
  QCOMPARE(BuildDiscoveryRequest(), Hex("FFFFCCCC0100"));
  QCOMPARE(BuildSetIpResponse(1), Hex("FFFFCCCC016601"));
}

void TstDiscoveryMsg::datagramRecognised_data() {
  QTest::addColumn<QByteArray>("datagram");
  QTest::addColumn<bool>("ours");
  QTest::addColumn<int>("type");  // -1: none
  QTest::newRow("request") << Hex("FFFFCCCC0100") << true << 0x0100;
  QTest::newRow("set-IP reply") << Hex("FFFFCCCC016600") << true << 0x0166;
  QTest::newRow("byte 4 not 01") << Hex("FFFFCCCC0264") << false << 0x0264;
  QTest::newRow("wrong marker") << Hex("FFFFCCCD0164") << false << 0x0164;
  QTest::newRow("5 bytes") << Hex("FFFFCCCC01") << true << -1;
  QTest::newRow("4 bytes") << Hex("FFFFCCCC") << false << -1;
}

void TstDiscoveryMsg::datagramRecognised() {
  QFETCH(QByteArray, datagram);
  QFETCH(int, type);
  QTEST(IsDiscoveryDatagram(datagram), "ours");
  const auto t = DatagramType(datagram);
  QCOMPARE(t.has_value(), type >= 0);
  if (t) QCOMPARE(int(*t), type);
}

void TstDiscoveryMsg::tables_data() {
  QTest::addColumn<int>("value");
  QTest::addColumn<QString>("unitId");
  QTest::addColumn<QString>("streamMode");
  QTest::newRow("0") << 0 << "" << "Disable";
  QTest::newRow("1") << 1 << "" << "Receiver";
  QTest::newRow("2") << 2 << "" << "Sender";
  QTest::newRow("3") << 3 << "" << "Codec";
  QTest::newRow("4") << 4 << "" << "";
  QTest::newRow("0x80") << 0x80 << "ZAM1" << "";
  QTest::newRow("0x81") << 0x81 << "ZAM4" << "";
  QTest::newRow("0x82") << 0x82 << "CODEC" << "";
  QTest::newRow("0x83") << 0x83 << "IPCAM" << "";
  QTest::newRow("0x84") << 0x84 << "" << "";
}

void TstDiscoveryMsg::tables() {
  QFETCH(int, value);
  QTEST(UnitIDText(quint8(value)), "unitId");
  QTEST(StreamModeText(quint8(value)), "streamMode");
}

void TstDiscoveryMsg::unitIdToken_data() {
  QTest::addColumn<int>("id");
  QTest::addColumn<QString>("token");
  QTest::newRow("0x8A") << 0x8A << "0x8A";
  QTest::newRow("0x80") << 0x80 << "0x80";
  QTest::newRow("0x05") << 0x05 << "0x05";
}

void TstDiscoveryMsg::unitIdToken() {
  QFETCH(int, id);
  QTEST(UnitIDToken(quint8(id)), "token");
}

void TstDiscoveryMsg::responseByLength_data() {
  QTest::addColumn<int>("length");
  QTest::addColumn<QString>("version");
  QTest::addColumn<QString>("mac");
  QTest::addColumn<int>("streamMode");
  QTest::addColumn<QString>("streamText");
  QTest::addColumn<int>("listenPort");
  QTest::newRow("63") << 63 << "1.20" << "N/A" << 0 << "" << 0;
  QTest::newRow("64") << 64 << "Unknown" << "" << 0 << "" << 0;
  QTest::newRow("70") << 70 << "1.30" << "00-0A-FF-12-34-56" << 2 << "Sender" << 0;
  QTest::newRow("71") << 71 << "Unknown" << "00-0A-FF-12-34-56" << 2 << "Sender" << 0;
  QTest::newRow("72") << 72 << "Unknown" << "00-0A-FF-12-34-56" << 2 << "Sender" << 0;
  QTest::newRow("73") << 73 << "1.40b" << "00-0A-FF-12-34-56" << 2 << "Sender" << 0;
  QTest::newRow("76") << 76 << "1.40b" << "00-0A-FF-12-34-56" << 2 << "Sender" << 0;
  QTest::newRow("77") << 77 << "1.40b" << "00-0A-FF-12-34-56" << 2 << "Sender" << 1024;
  QTest::newRow("90") << 90 << "1.40b" << "00-0A-FF-12-34-56" << 2 << "Sender" << 1024;
}

void TstDiscoveryMsg::responseByLength() {
  QFETCH(int, length);
  const QByteArray d = BuildDiscoveryResponse(Unit(), length);
  QCOMPARE(d.size(), qsizetype(length));
  const auto u = ParseDiscoveryResponse(d);
  QVERIFY(u);
  QTEST(u->Version, "version");
  QTEST(u->MACAddress, "mac");
  QTEST(int(u->StreamModeVal), "streamMode");
  QTEST(u->StreamModeStr, "streamText");
  QTEST(u->ListenPort, "listenPort");
  QCOMPARE(u->SerialNo, QStringLiteral("SN-0042"));
}

void TstDiscoveryMsg::responseCommonFields() {
  const QByteArray d = BuildDiscoveryResponse(Unit());
  const QByteArray expected = Hex("FFFFCCCC0164 81 0A000005") + Padded(" ZAM4 DVR ", 20) +
                             Padded("SN-0042", 32) + Hex("000AFF123456 02 01 28 62 00000400");
  QCOMPARE(d.toHex(' '), expected.toHex(' '));
  const auto u = ParseDiscoveryResponse(d);
  QVERIFY(u);
  QCOMPARE(int(u->UnitIDVal), 0x81);
  QCOMPARE(u->UnitIDStr, QStringLiteral("ZAM4"));
  QCOMPARE(u->IPAddress, QStringLiteral("10.0.0.5"));
  QCOMPARE(u->ModelName, QStringLiteral("ZAM4 DVR"));
  QCOMPARE(u->SerialNo, QStringLiteral("SN-0042"));
  QVERIFY(!u->Tag.isValid());
  QCOMPARE(DiscoverySerialNo(d), QStringLiteral("SN-0042"));
}

void TstDiscoveryMsg::versionSuffixNul() {
  DiscoveryReplyFields f = Unit();
  f.versionSuffix = '\0';
  const auto u = ParseDiscoveryResponse(BuildDiscoveryResponse(f, 73));
  QVERIFY(u);
  QCOMPARE(u->Version, QStringLiteral("1.40") + QChar(u'\0'));
  QCOMPARE(u->Version.size(), 5);
}

void TstDiscoveryMsg::shortOrForeignRepliesRefused_data() {
  QTest::addColumn<QByteArray>("datagram");
  const QByteArray reply = BuildDiscoveryResponse(Unit());
  QTest::newRow("30 bytes") << reply.left(30);
  QTest::newRow("header only") << reply.left(6);
  QTest::newRow("set-IP reply type") << Hex("FFFFCCCC0166") + reply.mid(6);
  QTest::newRow("byte 4 not 01") << Hex("FFFFCCCC0264") + reply.mid(6);
  QTest::newRow("foreign marker") << Hex("FFFFCCCD0164") + reply.mid(6);
  QTest::newRow("empty") << QByteArray();
}

void TstDiscoveryMsg::shortOrForeignRepliesRefused() {
  QFETCH(QByteArray, datagram);
  QVERIFY(!ParseDiscoveryResponse(datagram));
}

void TstDiscoveryMsg::textFields_data() {
  QTest::addColumn<QByteArray>("datagram");
  QTest::addColumn<QString>("model");
  QTest::addColumn<QString>("serial");
  QTest::addColumn<QString>("version");
  const QByteArray head = Hex("FFFFCCCC0164 80 7F000001");
  const QByteArray model20 = "ABCDEFGHIJKLMNOPQRST";
  QTest::newRow("31 bytes: no serial") << head + model20 << "ABCDEFGHIJKLMNOPQRST" << ""
                                       << "Unknown";
  QTest::newRow("serial runs to the end without 00")
      << head + QByteArray("  M1", 4) + QByteArray(16, '\0') + "  SER 9 " << "M1" << "SER 9"
      << "Unknown";
  DiscoveryReplyFields f = Unit();
  f.serialNo = QByteArray(32, 'S');
  f.mac = QByteArray("ABC\0\0\0", 6);
  QTest::newRow("serial without 00 runs into the MAC")
      << BuildDiscoveryResponse(f, 77) << "ZAM4 DVR" << QString(32, u'S') + QStringLiteral("ABC")
      << "1.40b";
}

void TstDiscoveryMsg::textFields() {
  QFETCH(QByteArray, datagram);
  const auto u = ParseDiscoveryResponse(datagram);
  QVERIFY(u);
  QTEST(u->ModelName, "model");
  QTEST(u->SerialNo, "serial");
  QTEST(u->Version, "version");
}

void TstDiscoveryMsg::setIpRequest_data() {
  QTest::addColumn<DISCOVER_SET_IP_REQ>("req");
  QTest::addColumn<int>("fallback");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("full") << SetIp() << 8090
                        << Hex("FFFFCCCC0102 000AFF123456 000EF420 01 C0A80114 FFFFFF00 C0A80101 "
                               "0400 0401");
  DISCOVER_SET_IP_REQ tx0 = SetIp();
  tx0.CtrlPort_Tx = 0;
  QTest::newRow("transmit port 0: the socket's") << tx0 << 8090
                                                 << Hex("FFFFCCCC0102 000AFF123456 000EF420 01 "
                                                        "C0A80114 FFFFFF00 C0A80101 0400 1F9A");
  DISCOVER_SET_IP_REQ bad = SetIp();
  bad.MACAddress = QStringLiteral("zz-0A-FF-1");
  bad.Password = QStringLiteral("abcde");
  bad.DHCP = 0;
  bad.IPAddress = QStringLiteral("1.2.300");
  bad.SubnetMask = QStringLiteral("");
  bad.Gateway = QStringLiteral("a.b.c.d.5");
  bad.CtrlPort_Rx = 0x12345;
  QTest::newRow("unconvertible parts are 0")
      << bad << 8090
      << Hex("FFFFCCCC0102 000AFF010000 00000000 00 01020000 00000000 00000000 2345 0401");
}

void TstDiscoveryMsg::setIpRequest() {
  QFETCH(DISCOVER_SET_IP_REQ, req);
  QFETCH(int, fallback);
  QFETCH(QByteArray, expected);
  const QByteArray d = BuildSetIpRequest(req, quint16(fallback));
  QCOMPARE(d.size(), 33);
  QCOMPARE(d.toHex(' '), expected.toHex(' '));
}

void TstDiscoveryMsg::setIpRequestRoundTrip() {
  const QByteArray d = BuildSetIpRequest(SetIp(), 8090);
  const auto f = ParseSetIpRequest(d);
  QVERIFY(f);
  QCOMPARE(f->mac, Hex("000AFF123456"));
  QCOMPARE(f->passwordCode, 980000);
  QCOMPARE(int(f->dhcp), 1);
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(f->ip), 4), Hex("C0A80114"));
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(f->mask), 4), Hex("FFFFFF00"));
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(f->gateway), 4), Hex("C0A80101"));
  QCOMPARE(int(f->ctrlPortRx), 1024);
  QCOMPARE(int(f->ctrlPortTx), 1025);
  QVERIFY(!ParseSetIpRequest(d.left(32)));
  QVERIFY(!ParseSetIpRequest(BuildDiscoveryResponse(Unit())));
}

void TstDiscoveryMsg::setIpResponse_data() {
  QTest::addColumn<QByteArray>("datagram");
  QTest::addColumn<int>("result");  // -1: none
  QTest::addColumn<QString>("text");
  QTest::newRow("set OK") << BuildSetIpResponse(0) << 0 << "0 - Set OK";
  QTest::newRow("invalid password") << BuildSetIpResponse(1) << 1 << "1 - Invalid Password";
  QTest::newRow("other result") << BuildSetIpResponse(7) << 7 << "";
  QTest::newRow("longer reply") << Hex("FFFFCCCC0166 01 000000") << 1 << "1 - Invalid Password";
  QTest::newRow("6 bytes") << Hex("FFFFCCCC0166") << -1 << "";
  QTest::newRow("discovery reply") << Hex("FFFFCCCC0164 00") << -1 << "";
}

void TstDiscoveryMsg::setIpResponse() {
  QFETCH(QByteArray, datagram);
  QFETCH(int, result);
  const auto r = ParseSetIpResponse(datagram);
  QCOMPARE(r.has_value(), result >= 0);
  if (r) {
    QCOMPARE(int(*r), result);
    QTEST(SetIpResultText(*r), "text");
  }
}

QTEST_GUILESS_MAIN(TstDiscoveryMsg)
#include "tst_discoverymsg.moc"
