#include <QtTest>

#include "keycodes.h"

using namespace zam;

Q_DECLARE_METATYPE(zam::KeyPair)

class TstKeyCodes : public QObject {
  Q_OBJECT

 private slots:
  void spiKeyName_data();
  void spiKeyName();
  void vKeyName_data();
  void vKeyName();
  void panelPairs_data();
  void panelPairs();
  void diagonalsCombine();
};

void TstKeyCodes::spiKeyName_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("name");
  QTest::newRow("0x00") << 0x00 << "SPI4_NULL";
  QTest::newRow("0x01") << 0x01 << "SPI4_ALARM_ACKNOWLEDGE";
  QTest::newRow("0x05 unnamed") << 0x05 << "";
  QTest::newRow("0x12") << 0x12 << "SPI4_RECORD_MODE";
  QTest::newRow("0x22") << 0x22 << "SPI4_MULTISCREEN_DISPLAY_MODE";
  QTest::newRow("0x30") << 0x30 << "SPI4_CAM_1";
  QTest::newRow("0x3F") << 0x3F << "SPI4_CAM_16";
  QTest::newRow("0x5F") << 0x5F << "SPI4_ALARM_SEQ";
  QTest::newRow("0x60") << 0x60 << "SPI4_ALARM_CAM_1";
  QTest::newRow("0x6F") << 0x6F << "SPI4_ALARM_CAM_16";
  QTest::newRow("0x71") << 0x71 << "SPI4_ENTER";
  QTest::newRow("0x7A") << 0x7A << "SPI4_REWIND";
  QTest::newRow("0x82 unnamed") << 0x82 << "";
  QTest::newRow("0x98") << 0x98 << "SPI4_REMOTE_ALM_RELEASE_KEY";
  QTest::newRow("0xAA unnamed") << 0xAA << "";
  QTest::newRow("0xAD") << 0xAD << "SPI4_SPEED_DOWN_KEY";
  QTest::newRow("0xB1") << 0xB1 << "SPI4_IPCAM_1";
  QTest::newRow("0xB3") << 0xB3 << "SPI4_IPCAM_3";
  QTest::newRow("0xB4 two names") << 0xB4 << "SPI4_IPCAM_4";
  QTest::newRow("0xBC") << 0xBC << "SPI4_TILT_DOWN_PAN_RIGHT";
  QTest::newRow("0xFF unnamed") << 0xFF << "";
  QTest::newRow("256") << 256 << "";
  QTest::newRow("-1") << -1 << "";
}

void TstKeyCodes::spiKeyName() {
  QFETCH(int, code);
  QTEST(SPIKeyName(code), "name");
}

void TstKeyCodes::vKeyName_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("name");
  QTest::newRow("0x00") << 0x00 << "VNO_KEY";
  QTest::newRow("0x01") << 0x01 << "VRECORD_KEY";
  QTest::newRow("0x05 two names") << 0x05 << "VPAUSE_KEY";
  QTest::newRow("0x08") << 0x08 << "VQUAD_KEY";
  QTest::newRow("0x09") << 0x09 << "VCAM_1_KEY";
  QTest::newRow("0x28") << 0x28 << "VCAM_32_KEY";
  QTest::newRow("0x2B unnamed") << 0x2B << "";
  QTest::newRow("0x4B") << 0x4B << "VALARM_SEQ_KEY";
  QTest::newRow("0x4C") << 0x4C << "VALARM_CAM_1_KEY";
  QTest::newRow("0x5B") << 0x5B << "VALARM_CAM_16_KEY";
  QTest::newRow("0x5C") << 0x5C << "VSUB_MACRO_1_KEY";
  QTest::newRow("0x6B") << 0x6B << "VSUB_MACRO_16_KEY";
  QTest::newRow("0x73") << 0x73 << "VSTOP_KEY";
  QTest::newRow("0x75") << 0x75 << "VMON_B_REMOTE_KEY";
  QTest::newRow("0x76 unnamed") << 0x76 << "";
  QTest::newRow("0x82") << 0x82 << "VMON_A_KEY";
  QTest::newRow("0x98") << 0x98 << "VREMOTE_ALM_RELEASE_KEY";
  QTest::newRow("0x99") << 0x99 << "VIPCAM_1_KEY";
  QTest::newRow("0x9C") << 0x9C << "VIPCAM_4_KEY";
  QTest::newRow("0x9D unnamed") << 0x9D << "";
  QTest::newRow("256") << 256 << "";
  QTest::newRow("-1") << -1 << "";
}

