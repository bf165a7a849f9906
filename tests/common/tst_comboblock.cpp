#include <QtTest>

#include "comboblock.h"
#include "zamtcp.h"

using namespace zam;

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// A 16-byte block header whose bytes 4.. are recognisable.
QByteArray BlockHeader() {
  QByteArray h(16, '\0');
  for (int i = 4; i < 16; ++i) h[i] = char(0xA0 + i);
  return h;
}

RawComboBlock Received(const QByteArray& data) {
  return SplitComboResponse(BuildComboResponse(BlockHeader(), data)).value_or(RawComboBlock());
}

RawComboBlock Received(int rows) { return Received(DefaultComboData(rows, 4)); }

QByteArray DateBytes(const QByteArray& data) { return data.mid(cbo::Hour, 6); }

}  // namespace

class TstComboBlock : public QObject {
  Q_OBJECT

 private slots:
  void split();
  void splitRefused_data();
  void splitRefused();

  void unpackDate_data();
  void unpackDate();
  void unpackFields();
  void unpackPassword_data();
  void unpackPassword();
  void unpackShortBlock_data();
  void unpackShortBlock();

  void packRoundTrip_data();
  void packRoundTrip();
  void packFields();
  void packDate_data();
  void packDate();
  void packTitles();
  void packPassword_data();
  void packPassword();
  void packRefusals_data();
  void packRefusals();

  void sendLayout();
  void sendAfterGrowth();
  void sendWithoutBlock();
  void timeZoneText_data();
  void timeZoneText();
};

void TstComboBlock::split() {
  const QByteArray data = DefaultComboData(240, 4);
  const QByteArray frame = BuildComboResponse(BlockHeader(), data);
  QCOMPARE(frame.left(12), Hex("FFFF680300000F10 0010 0F00"));
  const auto raw = SplitComboResponse(frame);
  QVERIFY(raw);
  QCOMPARE(raw->H, 16);
  QCOMPARE(raw->D, 3840);
  QCOMPARE(raw->P, 16 + 3840);
  QCOMPARE(raw->rows, 240);
  QCOMPARE(raw->header, frame.mid(8, 16));
  QCOMPARE(raw->data, data);
  QCOMPARE(raw->working, data);
}

void TstComboBlock::splitRefused_data() {
  QTest::addColumn<QByteArray>("frame");
  const QByteArray good = BuildComboResponse(BlockHeader(), QByteArray(64, 'd'));
  QTest::newRow("11 bytes") << good.left(11);
  QTest::newRow("frame cut short of its length") << good.left(good.size() - 1);
  QByteArray bigD = good;
  bigD[10] = char(0x00);
  bigD[11] = char(65);  // one more than is there
  QTest::newRow("H + D past the payload") << bigD;
  QByteArray hugeLengths = good;
  hugeLengths[8] = hugeLengths[9] = hugeLengths[10] = hugeLengths[11] = char(0xFF);
  QTest::newRow("H and D of 0xFFFF") << hugeLengths;
  QByteArray smallH = good;
  smallH[9] = char(3);
  QTest::newRow("H too small for its own lengths") << smallH;
}

void TstComboBlock::splitRefused() {
  QFETCH(QByteArray, frame);
  QVERIFY(!SplitComboResponse(frame));
}

void TstComboBlock::unpackDate_data() {
  QTest::addColumn<QByteArray>("bytes");  // hour, minute, second, month, day, year
  QTest::addColumn<QString>("value");
  QTest::newRow("example") << Hex("0E1E050C0717") << "12/7/2023 14:30:5";
  QTest::newRow("year 95") << Hex("0E1E050C075F") << "12/7/1995 14:30:5";
  QTest::newRow("year 60") << Hex("00000001013C") << "1/1/1960 0:0:0";
  QTest::newRow("year 59") << Hex("173B3B0C1F3B") << "12/31/2059 23:59:59";
  QTest::newRow("year 5, two digits") << Hex("010203040505") << "4/5/2005 1:2:3";
  QTest::newRow("year 0") << Hex("000000010100") << "1/1/2000 0:0:0";
}

