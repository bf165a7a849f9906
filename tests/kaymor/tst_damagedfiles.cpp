// A settings file or Profile.dat that is damaged: the program starts with
// defaults and never writes over a file it could not read.
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>

#include "frmOptions.h"
#include "kaymortest.h"
#include "profiles.h"
#include "settingsstore.h"

using namespace kaymortest;

namespace {

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Bytes of no text format, NULs included; the same every run.
QByteArray Junk(int size) {
  QByteArray b(size, '\0');
  quint32 x = 2463534242u;
  for (char& c : b) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = char(x);
  }
  return b;
}

}  // namespace

class TestDamagedFiles : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { WriteLedPictures(); }
  void init() { ResetSettings(); }

  void damagedSettingsFileIsKept_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("binary junk") << Junk(4096);
    QTest::newRow("zeros after a crash") << QByteArray(2048, '\0');
    QTest::newRow("section never closed") << QByteArray("[Options\nDisOption=1\n");
  }
  void damagedSettingsFileIsKept() {
    QFETCH(QByteArray, bytes);
    const QString path = zam::SettingsFilePath();
    QVERIFY(WriteBytes(path, bytes));
    {
      Window win;
      QVERIFY(win.Load());
      // Defaults: no address entries, nothing selected.
      QCOMPARE(win.w->cboComPort->findText("10.0.0.5, ZAM4, A1"), -1);
      zam::SaveSetting("Options", "Test", "1");
      QVERIFY(win.w->close());
    }
    QCOMPARE(FileBytes(path), bytes);
    QCOMPARE(zam::GetSetting("Options", "Test", "absent"), QString("absent"));
  }

  // A file damaged after a write of ours, in place and to the same size,
  // is found out before the next write all the same.
  void fileDamagedAfterOurWriteIsKept() {
    const QString path = zam::SettingsFilePath();
    zam::SaveSetting("Options", "Test", "1");
    const QByteArray junk = Junk(int(QFileInfo(path).size()));
    QVERIFY(WriteBytes(path, junk));
    zam::SaveSetting("Options", "Test", "2");
    QCOMPARE(FileBytes(path), junk);
    zam::SaveSetting("Options", "Test", "1");
    QCOMPARE(FileBytes(path), junk);
  }

  // Only slots IP0 to IP254 exist; a damaged count does not stall start-up.
  void damagedEntryCountReadsTheSlots() {
    zam::SaveSetting("IPAddressList", "IP0", "10.0.0.5,ZAM4,A1,pw,1024");
    zam::SaveSetting("IPAddressList", "IP254", "10.0.0.9,ZAM1,Z9,pw,1024");
    zam::SaveSetting("IPAddressList", "IP255", "10.0.0.7,ZAM1,X7,pw,1024");
    zam::SaveSetting("IPAddressList", "Total", "2000000000");
    zam::SaveSetting("IPAddressList", "CommType", "1");
    Window win;
    QVERIFY(win.Load());
    QVERIFY(win.w->cboComPort->findText("10.0.0.5, ZAM4, A1") >= 0);
    QVERIFY(win.w->cboComPort->findText("10.0.0.9, ZAM1, Z9") >= 0);
    QCOMPARE(win.w->cboComPort->findText("10.0.0.7, ZAM1, X7"), -1);
  }

  // Listing and applying profiles from a junk Profile.dat leaves it alone.
  void damagedProfileFileIsKept() {
    QTemporaryDir dir;
    zam::SetProfileFolder(dir.path());
    const QString path = zam::ProfileFilePath();
    const QByteArray bytes = Junk(3000) + "\r\n10.0.0.7,255.0.0.0,10.0.0.1,1,1\r\n" + Junk(100);
    QVERIFY(WriteBytes(path, bytes));
    {
      zam::frmOptions d;
      QVERIFY(d.ProfileAction(zam::ListProfiles, " "));
      QVERIFY(d.cboProfile->findText("10.0.0.7") >= 0);
      QVERIFY(d.ProfileAction(zam::ApplyProfile, "10.0.0.7"));
    }
    QCOMPARE(FileBytes(path), bytes);
    zam::SetProfileFolder(QString());
  }
};

KAYMOR_TEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
