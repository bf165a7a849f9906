// The About box: the version line and what the box shows and where.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "frmAbout.h"
#include "pictures.h"
#include "version.h"

using zam::frmAbout;

class TestAbout : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void versionLine_data();
  void versionLine();
  void showsTheProgramInformation();
  void placedBelowTheMainWindowTopAndCentred();

 private:
  QTemporaryDir pictures_;
};

void TestAbout::initTestCase() {
  // Pictures of the test's own, so that their sizes are known here.
  QVERIFY(pictures_.isValid());
  QVERIFY(QDir(pictures_.path()).mkpath("Images"));
  QImage logo(200, 60, QImage::Format_RGB32);
  logo.fill(Qt::darkBlue);
  QVERIFY(logo.save(pictures_.filePath("Images/zam_logo.png")));
  zam::SetPictureRoot(pictures_.path());
}

void TestAbout::cleanupTestCase() { zam::SetPictureRoot(QString()); }

void TestAbout::versionLine_data() {
  QTest::addColumn<int>("major");
  QTest::addColumn<int>("minor");
  QTest::addColumn<int>("revision");
  QTest::addColumn<QString>("line");
  QTest::newRow("1.1.7") << 1 << 1 << 7 << "Version 1.01 (Build 1.01.0007)";
  QTest::newRow("1.1.1004") << 1 << 1 << 1004 << "Version 1.01 (Build 1.01.1004)";
  QTest::newRow("12.34.0") << 12 << 34 << 0 << "Version 12.34 (Build 12.34.0000)";
}

void TestAbout::versionLine() {
  QFETCH(int, major);
  QFETCH(int, minor);
  QFETCH(int, revision);
  QFETCH(QString, line);
  QCOMPARE(frmAbout::VersionLine(major, minor, revision), line);
}

void TestAbout::showsTheProgramInformation() {
  frmAbout box;
  box.show();
  QCOMPARE(box.windowTitle(), QStringLiteral("About Vantrel"));
  QCOMPARE(box.lblIntro->text(), QStringLiteral("Vantrel"));
  QVERIFY(box.lblIntro->font().bold());
  QCOMPARE(box.lblVersion->text(),
           frmAbout::VersionLine(KAYMOR_VERSION_MAJOR, KAYMOR_VERSION_MINOR, KAYMOR_VERSION_REVISION));
  QCOMPARE(box.lblComments->text(), QStringLiteral(KAYMOR_COMMENTS));
  QCOMPARE(box.lblLegal->text(), QStringLiteral(KAYMOR_LEGAL));

  QCOMPARE(box.imgLogo->pixmap().size(), QSize(200, 60));
  for (QWidget* w : {static_cast<QWidget*>(box.imgLogo), static_cast<QWidget*>(box.lblLegal)})
    QCOMPARE(w->x(), (box.width() - w->width()) / 2);

  QCOMPARE(box.cmdOK->text(), QStringLiteral("OK"));
  QTest::mouseClick(box.cmdOK, Qt::LeftButton);
  QVERIFY(!box.isVisible());
}

void TestAbout::placedBelowTheMainWindowTopAndCentred() {
  QWidget mainWindow;
  mainWindow.setGeometry(100, 120, 400, 300);
  mainWindow.show();
  QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
  frmAbout box(&mainWindow);
  box.show();
  const QRect screen = mainWindow.screen()->geometry();
  QCOMPARE(box.y(), mainWindow.frameGeometry().top() + 33);  // 500 twips
  QCOMPARE(box.x(), screen.left() + (screen.width() - box.width()) / 2);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