void TstComboBlock::unpackDate() {
  QFETCH(QByteArray, bytes);
  QByteArray data = DefaultComboData(240, 4);
  data.replace(cbo::Hour, 6, bytes);
  QTEST(UnpackComboBlock(Received(data)).DateTime.Value, "value");
}

void TstComboBlock::unpackFields() {
  QByteArray data(3840, '\0');
  data.replace(0, 16, QByteArray("  Gate  \0\0\0\0\0\0\0\0", 16));
  data.replace(16, 16, "ABCDEFGHIJKLMNOP");
  data.replace(32, 16, QByteArray("A\0B", 3));
  data.replace(48, 16, "Camera 4");
  data[cbo::CameraCount] = 3;
  const QList<int> offsets = {cbo::RecordCapacity, cbo::LastAlarm,      cbo::RecordPlaySpeed,
                              cbo::PlaybackTimeDate, cbo::Daylight,     cbo::TimeZone,
                              cbo::CurrentTimeDate, cbo::TimeFormat,    cbo::DateFormat,
                              cbo::CameraTitle,     cbo::AlarmLatch,    cbo::LockKeyboard};
  for (int i = 0; i < offsets.size(); ++i) data[offsets[i]] = char(10 + i);

  const COMBO_BLOCK cb = UnpackComboBlock(Received(data));
  QCOMPARE(int(cb.Camera.Count), 3);
  QCOMPARE(cb.Camera.Title, (QStringList{"Gate", "ABCDEFGHIJKLMNOP", "A"}));
  QCOMPARE(cb.Display.RecordCapacity, 10);
  QCOMPARE(cb.Display.LastAlarm, 11);
  QCOMPARE(cb.Display.RecordPlaySpeed, 12);
  QCOMPARE(cb.Display.PlaybackTimeDate, 13);
  QCOMPARE(cb.DateTime.Daylight, 14);
  QCOMPARE(cb.DateTime.TimeZone, 15);
  QCOMPARE(cb.Display.CurrentTimeDate, 16);
  QCOMPARE(cb.DateTime.TimeFormat, 17);
  QCOMPARE(cb.DateTime.DateFormat, 18);
  QCOMPARE(cb.Display.CameraTitle, 19);
  QCOMPARE(cb.Alarms.AlarmLatch, 20);
  QCOMPARE(cb.LockKeyboard, 21);
  QVERIFY(cb.Password.EthernetNew.isEmpty());
  QVERIFY(!cb.Tag.isValid());
}

void TstComboBlock::unpackPassword_data() {
  QTest::addColumn<int>("rows");
  QTest::addColumn<QString>("old");
  QTest::newRow("240 rows: none") << 240 << "";
  QTest::newRow("241 rows") << 241 << "qmpv";
  QTest::newRow("300 rows") << 300 << "qmpv";
}

void TstComboBlock::unpackPassword() {
  QFETCH(int, rows);
  QTEST(UnpackComboBlock(Received(rows)).Password.EthernetOld, "old");
}

void TstComboBlock::unpackShortBlock_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<QString>("value");
  QTest::addColumn<int>("alarmLatch");
  QTest::addColumn<int>("count");
  QTest::newRow("empty") << 0 << "" << int(Invalid) << 0;
  QTest::newRow("titles only") << 100 << "" << int(Invalid) << 0;
  QTest::newRow("up to the latch") << 939 << "" << int(Latched) << 0;
  QTest::newRow("one short of the year") << 965 << "" << int(Latched) << 0;
  QTest::newRow("date, no camera count") << 966 << "12/7/2023 14:30:5" << int(Latched) << 0;
  QTest::newRow("240 rows") << 3840 << "12/7/2023 14:30:5" << int(Latched) << 4;
}

void TstComboBlock::unpackShortBlock() {
  QFETCH(int, size);
  QFETCH(int, count);
  const QByteArray data = DefaultComboData(240, 4).left(size);
  const COMBO_BLOCK cb = UnpackComboBlock(Received(data));
  QTEST(cb.DateTime.Value, "value");
  QTEST(cb.Alarms.AlarmLatch, "alarmLatch");
  QCOMPARE(int(cb.Camera.Count), count);
  QCOMPARE(cb.Camera.Title.size(), count);
  QVERIFY(cb.Password.EthernetOld.isEmpty());
}