void TstKeyCodes::vKeyName() {
  QFETCH(int, code);
  QTEST(VKeyName(code), "name");
}

void TstKeyCodes::panelPairs_data() {
  QTest::addColumn<KeyPair>("pair");
  QTest::addColumn<int>("v");
  QTest::addColumn<int>("spi");
  QTest::newRow("Record") << keys::Record << 0x01 << 0x12;
  QTest::newRow("Play") << keys::Play << 0x74 << 0x76;
  QTest::newRow("Play backward") << keys::PlayBackward << 0x72 << 0x75;
  QTest::newRow("Stop") << keys::Stop << 0x73 << 0x11;
  QTest::newRow("Pause") << keys::Pause << 0x05 << 0x21;
  QTest::newRow("Search") << keys::Search << 0x6F << 0x72;
  QTest::newRow("Speed up") << keys::SpeedUp << 0x96 << 0xAC;
  QTest::newRow("Speed down") << keys::SpeedDown << 0x97 << 0xAD;
  QTest::newRow("Enter") << keys::Enter << 0x2A << 0x71;
  QTest::newRow("Menu") << keys::Menu << 0x29 << 0x70;
  QTest::newRow("Rewind") << keys::Rewind << 0x40 << 0x7A;
  QTest::newRow("Still advance") << keys::StillAdvance << 0x42 << 0x74;
  QTest::newRow("Fast forward") << keys::FastForward << 0x41 << 0x78;
  QTest::newRow("Still back") << keys::StillBack << 0x43 << 0x73;
  QTest::newRow("Zoom") << keys::Zoom << 0x06 << 0x83;
  QTest::newRow("Sequence") << keys::Sequence << 0x07 << 0x29;
  QTest::newRow("Sequence, alarm mode") << keys::AlarmSequence << 0x4B << 0x5F;
  QTest::newRow("Quad") << keys::Quad << 0x84 << 0xA2;
  QTest::newRow("Alarm release") << keys::AlarmRelease << 0x98 << 0x98;
  QTest::newRow("Alarm") << keys::Alarm << 0x04 << 0x01;
  QTest::newRow("Camera 1") << keys::Camera(1, false) << 0x09 << 0x30;
  QTest::newRow("Camera 4") << keys::Camera(4, false) << 0x0C << 0x33;
  QTest::newRow("Camera 1, alarm mode") << keys::Camera(1, true) << 0x4C << 0x60;
  QTest::newRow("Camera 4, alarm mode") << keys::Camera(4, true) << 0x4F << 0x63;
  QTest::newRow("IP camera 1") << keys::IpCamera(1) << 0x99 << 0xB1;
  QTest::newRow("IP camera 2") << keys::IpCamera(2) << 0x9A << 0xB2;
}

void TstKeyCodes::panelPairs() {
  QFETCH(KeyPair, pair);
  QTEST(pair.v, "v");
  QTEST(pair.spi, "spi");
  // Every code a panel key sends has a name in its set.
  QVERIFY(!VKeyName(pair.v).isEmpty());
  QVERIFY(!SPIKeyName(pair.spi).isEmpty());
}

void TstKeyCodes::diagonalsCombine() {
  QCOMPARE(SPI4_TILT_UP | SPI4_PAN_LEFT, int(SPI4_TILT_UP_PAN_LEFT));
  QCOMPARE(SPI4_TILT_UP | SPI4_PAN_RIGHT, int(SPI4_TILT_UP_PAN_RIGHT));
  QCOMPARE(SPI4_TILT_DOWN | SPI4_PAN_LEFT, int(SPI4_TILT_DOWN_PAN_LEFT));
  QCOMPARE(SPI4_TILT_DOWN | SPI4_PAN_RIGHT, int(SPI4_TILT_DOWN_PAN_RIGHT));
}

QTEST_GUILESS_MAIN(TstKeyCodes)
#include "tst_keycodes.moc"
