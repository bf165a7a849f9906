#include <QtTest>

#include "zamtcp.h"

using namespace zam;

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// A status reply as a unit sends it.
QByteArray Status(quint8 unitType = 4) {
  StatusFields f;
  f.name = "Front door";
  f.mac = Hex("000A1B2C3D4E");
  f.unitType = unitType;
  return BuildStatusReply(f);
}

// Splits bytes at the given offsets.
QList<QByteArray> Cut(const QByteArray& bytes, const QList<int>& cuts) {
  QList<QByteArray> chunks;
  int from = 0;
  for (int at : cuts) {
    chunks << bytes.mid(from, at - from);
    from = at;
  }
  chunks << bytes.mid(from);
  return chunks;
}

// A header announcing `length` payload bytes of type 0x69010000.
QByteArray HeaderWithLength(quint32 length) {
  QByteArray h = Hex("FFFF6901");
  h.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
  return h;
}

}  // namespace

class TstZamTcp : public QObject {
  Q_OBJECT

 private slots:
  void buildFrames_data();
  void buildFrames();
  void replyType_data();
  void replyType();
  void passwordToCode_data();
  void passwordToCode();
  void byteToBits_data();
  void byteToBits();

  void splitReplyDispatchedOnce_data();
  void splitReplyDispatchedOnce();
  void framesSharingChunks();
  void strayBytesAreDropped();
  void oversizeLengthRefused_data();
  void oversizeLengthRefused();
  void largestAcceptedLength();
  void replyFollowedByPartOfNext_data();
  void replyFollowedByPartOfNext();
  void startRule_data();
  void startRule();
  void comboRuleKeepsFFFFPayload();

  void loginReply_data();
  void loginReply();
  void statusReply();
  void statusReplyTruncated_data();
  void statusReplyTruncated();
  void ledReply_data();
  void ledReply();
  void unitReplies_data();
  void unitReplies();
};

void TstZamTcp::buildFrames_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("login, empty password")
      << BuildConnectionRequest(kClientKeyboard, QString()) << Hex("FFFF050000000005 1400000000");
  QTest::newRow("login abc, combo-block client")
      << BuildConnectionRequest(kClientComboBlock, QStringLiteral("abc"))
      << Hex("FFFF050000000005 02000EF420");
  QTest::newRow("login, 5-character password")
      << BuildConnectionRequest(kClientKeyboard, QStringLiteral("abcde"))
      << Hex("FFFF050000000005 1400000000");
  QTest::newRow("status request") << BuildFrame(ZAM_STATUS_REQUEST) << Hex("FFFF050100000000");
  QTest::newRow("LED request") << BuildFrame(ZAM_LED_STATUS_REQUEST) << Hex("FFFF050200000000");
  QTest::newRow("reboot request") << BuildFrame(ZAM_REBOOT_REQUEST) << Hex("FFFF100A00000000");
  QTest::newRow("combo request") << BuildFrame(ZAM_COMBO_BLOCK_REQUEST) << Hex("FFFF040300000000");
  QTest::newRow("key Enter") << BuildSpiKeyFrame(0x71) << Hex("FFFF040200000001 71");
  QTest::newRow("key Record") << BuildSpiKeyFrame(0x12) << Hex("FFFF040200000001 12");
  QTest::newRow("payload of 300 bytes")
      << BuildFrame(ZAM_COMBO_BLOCK_SEND, QByteArray(300, 'x')).left(8) << Hex("FFFF04040000012C");
}