void TstComboBlock::packRoundTrip_data() {
  QTest::addColumn<int>("rows");
  QTest::newRow("240 rows") << 240;
  QTest::newRow("241 rows") << 241;
  QTest::newRow("61 rows") << 61;
}

void TstComboBlock::packRoundTrip() {
  QFETCH(int, rows);
  RawComboBlock raw = Received(rows);
  const RawComboBlock before = raw;
  QVERIFY(PackComboBlock(UnpackComboBlock(raw), raw));
  QCOMPARE(raw.working, raw.data);
  QCOMPARE(raw.P, before.P);
  QCOMPARE(raw.D, before.D);
}

void TstComboBlock::packFields() {
  RawComboBlock raw = Received(240);
  COMBO_BLOCK cb = UnpackComboBlock(raw);
  cb.LockKeyboard = Enabled;
  cb.Alarms.AlarmLatch = Timeout;
  cb.DateTime.Daylight = AUS;
  cb.DateTime.TimeZone = GMT_0930P;
  cb.DateTime.TimeFormat = TIME_12HR;
  cb.DateTime.DateFormat = YYMMDD;
  cb.Display.RecordCapacity = 0;
  cb.Display.LastAlarm = 0;
  cb.Display.RecordPlaySpeed = 0;
  cb.Display.PlaybackTimeDate = 0;
  cb.Display.CurrentTimeDate = 0;
  cb.Display.CameraTitle = 0;
  QVERIFY(PackComboBlock(cb, raw));

  QByteArray expected = raw.data;
  expected[cbo::LockKeyboard] = 1;
  expected[cbo::AlarmLatch] = 2;
  expected[cbo::Daylight] = 3;
  expected[cbo::TimeZone] = 27;
  expected[cbo::TimeFormat] = 0;
  expected[cbo::DateFormat] = 2;
  for (int at : {cbo::RecordCapacity, cbo::LastAlarm, cbo::RecordPlaySpeed, cbo::PlaybackTimeDate,
                 cbo::CurrentTimeDate, cbo::CameraTitle})
    expected[at] = 0;
  QCOMPARE(raw.working, expected);
  QCOMPARE(raw.data, DefaultComboData(240, 4));  // the block as received stays
  QCOMPARE(UnpackComboBlock(Received(raw.working)).DateTime.TimeZone, int(GMT_0930P));

  // A value that is no byte leaves the byte as it was.
  cb.Alarms.AlarmLatch = 300;
  QVERIFY(PackComboBlock(cb, raw));
  QCOMPARE(quint8(raw.working[cbo::AlarmLatch]), quint8(raw.data[cbo::AlarmLatch]));
}

void TstComboBlock::packDate_data() {
  QTest::addColumn<QString>("value");
  QTest::addColumn<QByteArray>("bytes");  // empty: refused
  QTest::newRow("as unpacked") << "12/7/2023 14:30:5" << Hex("0E1E050C0717");
  QTest::newRow("1995") << "1/2/1995 0:0:0" << Hex("00000001025F");
  QTest::newRow("leading zeros") << "01/02/1995 00:00:09" << Hex("00000901025F");
  QTest::newRow("leap day") << "2/29/2024 23:59:59" << Hex("173B3B021D18");
  QTest::newRow("two-digit year") << "12/7/23 14:30:5" << Hex("0E1E050C0717");
  QTest::newRow("no seconds") << "12/7/2023 14:30" << Hex("0E1E000C0717");
  QTest::newRow("date only") << "12/7/2023" << Hex("0000000C0717");
  QTest::newRow("no leap day") << "2/29/2023 1:2:3" << QByteArray();
  QTest::newRow("month 13") << "13/1/2023 0:0:0" << QByteArray();
  QTest::newRow("hour 24") << "12/7/2023 24:00:00" << QByteArray();
  QTest::newRow("year byte 150 unpacked") << "12/7/19150 14:30:5" << QByteArray();
  QTest::newRow("empty") << "" << QByteArray();
  QTest::newRow("text") << "yesterday" << QByteArray();
}

