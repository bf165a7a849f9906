// Profile.dat and the profile list of the Options dialog's settings tab.
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <dotquad/dotquad.h>
#include "frmOptions.h"
#include "kaymortest.h"
#include "profiles.h"
#include "settingsstore.h"

using zam::frmOptions;

namespace {

const QString kP20 = QStringLiteral("192.168.1.20,255.255.255.0,192.168.1.1,1,0");
const QString kP7 = QStringLiteral("10.0.0.7,255.0.0.0,10.0.0.1,1,1");
const QString kP9 = QStringLiteral("10.0.0.9,255.255.0.0,10.0.0.254,0,1");

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// The tab as addresses and list indexes.
QString Tab(const frmOptions& d) {
  return QStringList{d.dqIpAddress[0]->FullAddress(), d.dqIpAddress[1]->FullAddress(),
                     d.dqIpAddress[2]->FullAddress(), QString::number(d.cboEthernet[0]->currentIndex()),
                     QString::number(d.cboEthernet[1]->currentIndex())}
      .join(',');
}

}  // namespace

class TestProfiles : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void fileLines();
  void appendKeepsEveryLine();
  void addProfile();
  void emptyTextAndMissingFile();
  void listAndApplyRemembered();
  void openingAppliesRememberedProfile();
  void selectingAProfile();
  void deleteOnlyProfile();
  void deleteAsksFirst();
  void deleteDisabledWithoutProfiles();
  void deleteSelectedOfSeveral();

 private:
  QString Path() const { return dir_->filePath(QStringLiteral("Profile.dat")); }
  std::unique_ptr<QTemporaryDir> dir_;
};

void TestProfiles::init() {
  kaymortest::ResetSettings();
  dir_ = std::make_unique<QTemporaryDir>();
  zam::SetProfileFolder(dir_->path());
}

void TestProfiles::cleanup() {
  zam::SetProfileFolder(QString());
  dir_.reset();
}

void TestProfiles::fileLines() {
  QCOMPARE(zam::ProfileFilePath(), Path());
  WriteBytes(Path(), "  " + kP20.toLatin1() + "  \r\n\r\n   \r\n" + kP7.toLatin1() + "\r\nno comma\r\n");
  QStringList lines;
  QVERIFY(zam::ReadProfileLines(Path(), &lines));
  QCOMPARE(lines, (QStringList{kP20, kP7, "no comma"}));
  QCOMPARE(zam::ProfileName(lines[0]), QStringLiteral("192.168.1.20"));
  QCOMPARE(zam::ProfileName(QStringLiteral(" 10.0.0.7 ,x")), QStringLiteral("10.0.0.7"));
  QCOMPARE(zam::ProfileName(lines[2]), QString());

  QVERIFY(zam::WriteProfileLines(Path(), {kP7, kP9}));
  QCOMPARE(FileBytes(Path()), kP7.toLatin1() + "\r\n" + kP9.toLatin1() + "\r\n");
  QVERIFY(!zam::ReadProfileLines(dir_->filePath("missing.dat"), &lines));
  QVERIFY(lines.isEmpty());
}

void TestProfiles::appendKeepsEveryLine() {
  QVERIFY(zam::AppendProfileLine(Path(), kP20));
  QCOMPARE(FileBytes(Path()), kP20.toLatin1() + "\r\n");
  // A last line without its end is not joined to the new one.
  WriteBytes(Path(), kP20.toLatin1() + "\r\n" + kP7.toLatin1());
  QVERIFY(zam::AppendProfileLine(Path(), kP9));
  QCOMPARE(FileBytes(Path()), kP20.toLatin1() + "\r\n" + kP7.toLatin1() + "\r\n" + kP9.toLatin1() + "\r\n");
  // The new text replaces the file whole: no temporary file is left beside it.
  QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"Profile.dat"});
}