void TstZamTcp::buildFrames() {
  QFETCH(QByteArray, frame);
  QFETCH(QByteArray, expected);
  QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TstZamTcp::replyType_data() {
  QTest::addColumn<qint32>("request");
  QTest::addColumn<qint32>("reply");
  QTest::newRow("login") << qint32(ZAM_CONNECTION_REQUEST) << qint32(ZAM_CONNECTION_RESPONSE);
  QTest::newRow("status") << qint32(ZAM_STATUS_REQUEST) << qint32(ZAM_STATUS_RESPONSE);
  QTest::newRow("LED") << qint32(ZAM_LED_STATUS_REQUEST) << qint32(ZAM_LED_STATUS_RESPONSE);
  QTest::newRow("reboot") << qint32(ZAM_REBOOT_REQUEST) << qint32(ZAM_REBOOT_RESPONSE);
  QTest::newRow("combo get") << qint32(ZAM_COMBO_BLOCK_REQUEST)
                             << qint32(ZAM_COMBO_BLOCK_REQUEST_RESPONSE);
  QTest::newRow("combo set") << qint32(ZAM_COMBO_BLOCK_SEND) << qint32(ZAM_COMBO_BLOCK_SEND_RESPONSE);
}

void TstZamTcp::replyType() {
  QFETCH(qint32, request);
  QFETCH(qint32, reply);
  QCOMPARE(ReplyType(request), reply);
  // The type rebuilt from a frame's bytes is the enumeration value.
  QCOMPARE(FrameType(BuildFrame(reply)), std::optional<qint32>(reply));
}

void TstZamTcp::passwordToCode_data() {
  QTest::addColumn<QByteArray>("password");
  QTest::addColumn<qint32>("code");
  QTest::newRow("empty") << QByteArray() << 0;
  QTest::newRow("2 characters") << QByteArray("ab") << 0;
  QTest::newRow("abc") << QByteArray("abc") << 980000;  // 97 + 98^2 + 99^3
  QTest::newRow("abcd") << QByteArray("abcd") << 100980000;
  QTest::newRow("5 characters") << QByteArray("abcde") << 0;
  QTest::newRow("high bytes as unsigned")
      << QByteArray("\xE9\x01\x01") << (0xE9 + 1 + 1);
  QTest::newRow("largest that fits") << QByteArray("\x01\x01\x01\xD7") << (3 + 2136750625);
  QTest::newRow("just over 32 bits") << QByteArray("\x01\x01\x01\xD8") << 0;
  QTest::newRow("far over 32 bits") << QByteArray("\xFF\xFF\xFF\xFF") << 0;
}

void TstZamTcp::passwordToCode() {
  QFETCH(QByteArray, password);
  QFETCH(qint32, code);
  QCOMPARE(PasswordToCode(password), code);
  QCOMPARE(PasswordToCode(QString::fromLatin1(password)), code);
}

void TstZamTcp::byteToBits_data() {
  QTest::addColumn<int>("value");
  QTest::addColumn<QString>("bits");
  QTest::newRow("0") << 0 << "00000000";
  QTest::newRow("5") << 5 << "00000101";
  QTest::newRow("0x80") << 0x80 << "10000000";
  QTest::newRow("0xFF") << 0xFF << "11111111";
}

void TstZamTcp::byteToBits() {
  QFETCH(int, value);
  QFETCH(QString, bits);
  QCOMPARE(ByteToBits(quint8(value)), bits);
}

void TstZamTcp::splitReplyDispatchedOnce_data() {
  QTest::addColumn<QList<int>>("cuts");
  QTest::newRow("header, then two payload chunks") << QList<int>{8, 60};
  QTest::newRow("header split 3 + 5") << QList<int>{3, 8, 50};
  QTest::newRow("header split after one byte") << QList<int>{1, 30};
  QTest::newRow("header and payload share a chunk") << QList<int>{20, 107};
  QList<int> each;
  for (int i = 1; i < 108; ++i) each << i;
  QTest::newRow("byte by byte") << each;
}

void TstZamTcp::splitReplyDispatchedOnce() {
  QFETCH(QList<int>, cuts);
  const QByteArray reply = Status();
  QCOMPARE(reply.size(), 108);
  FrameAssembler a;
  const QList<QByteArray> chunks = Cut(reply, cuts);
  for (int i = 0; i < chunks.size() - 1; ++i) {
    QVERIFY2(a.Feed(chunks[i]).isEmpty(), qPrintable(QString("chunk %1").arg(i)));
    QCOMPARE(a.Record().MsgType, qint32(ZAM_CLEAR_MSG));
  }
  const QList<QByteArray> frames = a.Feed(chunks.last());
  QCOMPARE(frames.size(), 1);
  QCOMPARE(frames[0], reply);
  QCOMPARE(a.Record().MsgType, qint32(ZAM_STATUS_RESPONSE));
  QCOMPARE(a.Record().Data, reply);
  QCOMPARE(a.Record().TotalLength, 108);
  QCOMPARE(a.Record().PayloadLength, 100);
}

void TstZamTcp::framesSharingChunks() {
  const QByteArray login = BuildLoginReply(1, 0x80);
  const QByteArray led = BuildLedReply(0x21);
  const QByteArray reboot = BuildRebootReply();  // no payload
  const QByteArray status = Status();
  FrameAssembler a;
  // Replies in one chunk, then the end of one with the start of the next.
  QList<QByteArray> frames = a.Feed(login + reboot + led + status.left(5));
  QCOMPARE(frames, (QList<QByteArray>{login, reboot, led}));
  QCOMPARE(a.Record().MsgType, qint32(ZAM_LED_STATUS_RESPONSE));
  frames = a.Feed(status.mid(5, 50));
  QVERIFY(frames.isEmpty());
  frames = a.Feed(status.mid(55) + login);
  QCOMPARE(frames, (QList<QByteArray>{status, login}));
  QCOMPARE(a.Record().Data, login);
}

void TstZamTcp::strayBytesAreDropped() {
  FrameAssembler a;
  const QByteArray led = BuildLedReply(3);
  QCOMPARE(a.Feed(led).size(), 1);
  // After a complete frame, bytes that start nothing neither re-dispatch it nor grow it.
  QVERIFY(a.Feed(Hex("0102030405")).isEmpty());
  QCOMPARE(a.Record().Data, led);
  QCOMPARE(a.Record().MsgType, qint32(ZAM_LED_STATUS_RESPONSE));
  // Trailing garbage behind a frame in the same chunk is dropped as well.
  QCOMPARE(a.Feed(led + Hex("00FF")), QList<QByteArray>{led});
  QCOMPARE(a.Feed(Hex("0000")).size(), 0);
  QCOMPARE(a.Feed(led), QList<QByteArray>{led});
}

void TstZamTcp::oversizeLengthRefused_data() {
  QTest::addColumn<quint32>("length");
  QTest::newRow("1 MiB + 1") << quint32(kMaxFramePayload + 1);
  QTest::newRow("2^31 - 8 (would wrap a signed total)") << quint32(0x7FFFFFF8);
  QTest::newRow("2^31") << quint32(0x80000000);
  QTest::newRow("all ones") << quint32(0xFFFFFFFF);
}

void TstZamTcp::oversizeLengthRefused() {
  QFETCH(quint32, length);
  FrameAssembler a;
  QCOMPARE(a.Feed(BuildLedReply(1)).size(), 1);
  QVERIFY(a.Feed(HeaderWithLength(length) + QByteArray(100, 'x')).isEmpty());
  const RxRecord& r = a.Record();
  QVERIFY(r.Data.isEmpty());
  QCOMPARE(r.Received, 0);
  QCOMPARE(r.TotalLength, 0);
  QCOMPARE(r.PayloadLength, 0);
  QCOMPARE(r.MsgType, qint32(ZAM_CLEAR_MSG));
  // The refused frame's further bytes are strays; the next real reply is taken.
  QVERIFY(a.Feed(QByteArray(5000, 'y')).isEmpty());
  const QByteArray led = BuildLedReply(7);
  QCOMPARE(a.Feed(led), QList<QByteArray>{led});
}

void TstZamTcp::largestAcceptedLength() {
  FrameAssembler a;
  QVERIFY(a.Feed(HeaderWithLength(quint32(kMaxFramePayload))).isEmpty());
  QCOMPARE(a.Record().TotalLength, qint32(kMaxFramePayload + 8));
  QCOMPARE(a.Record().Received, 8);
  const QList<QByteArray> frames = a.Feed(QByteArray(int(kMaxFramePayload), 'z'));
  QCOMPARE(frames.size(), 1);
  QCOMPARE(frames[0].size(), qsizetype(kMaxFramePayload + 8));
}

void TstZamTcp::replyFollowedByPartOfNext_data() {
  QTest::addColumn<int>("cut");  // bytes of the LED reply in the reply's read
  QTest::newRow("2 bytes: the start marker only") << 2;
  QTest::newRow("4 bytes: no length yet") << 4;
  QTest::newRow("8 bytes: the header") << 8;
  QTest::newRow("9 bytes: one byte short") << 9;
}

void TstZamTcp::replyFollowedByPartOfNext() {
  QFETCH(int, cut);
  const QByteArray login = BuildLoginReply(1, 0x80);
  const QByteArray led = BuildLedReply(0x42);
  FrameAssembler a;
  QCOMPARE(a.Feed(login + led.left(cut)), QList<QByteArray>{login});
  // The complete frame stays what the record holds while the next one grows.
  QCOMPARE(a.Record().MsgType, qint32(ZAM_CONNECTION_RESPONSE));
  QCOMPARE(a.Record().Data, login);
  QCOMPARE(a.Feed(led.mid(cut)), QList<QByteArray>{led});
  QCOMPARE(a.Record().Data, led);
  // A frame cut off for good gives way to the next reply's start.
  const QByteArray status = Status();
  QCOMPARE(a.Feed(login + led.left(cut)), QList<QByteArray>{login});
  QCOMPARE(a.Feed(status.left(3)), QList<QByteArray>{});
  QCOMPARE(a.Feed(status.mid(3)), QList<QByteArray>{status});
  QCOMPARE(a.Record().Data, status);
}

void TstZamTcp::startRule_data() {
  QTest::addColumn<QByteArray>("chunk");
  QTest::addColumn<bool>("keyboard");
  QTest::addColumn<bool>("combo");
  QTest::newRow("combo reply") << Hex("FFFF680300000000") << true << true;
  QTest::newRow("login reply") << Hex("FFFF690000000004") << true << true;
  QTest::newRow("byte 2 = 0x64") << Hex("FFFF640000") << true << true;
  QTest::newRow("byte 2 = 0x74") << Hex("FFFF740A00") << true << true;
  QTest::newRow("byte 2 = 0x63") << Hex("FFFF630000") << true << false;
  QTest::newRow("byte 2 = 0x75") << Hex("FFFF750000") << true << false;
  QTest::newRow("byte 3 = 0xFF") << Hex("FFFF68FF00") << true << false;
  QTest::newRow("request type") << Hex("FFFF050000") << true << false;
  QTest::newRow("FF FF alone") << Hex("FFFF") << true << false;
  QTest::newRow("one FF") << Hex("FF") << false << false;
  QTest::newRow("FF 00") << Hex("FF00680300") << false << false;
  QTest::newRow("empty") << QByteArray() << false << false;
}

void TstZamTcp::startRule() {
  QFETCH(QByteArray, chunk);
  QFETCH(bool, keyboard);
  QFETCH(bool, combo);
  QCOMPARE(FrameAssembler(FrameAssembler::Rule::Keyboard).StartsFrame(chunk), keyboard);
  QCOMPARE(FrameAssembler(FrameAssembler::Rule::ComboBlock).StartsFrame(chunk), combo);
}

void TstZamTcp::comboRuleKeepsFFFFPayload() {
  // A payload chunk that happens to begin FF FF: the combo rule keeps it in
  // the frame; the keyboard rule takes it for a new start.
  QByteArray payload(40, '\0');
  payload[20] = char(0xFF);
  payload[21] = char(0xFF);
  payload[26] = 0x01;  // read as a header: 256 bytes announced
  const QByteArray frame = BuildFrame(ZAM_COMBO_BLOCK_REQUEST_RESPONSE, payload);
  const QList<QByteArray> chunks = Cut(frame, {28});

  FrameAssembler combo(FrameAssembler::Rule::ComboBlock);
  QVERIFY(combo.Feed(chunks[0]).isEmpty());
  QCOMPARE(combo.Feed(chunks[1]), QList<QByteArray>{frame});
  QCOMPARE(combo.Record().MsgType, qint32(ZAM_COMBO_BLOCK_REQUEST_RESPONSE));

  FrameAssembler keyboard(FrameAssembler::Rule::Keyboard);
  QVERIFY(keyboard.Feed(chunks[0]).isEmpty());
  QVERIFY(keyboard.Feed(chunks[1]).isEmpty());
  QCOMPARE(keyboard.Record().MsgType, qint32(ZAM_CLEAR_MSG));
}

void TstZamTcp::loginReply_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<int>("result");
  QTest::addColumn<int>("unitClass");
  QTest::addColumn<bool>("keyboardUnit");
  QTest::newRow("accepted, class 0x80") << Hex("FFFF690000000004 01000080") << true << 1 << 0x80 << true;
  QTest::newRow("wrong password, 0x81") << Hex("FFFF690000000004 02000081") << true << 2 << 0x81 << true;
  QTest::newRow("other product") << Hex("FFFF690000000004 01000082") << true << 1 << 0x82 << false;
  QTest::newRow("rejected") << Hex("FFFF690000000004 00000080") << true << 0 << 0x80 << true;
  QTest::newRow("11 bytes") << Hex("FFFF690000000004 010000") << false << 0 << 0 << false;
}

