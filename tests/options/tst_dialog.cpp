// The Options dialog without a network: what it loads, what OK and Cancel
// store, the discovery option and the port box's key filter.
#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTabWidget>
#include <QtTest>

#include "frmOptions.h"
#include "kaymortest.h"
#include "settingsstore.h"

using zam::frmOptions;

class TestDialog : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void layout();
  void loadsTheStore_data();
  void loadsTheStore();
  void okStoresCancelDoesNot();
  void optionSwitchesTheDiscoveryControls();
  void portKeys_data();
  void portKeys();
  void portEditingKeys_data();
  void portEditingKeys();
};

void TestDialog::init() { kaymortest::ResetSettings(); }

void TestDialog::layout() {
  frmOptions d;
  QCOMPARE(d.SSTab1->count(), 2);
  QCOMPARE(d.SSTab1->tabText(0), QStringLiteral("&Discovery"));
  QCOMPARE(d.SSTab1->tabText(1), QStringLiteral("&Ethernet Settings"));
  QCOMPARE(d.optDisOption[0]->text(),
           QStringLiteral("Discover the Marloxs and add them to the IP Address list automatically"));
  QCOMPARE(d.optDisOption[1]->text(), QStringLiteral("Discover the Marloxs and show them into the IP Address list"));
  QCOMPARE(d.lblDisStatus->text(), QStringLiteral("Click Discover"));
  QStringList captions;
  for (QPushButton* b : d.cmdEthernet) captions << b->text();
  QCOMPARE(captions, (QStringList{"&Read", "&Change", "&Ping", "&Launch Web", "Re&boot"}));
  for (QComboBox* list : d.cboEthernet) {
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("Disable"));
    QCOMPARE(list->itemText(1), QStringLiteral("Enable"));
  }
  QVERIFY(d.findChild<QPushButton*>("cmdEthernet(3)"));
  QVERIFY(d.findChild<QWidget*>("dqIpAddress(2)"));
  QVERIFY(!d.cmdAddIP->isEnabled());
}

void TestDialog::loadsTheStore_data() {
  QTest::addColumn<QString>("option");
  QTest::addColumn<QString>("port");
  QTest::addColumn<QString>("comPort");
  QTest::addColumn<QString>("baud");
  QTest::addColumn<int>("checked");
  QTest::addColumn<QString>("portText");
  QTest::addColumn<QString>("device");
  QTest::addColumn<int>("rate");
  QTest::newRow("empty store") << "" << "" << "" << "" << 0 << "8092" << "ttyS0" << 57600;
  QTest::newRow("on request") << "1" << "9000" << "COM4" << "9600" << 1 << "9000" << "ttyS3" << 9600;
  QTest::newRow("automatic") << "0" << "8093" << "COM16" << "1200" << 0 << "8093" << "ttyS15" << 1200;
}

void TestDialog::loadsTheStore() {
  QFETCH(QString, option);
  QFETCH(QString, port);
  QFETCH(QString, comPort);
  QFETCH(QString, baud);
  QFETCH(int, checked);
  QFETCH(QString, portText);
  QFETCH(QString, device);
  QFETCH(int, rate);
  if (!option.isEmpty()) zam::SaveSetting("Options", "DisOption", option);
  if (!port.isEmpty()) zam::SaveSetting("Options", "DisPort", port);
  if (!comPort.isEmpty()) zam::SaveSetting("RS-232", "Port", comPort);
  if (!baud.isEmpty()) zam::SaveSetting("RS-232", "BaudRate", baud);
  frmOptions d;
  QVERIFY(d.optDisOption[checked]->isChecked());
  QVERIFY(!d.optDisOption[1 - checked]->isChecked());
  QCOMPARE(d.txtPort->text(), portText);
  QCOMPARE(d.MSComm1->Device(), "/dev/" + device);
  QCOMPARE(d.MSComm1->BaudRate(), rate);
}

void TestDialog::okStoresCancelDoesNot() {
  QAction menuItem(QStringLiteral("&Options..."));
  {
    frmOptions d(&menuItem);
    d.optDisOption[1]->click();
    d.txtPort->setText(QStringLiteral("8100"));
    d.cmdCancel->click();
    QCOMPARE(d.result(), int(QDialog::Rejected));
  }
  QCOMPARE(kaymortest::SectionLines("Options"), QStringList());
  {
    frmOptions d(&menuItem);
    d.optDisOption[1]->click();
    d.txtPort->setText(QStringLiteral("8100"));
    d.cmdOK->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
  }
  QCOMPARE(zam::GetSetting("Options", "DisOption"), QStringLiteral("1"));
  QCOMPARE(zam::GetSetting("Options", "DisPort"), QStringLiteral("8100"));
  {
    frmOptions d(&menuItem);
    d.optDisOption[0]->click();
    d.cmdOK->click();
  }
  QCOMPARE(zam::GetSetting("Options", "DisOption"), QStringLiteral("0"));
  // Nothing of the address list changed.
  QVERIFY(!menuItem.property("Tag").isValid());
}