void TestProfiles::addProfile() {
  frmOptions d;
  QVERIFY(d.ProfileAction(zam::AddProfile, kP20));
  QCOMPARE(FileBytes(Path()), kP20.toLatin1() + "\r\n");
  QVERIFY(d.ProfileAction(zam::AddProfile, kP7));
  // Same address, other settings: the new line takes the old one's place,
  // written whole as a new file.
  const QString changed = QStringLiteral("192.168.1.20,255.255.0.0,192.168.1.254,0,1");
  QVERIFY(d.ProfileAction(zam::AddProfile, changed));
  QCOMPARE(FileBytes(Path()), changed.toLatin1() + "\r\n" + kP7.toLatin1() + "\r\n");
  QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"Profile.dat"});
  // The same line again changes nothing.
  QVERIFY(d.ProfileAction(zam::AddProfile, changed));
  QCOMPARE(FileBytes(Path()), changed.toLatin1() + "\r\n" + kP7.toLatin1() + "\r\n");
  // Chosen later, the profile puts the new values on the page.
  QVERIFY(d.ProfileAction(zam::ApplyProfile, QStringLiteral("192.168.1.20")));
  QCOMPARE(d.dqIpAddress[1]->FullAddress(), QStringLiteral("255.255.0.0"));
  QCOMPARE(d.dqIpAddress[2]->FullAddress(), QStringLiteral("192.168.1.254"));
  QCOMPARE(d.cboEthernet[0]->currentIndex(), 0);
  QCOMPARE(d.cboEthernet[1]->currentIndex(), 1);
}

void TestProfiles::emptyTextAndMissingFile() {
  frmOptions d;
  for (qint16 action : {zam::AddProfile, zam::DeleteProfile, zam::ApplyProfile})
    QVERIFY(!d.ProfileAction(action, QString()));
  QVERIFY(!d.ProfileAction(zam::ListProfiles, QStringLiteral(" ")));
  QVERIFY(!d.ProfileAction(zam::ApplyProfile, QStringLiteral("10.0.0.7")));
  QVERIFY(!QFile::exists(Path()));
  WriteBytes(Path(), kP7.toLatin1() + "\r\n");
  QVERIFY(!d.ProfileAction(zam::ApplyProfile, QStringLiteral("10.0.0.8")));
  QCOMPARE(Tab(d), QStringLiteral(",,,-1,-1"));
}

void TestProfiles::listAndApplyRemembered() {
  WriteBytes(Path(), (kP20 + "\r\n" + kP9 + "\r\n" + kP7 + "\r\n").toLatin1());
  frmOptions d;
  zam::SaveSetting("Options", "IPProfile", "10.0.0.9");
  QVERIFY(d.ProfileAction(zam::ListProfiles, QStringLiteral(" ")));
  QCOMPARE(Items(d.cboProfile), (QStringList{"10.0.0.7", "10.0.0.9", "192.168.1.20"}));
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("10.0.0.9"));
  QCOMPARE(Tab(d), kP9);

  // A remembered name that is gone: the first name.
  zam::SaveSetting("Options", "IPProfile", "10.9.9.9");
  QVERIFY(d.ProfileAction(zam::ListProfiles, QStringLiteral(" ")));
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("10.0.0.7"));
  QCOMPARE(Tab(d), kP7);
  QCOMPARE(zam::GetSetting("Options", "IPProfile"), QStringLiteral("10.0.0.7"));
}

void TestProfiles::openingAppliesRememberedProfile() {
  WriteBytes(Path(), (kP20 + "\r\n" + kP7 + "\r\n").toLatin1());
  zam::SaveSetting("Options", "IPProfile", "192.168.1.20");
  frmOptions d;
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("192.168.1.20"));
  QCOMPARE(Tab(d), kP20);
  for (int i = 1; i <= 3; ++i) QVERIFY(d.cmdEthernet[i]->isEnabled());

  // Without a remembered profile the list stays empty and the buttons off.
  zam::SaveSetting("Options", "IPProfile", QString());
  frmOptions fresh;
  QCOMPARE(fresh.cboProfile->count(), 0);
  for (int i = 1; i <= 3; ++i) QVERIFY(!fresh.cmdEthernet[i]->isEnabled());
}