void TstZamTcp::loginReply() {
  QFETCH(QByteArray, frame);
  QFETCH(bool, valid);
  const auto r = ParseLoginReply(frame);
  QCOMPARE(r.has_value(), valid);
  if (!valid) return;
  QFETCH(int, result);
  QFETCH(int, unitClass);
  QFETCH(bool, keyboardUnit);
  QCOMPARE(int(r->result), result);
  QCOMPARE(int(r->unitClass), unitClass);
  QCOMPARE(IsKeyboardUnitClass(r->unitClass), keyboardUnit);
}

void TstZamTcp::statusReply() {
  StatusFields f;
  f.versionMajor = 1;
  f.versionMinor = 5;
  f.name = "  Lobby ";
  f.name2 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";  // longer than its 20 bytes
  f.mac = Hex("000AFF12AB4E");
  f.unitType = 1;
  const QByteArray frame = BuildStatusReply(f);
  QCOMPARE(frame.size(), 108);
  QCOMPARE(frame.left(8), Hex("FFFF690100000064"));
  const StatusRecord r = ParseStatusReply(frame);
  QVERIFY(r.complete);
  QCOMPARE(int(r.unitType.value_or(0)), 1);
  QCOMPARE(r.version, QStringLiteral("1.5"));
  QCOMPARE(r.name, QStringLiteral("Lobby"));
  QCOMPARE(r.name2, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
  QCOMPARE(r.macAddress, QStringLiteral("00-0A-FF-12-AB-4E"));
}

// A field is read only when all of its bytes came; "-" stands for no value.
void TstZamTcp::statusReplyTruncated_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<QString>("version");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("mac");
  QTest::addColumn<int>("unitType");  // -1: no value
  QTest::newRow("header only") << 8 << "-" << "-" << "-" << -1;
  QTest::newRow("version cut short") << 36 << "-" << "-" << "-" << -1;
  QTest::newRow("up to the version") << 37 << "1.40" << "-" << "-" << -1;
  QTest::newRow("name cut short") << 65 << "1.40" << "-" << "-" << -1;
  QTest::newRow("MAC cut short") << 105 << "1.40" << "Front door" << "-" << -1;
  QTest::newRow("no unit type") << 107 << "1.40" << "Front door" << "00-0A-1B-2C-3D-4E" << -1;
  QTest::newRow("whole") << 108 << "1.40" << "Front door" << "00-0A-1B-2C-3D-4E" << 4;
}