void TestDialog::optionSwitchesTheDiscoveryControls() {
  frmOptions d;
  QVERIFY(!d.cmdDiscovery->isEnabled());
  d.optDisOption[1]->click();
  QVERIFY(d.cmdDiscovery->isEnabled());
  QVERIFY(d.lblDisStatus->isEnabled());
  // Nothing listed yet: nothing to select.
  QVERIFY(!d.cmdSelectAll[0]->isEnabled());
  QVERIFY(!d.cmdSelectAll[1]->isEnabled());

  auto* item = new QListWidgetItem(QStringLiteral("10.0.0.5, ZAM4, A1"), d.lstIPAddress);
  item->setCheckState(Qt::Unchecked);
  d.optDisOption[1]->click();
  QVERIFY(d.cmdSelectAll[0]->isEnabled());
  d.cmdSelectAll[0]->click();
  QCOMPARE(item->checkState(), Qt::Checked);
  QVERIFY(d.cmdAddIP->isEnabled());
  d.cmdSelectAll[1]->click();
  QCOMPARE(item->checkState(), Qt::Unchecked);
  QVERIFY(!d.cmdAddIP->isEnabled());
  item->setCheckState(Qt::Checked);
  QVERIFY(d.cmdAddIP->isEnabled());

  d.optDisOption[0]->click();
  for (QWidget* w : {static_cast<QWidget*>(d.cmdDiscovery), static_cast<QWidget*>(d.cmdSelectAll[0]),
                     static_cast<QWidget*>(d.cmdSelectAll[1]), static_cast<QWidget*>(d.lblDisStatus),
                     static_cast<QWidget*>(d.lstIPAddress)})
    QVERIFY(!w->isEnabled());
  // The port stays editable: timed discovery uses it too.
  QVERIFY(d.txtPort->isEnabled());
}

void TestDialog::portKeys_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("digits") << "8093" << "8093";
  QTest::newRow("letters and blanks dropped") << "8a0 9b2" << "8092";
  QTest::newRow("minus passes") << "-12" << "-12";
  QTest::newRow("only the digits 0 to 9") << QString::fromUtf8("8\u0663\uFF190") << "80";
  QTest::newRow("at most five characters") << "1234567" << "12345";
}

void TestDialog::portKeys() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  frmOptions d;
  d.show();
  d.txtPort->clear();
  for (const QChar c : typed) {
    // keyClick knows ASCII keys only; other characters arrive as their text.
    if (c.unicode() < 0x80) QTest::keyClick(d.txtPort, c.toLatin1());
    else QTest::sendKeyEvent(QTest::Click, d.txtPort, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  QCOMPARE(d.txtPort->text(), shown);
  QTest::keyClick(d.txtPort, Qt::Key_Backspace);
  QCOMPARE(d.txtPort->text(), shown.left(shown.size() - 1));
  // A paste is filtered like typing.
  QGuiApplication::clipboard()->setText(QStringLiteral("7x"));
  QTest::keyClick(d.txtPort, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(d.txtPort->text(), shown.left(shown.size() - 1) + "7");
}

// The editing keys are no typed characters: they all work in the port box.
// Delete comes with the text X11 gives it (0x7F).
void TestDialog::portEditingKeys_data() {
  QTest::addColumn<QString>("keys");  // one letter a key, see below
  QTest::addColumn<QString>("shown");
  QTest::newRow("Delete at the start") << "HD" << "092";
  QTest::newRow("Backspace at the end") << "EB" << "809";
  QTest::newRow("Left, then a digit") << "LL5" << "80592";
  QTest::newRow("Home, Right, Delete") << "HRD" << "892";
  QTest::newRow("Ctrl+A, Delete") << "AD" << "";
  QTest::newRow("Ctrl+A, Ctrl+X, Ctrl+V twice") << "AXVV" << "80928";
  QTest::newRow("Ctrl+A, Ctrl+C, End, Ctrl+V") << "ACEV" << "80928";
  QTest::newRow("Delete, then Ctrl+Z") << "HDZ" << "8092";
}

void TestDialog::portEditingKeys() {
  QFETCH(QString, keys);
  QFETCH(QString, shown);
  frmOptions d;
  d.show();
  QCOMPARE(d.txtPort->text(), QStringLiteral("8092"));
  d.txtPort->setFocus();
  d.txtPort->end(false);
  for (const QChar k : keys) {
    switch (k.toLatin1()) {
      case 'D': QTest::sendKeyEvent(QTest::Click, d.txtPort, Qt::Key_Delete, QChar(0x7F), Qt::NoModifier); break;
      case 'B': QTest::keyClick(d.txtPort, Qt::Key_Backspace); break;
      case 'H': QTest::keyClick(d.txtPort, Qt::Key_Home); break;
      case 'E': QTest::keyClick(d.txtPort, Qt::Key_End); break;
      case 'L': QTest::keyClick(d.txtPort, Qt::Key_Left); break;
      case 'R': QTest::keyClick(d.txtPort, Qt::Key_Right); break;
      case 'A': case 'C': case 'V': case 'X': case 'Z':
        QTest::keyClick(d.txtPort, Qt::Key(Qt::Key_A + (k.toLatin1() - 'A')), Qt::ControlModifier);
        break;
      default: QTest::keyClick(d.txtPort, k.toLatin1()); break;
    }
  }
  QCOMPARE(d.txtPort->text(), shown);
}

KAYMOR_TEST_MAIN(TestDialog)
#include "tst_dialog.moc"