void TestProfiles::selectingAProfile() {
  WriteBytes(Path(), (kP20 + "\r\n" + kP7 + "\r\n").toLatin1());
  zam::SaveSetting("Options", "IPProfile", "192.168.1.20");
  frmOptions d;
  const int index = d.cboProfile->findText("10.0.0.7");
  d.cboProfile->setCurrentIndex(index);
  emit d.cboProfile->activated(index);
  QCOMPARE(Tab(d), kP7);
  QCOMPARE(zam::GetSetting("Options", "IPProfile"), QStringLiteral("10.0.0.7"));
}

void TestProfiles::deleteOnlyProfile() {
  WriteBytes(Path(), kP20.toLatin1() + "\r\n");
  zam::SaveSetting("Options", "IPProfile", "192.168.1.20");
  frmOptions d;
  QCOMPARE(Tab(d), kP20);
  QVERIFY(d.cmdDelete->isEnabled());
  kaymortest::MsgRecorder boxes(zam::MsgAnswer::Yes);
  d.cmdDelete->click();
  QCOMPARE(FileBytes(Path()), QByteArray());
  QCOMPARE(d.cboProfile->count(), 0);
  // The fields keep what they showed; there is nothing left to delete.
  QCOMPARE(Tab(d), kP20);
  for (int i = 1; i <= 3; ++i) QVERIFY(d.cmdEthernet[i]->isEnabled());
  QVERIFY(!d.cmdDelete->isEnabled());
}

// Delete asks first, naming the profile, with No as the default; No keeps it.
void TestProfiles::deleteAsksFirst() {
  WriteBytes(Path(), (kP20 + "\r\n" + kP7 + "\r\n").toLatin1());
  zam::SaveSetting("Options", "IPProfile", "10.0.0.7");
  frmOptions d;
  kaymortest::MsgRecorder boxes(zam::MsgAnswer::No);
  d.cmdDelete->click();
  QCOMPARE(boxes.shown.size(), 1);
  QVERIFY2(boxes.shown[0].text.contains(QLatin1String("\"10.0.0.7\"")), qPrintable(boxes.shown[0].text));
  QCOMPARE(boxes.shown[0].buttons, zam::MsgButtons::YesNo);
  QCOMPARE(boxes.shown[0].defaultButton, std::optional(zam::MsgAnswer::No));
  QCOMPARE(FileBytes(Path()), (kP20 + "\r\n" + kP7 + "\r\n").toLatin1());
  QCOMPARE(Items(d.cboProfile), (QStringList{"10.0.0.7", "192.168.1.20"}));
  QCOMPARE(Tab(d), kP7);
}

// Without a profile there is nothing to delete.
void TestProfiles::deleteDisabledWithoutProfiles() {
  frmOptions empty;
  QVERIFY(!empty.cmdDelete->isEnabled());
  WriteBytes(Path(), kP7.toLatin1() + "\r\n");
  zam::SaveSetting("Options", "IPProfile", "10.0.0.7");
  frmOptions one;
  QVERIFY(one.cmdDelete->isEnabled());
}

void TestProfiles::deleteSelectedOfSeveral() {
  WriteBytes(Path(), (kP20 + "\r\n" + kP9 + "\r\n" + kP7 + "\r\n").toLatin1());
  zam::SaveSetting("Options", "IPProfile", "10.0.0.9");
  frmOptions d;
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("10.0.0.9"));
  kaymortest::MsgRecorder boxes(zam::MsgAnswer::Yes);
  d.cmdDelete->click();
  QCOMPARE(FileBytes(Path()), (kP20 + "\r\n" + kP7 + "\r\n").toLatin1());
  QCOMPARE(Items(d.cboProfile), (QStringList{"10.0.0.7", "192.168.1.20"}));
  QCOMPARE(d.cboProfile->currentText(), QStringLiteral("10.0.0.7"));
  // The first remaining name is selected and remembered; the fields keep what they showed.
  QCOMPARE(Tab(d), kP9);
  QCOMPARE(zam::GetSetting("Options", "IPProfile"), QStringLiteral("10.0.0.7"));
  // Choosing it applies it as usual.
  emit d.cboProfile->activated(d.cboProfile->currentIndex());
  QCOMPARE(Tab(d), kP7);
}

KAYMOR_TEST_MAIN(TestProfiles)
#include "tst_profiles.moc"