void TstZamTcp::statusReplyTruncated() {
  QFETCH(int, size);
  const StatusRecord r = ParseStatusReply(Status().left(size));
  const QString none = QStringLiteral("-");
  QTEST(r.version.value_or(none), "version");
  QTEST(r.name.value_or(none), "name");
  QTEST(r.macAddress.value_or(none), "mac");
  QTEST(r.unitType ? int(*r.unitType) : -1, "unitType");
  QCOMPARE(r.complete, size == kStatusReplySize);
}

void TstZamTcp::ledReply_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<int>("bits");  // -1: no value
  QTest::newRow("built") << BuildLedReply(0xA5) << 0xA5;
  QTest::newRow("longer payload") << Hex("FFFF690200000004 00810000") << 0x81;
  QTest::newRow("9 bytes") << Hex("FFFF690200000001 00") << -1;
}

void TstZamTcp::ledReply() {
  QFETCH(QByteArray, frame);
  QFETCH(int, bits);
  const auto led = ParseLedReply(frame);
  QCOMPARE(led.has_value(), bits >= 0);
  if (led) QCOMPARE(int(*led), bits);
}

void TstZamTcp::unitReplies_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("login accepted") << BuildLoginReply(1, 0x80) << Hex("FFFF690000000004 01000080");
  QTest::newRow("login, wrong password") << BuildLoginReply(2, 0x81) << Hex("FFFF690000000004 02000081");
  QTest::newRow("LED") << BuildLedReply(0x05) << Hex("FFFF690200000002 0005");
  QTest::newRow("reboot") << BuildRebootReply() << Hex("FFFF740A00000000");
}

void TstZamTcp::unitReplies() {
  QFETCH(QByteArray, frame);
  QFETCH(QByteArray, expected);
  QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

QTEST_GUILESS_MAIN(TstZamTcp)
#include "tst_zamtcp.moc"