void TstComboBlock::packDate() {
  QFETCH(QString, value);
  QFETCH(QByteArray, bytes);
  RawComboBlock raw = Received(240);
  COMBO_BLOCK cb = UnpackComboBlock(raw);
  cb.DateTime.Value = value;
  QCOMPARE(PackComboBlock(cb, raw), !bytes.isEmpty());
  if (!bytes.isEmpty()) QCOMPARE(DateBytes(raw.working).toHex(' '), bytes.toHex(' '));
}

void TstComboBlock::packTitles() {
  QByteArray data = DefaultComboData(240, 4);
  data[15] = 'X';  // camera 0's last byte
  data[31] = 'Y';  // camera 1's last byte
  RawComboBlock raw = Received(data);
  COMBO_BLOCK cb = UnpackComboBlock(raw);
  cb.Camera.Title = {"Door", "Yard", "A title of twenty ch"};
  cb.Camera.Count = 4;  // one more than there are titles
  QVERIFY(PackComboBlock(cb, raw));
  QCOMPARE(raw.working.mid(0, 16), QByteArray("Door\0\0\0\0\0\0\0\0\0\0\0X", 16));
  QCOMPARE(raw.working.mid(16, 16), QByteArray("Yard", 4) + QByteArray(12, '\0'));
  QCOMPARE(raw.working.mid(32, 16), QByteArray("A title of twent"));
  QCOMPARE(raw.working.mid(48, 16), QByteArray(16, '\0'));
  QCOMPARE(raw.working.mid(64, 16), data.mid(64, 16));  // past Count: untouched

  cb.Camera.Title[0] = "Sixteen chars ok";
  QVERIFY(PackComboBlock(cb, raw));
  QCOMPARE(raw.working.mid(0, 16), QByteArray("Sixteen chars ok"));
}

void TstComboBlock::packPassword_data() {
  QTest::addColumn<int>("rows");
  QTest::addColumn<QString>("newPassword");
  QTest::addColumn<int>("size");
  QTest::addColumn<QByteArray>("stored");
  QTest::newRow("240 rows, none") << 240 << "" << 3840 << QByteArray();
  QTest::newRow("240 rows grow") << 240 << "wxyz" << 3856 << QByteArray("wxyz");
  QTest::newRow("241 rows, none: as received") << 241 << "" << 3856 << QByteArray("qmpv");
  QTest::newRow("241 rows") << 241 << "wxyz" << 3856 << QByteArray("wxyz");
  QTest::newRow("3 characters") << 241 << "ab1" << 3856 << QByteArray("ab1\0", 4);
  QTest::newRow("only four used") << 241 << "abcdef" << 3856 << QByteArray("abcd");
}

void TstComboBlock::packPassword() {
  QFETCH(int, rows);
  QFETCH(QString, newPassword);
  QFETCH(int, size);
  QFETCH(QByteArray, stored);
  RawComboBlock raw = Received(rows);
  const qint32 p = raw.P;
  COMBO_BLOCK cb = UnpackComboBlock(raw);
  cb.Password.EthernetNew = newPassword;
  const int growth = size - rows * 16;
  // Packing twice from the same kept block grows it once.
  for (int pass = 0; pass < 2; ++pass) {
    QVERIFY(PackComboBlock(cb, raw));
    QCOMPARE(raw.working.size(), qsizetype(size));
    QCOMPARE(raw.D, size);
    QCOMPARE(raw.P, p + growth);
    QCOMPARE(raw.working.left(3840), raw.data.left(3840));
    if (!stored.isEmpty()) QCOMPARE(raw.working.mid(cbo::EthernetPassword, 4), stored);
    if (growth) QCOMPARE(raw.working.mid(3844), QByteArray(12, '\0'));
  }
}

void TstComboBlock::packRefusals_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("newPassword");
  QTest::newRow("bad date") << DefaultComboData(240, 4) << "2/30/2023 0:0:0" << "";
  QTest::newRow("password, 239 rows") << DefaultComboData(239, 4) << "12/7/2023 14:30:5" << "wxyz";
  QTest::newRow("block without the date bytes")
      << DefaultComboData(240, 4).left(965) << "12/7/2023 14:30:5" << "";
}

void TstComboBlock::packRefusals() {
  QFETCH(QByteArray, data);
  QFETCH(QString, value);
  QFETCH(QString, newPassword);
  RawComboBlock raw = Received(data);
  COMBO_BLOCK cb = UnpackComboBlock(Received(DefaultComboData(240, 4)));
  cb.Camera.Title[0] = "Changed";
  cb.Alarms.AlarmLatch = Transparent;
  cb.DateTime.Value = value;
  cb.Password.EthernetNew = newPassword;
  const RawComboBlock before = raw;
  QVERIFY(!PackComboBlock(cb, raw));
  QCOMPARE(raw.working, before.working);
  QCOMPARE(raw.P, before.P);
  QCOMPARE(raw.D, before.D);
}

void TstComboBlock::sendLayout() {
  // H = 8, D = 16: every byte of the send payload can be named.
  const QByteArray frame =
      BuildComboResponse(Hex("0000000011223344"), Hex("000102030405060708090A0B0C0D0E0F"));
  QCOMPARE(frame.left(16), Hex("FFFF680300000018 0008 0010 11223344"));
  const auto raw = SplitComboResponse(frame);
  QVERIFY(raw);
  const QByteArray send = BuildComboBlockSend(*raw);
  QCOMPARE(send.toHex(' '),
           Hex("FFFF040400000018 0008 0018 0000 3344 000102030405060708090A0B0C0D0E0F").toHex(' '));

  const auto parsed = ParseComboSend(send);
  QVERIFY(parsed);
  QCOMPARE(parsed->H, 8);
  QCOMPARE(int(parsed->P16), 0x18);
  QCOMPARE(parsed->header, Hex("3344"));
  QCOMPARE(parsed->data, raw->data);
  QVERIFY(!ParseComboSend(frame));              // a reply, not a send
  QVERIFY(!ParseComboSend(send.left(send.size() - 1)));
}

void TstComboBlock::sendAfterGrowth() {
  RawComboBlock raw = Received(240);
  COMBO_BLOCK cb = UnpackComboBlock(raw);
  cb.Password.EthernetNew = "wxyz";
  QVERIFY(PackComboBlock(cb, raw));
  const QByteArray send = BuildComboBlockSend(raw);
  const int p = 16 + 3856;
  QCOMPARE(send.size(), qsizetype(8 + p));
  QCOMPARE(FrameType(send), std::optional<qint32>(ZAM_COMBO_BLOCK_SEND));
  QCOMPARE(FramePayloadLength(send), std::optional<quint32>(p));
  QCOMPARE(send.mid(8, 6), Hex("0010 0F20 0000"));
  QCOMPARE(send.mid(14, 10), BlockHeader().mid(6));
  QCOMPARE(send.mid(24), raw.working);

  const auto parsed = ParseComboSend(send);
  QVERIFY(parsed);
  QCOMPARE(parsed->data.size(), 3856);
  QCOMPARE(parsed->data.mid(3840, 4), QByteArray("wxyz"));
  QCOMPARE(UnpackComboBlock(Received(parsed->data)).Password.EthernetOld, QStringLiteral("wxyz"));
}

void TstComboBlock::sendWithoutBlock() {
  QVERIFY(BuildComboBlockSend(RawComboBlock()).isEmpty());
}

void TstComboBlock::timeZoneText_data() {
  QTest::addColumn<int>("zone");
  QTest::addColumn<QString>("text");
  QTest::newRow("0") << 0 << "GMT-12:00";
  QTest::newRow("9") << 9 << "GMT-03:00";
  QTest::newRow("10") << 10 << "GMT-03:30";
  QTest::newRow("13") << 13 << "GMT 00:00";
  QTest::newRow("25") << int(GMT_0080P) << "GMT+08:00";
  QTest::newRow("26") << int(GMT_0090P) << "GMT+09:00";
  QTest::newRow("27") << 27 << "GMT+09:30";
  QTest::newRow("30") << 30 << "GMT+12:00";
  QTest::newRow("31") << 31 << "";
  QTest::newRow("-1") << -1 << "";
}

void TstComboBlock::timeZoneText() {
  QFETCH(int, zone);
  QTEST(TimeZoneText(zone), "text");
}

QTEST_GUILESS_MAIN(TstComboBlock)
#include "tst_comboblock.moc"
