// The add-address dialog: its fields and filters, the checks of "&OK" and
// the entry it hands back. "&OK" pings the address, and the address field
// refuses 127 as a first part, so the tests that get past the address check
// run in a private network namespace of their own with 10.9.9.1 on its
// loopback (main() moves the process there; root only).
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

#include <dotquad/dotquad.h>
#include "frmAddIP.h"
#include "msgbox.h"
#include "privatenetns.h"

using zam::frmAddIP;
using zam::MsgRequest;

namespace {

// Empty once main() has built the namespace, else why it could not.
QString netnsUnavailable = QStringLiteral("not attempted");

#define REQUIRE_NETNS()                                                               \
  do {                                                                                \
    if (!netnsUnavailable.isEmpty())                                                  \
      QSKIP(qPrintable(QStringLiteral("pings an address outside 127/8: ") + netnsUnavailable)); \
  } while (false)

const QString kSeparator(38, QLatin1Char('='));
const QStringList kEmptyBox = {"Add", "Clear", "Delete"};
const QStringList kBoxWith12 = {"10.9.9.12, ZAM4, B7", kSeparator, "Add", "Clear", "Delete"};
const QStringList kBoxWith50 = {"10.9.9.50, ZAM4, B7", kSeparator, "Add", "Clear", "Delete"};
const QStringList kBoxWith1 = {"10.9.9.1, ZAM4, B8", "10.9.9.50, ZAM4, B7", kSeparator, "Add", "Clear", "Delete"};

struct Input {
  QString address, model, serial, password, port;
};

}  // namespace

class TestAddIP : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void fields();
  void filters_data();
  void filters();
  void badAddressFormat_data();
  void badAddressFormat();
  void cancelGivesNoEntry();
  void accepted_data();
  void accepted();
  void refused_data();
  void refused();
  void modalRunReadsTheAddressBox();

 private:
  frmAddIP* Open(const QStringList& items);
  static void Fill(frmAddIP* d, const Input& in);
  QList<MsgRequest> messages_;
  std::unique_ptr<frmAddIP> dialog_;
};

void TestAddIP::init() {
  messages_.clear();
  zam::SetMsgHandler([this](const MsgRequest& r) {
    messages_ << r;
    return zam::MsgAnswer::Ok;
  });
}

void TestAddIP::cleanup() {
  dialog_.reset();
  zam::SetMsgHandler({});
}

frmAddIP* TestAddIP::Open(const QStringList& items) {
  dialog_ = std::make_unique<frmAddIP>(items);
  dialog_->show();
  return dialog_.get();
}

void TestAddIP::Fill(frmAddIP* d, const Input& in) {
  auto* dq = qobject_cast<DotquadLib::Dotquad*>(d->dqNewIPAddress);
  QVERIFY(dq);
  dq->SetFullAddress(in.address);
  const QString texts[4] = {in.model, in.serial, in.password, in.port};
  for (int i = 0; i < 4; ++i) d->txtModel[i]->setText(texts[i]);
}

void TestAddIP::fields() {
  zam::NewAddressEntry = QStringLiteral("left over");
  frmAddIP* d = Open(kEmptyBox);
  QCOMPARE(zam::NewAddressEntry, QString());
  QCOMPARE(d->windowTitle(), QStringLiteral("Add IP Address"));
  QVERIFY(qobject_cast<DotquadLib::Dotquad*>(d->findChild<QWidget*>("dqNewIPAddress")));
  QCOMPARE(d->cmdOK->text(), QStringLiteral("&OK"));
  QCOMPARE(d->cmdCancel->text(), QStringLiteral("&Cancel"));

  const QStringList labels = {"&IP Address:", "&Model:", "&Serial Number:", "&Password:",
                              "Port &Number:"};
  const int lengths[4] = {20, 20, 4, 5};
  const QStringList initial = {"", "", "", "1024"};
  const QStringList tags = {"Model", "Serial Number", "", "Port Number"};
  QCOMPARE(d->lblField[0]->text(), labels[0]);
  QCOMPARE(d->lblField[0]->buddy(), d->dqNewIPAddress);
  for (int i = 0; i < 4; ++i) {
    QLineEdit* box = d->findChild<QLineEdit*>(QStringLiteral("txtModel(%1)").arg(i));
    QCOMPARE(box, d->txtModel[i]);
    QCOMPARE(d->lblField[i + 1]->text(), labels[i + 1]);
    QCOMPARE(d->lblField[i + 1]->buddy(), box);
    QCOMPARE(box->maxLength(), lengths[i]);
    QCOMPARE(box->text(), initial[i]);
    QCOMPARE(box->property("Tag").toString(), tags[i]);
  }

  // Tab order: the address field (one stop, its first box), the four text boxes, OK, Cancel.
  QList<QWidget*> expected;
  expected << d->dqNewIPAddress->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(0)"));
  for (QLineEdit* box : d->txtModel) expected << box;
  expected << d->cmdOK << d->cmdCancel;
  QList<QWidget*> chain;
  QWidget* w = expected.first();
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) chain << w;
    w = w->nextInFocusChain();
  } while (w != expected.first() && chain.size() < expected.size());
  QCOMPARE(chain, expected);
}

void TestAddIP::filters_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("pasted");
  QTest::addColumn<QString>("expected");
  QTest::newRow("model takes any character") << 0 << "Zam 4/x" << "" << "Zam 4/x";
  QTest::newRow("model drops the entry separator") << 0 << "" << "ZA,M4," << "ZAM4";
  QTest::newRow("serial upper-cased, others dropped") << 1 << "ab-12?z_" << "" << "AB-12Z";
  QTest::newRow("serial paste filtered too") << 1 << "" << "a1, b2;c" << "A1B2C";
  QTest::newRow("serial at most 20") << 1 << "abcdefghijklmnopqrstuvwxy" << ""
                                     << "ABCDEFGHIJKLMNOPQRST";
  QTest::newRow("password digits and dash, 4 long") << 2 << "12a-34" << "" << "12-3";
  QTest::newRow("password paste filtered") << 2 << "" << "x9y8" << "98";
  QTest::newRow("port digits only") << 3 << "8o8o" << "" << "88";
  QTest::newRow("port at most 5") << 3 << "6553599" << "" << "65535";
}

void TestAddIP::filters() {
  QFETCH(int, field);
  QFETCH(QString, typed);
  QFETCH(QString, pasted);
  QFETCH(QString, expected);
  frmAddIP* d = Open(kEmptyBox);
  QLineEdit* box = d->txtModel[field];
  box->clear();
  box->setFocus();
  if (!typed.isEmpty()) QTest::keyClicks(box, typed);
  if (!pasted.isEmpty()) box->insert(pasted);
  QCOMPARE(box->text(), expected);
  QCOMPARE(box->cursorPosition(), expected.size());
}

void TestAddIP::badAddressFormat_data() {
  QTest::addColumn<QString>("address");
  QTest::addColumn<int>("erasedPart");  // -1: none
  QTest::newRow("nothing typed") << "" << -1;
  QTest::newRow("incomplete") << "10.1.." << -1;
  // The field still knows 10.9.9.1, but shows 10.9.9.: OK takes what it shows.
  QTest::newRow("last part erased after a complete address") << "10.9.9.1" << 3;
  QTest::newRow("first part erased after a complete address") << "10.9.9.1" << 0;
}

void TestAddIP::badAddressFormat() {
  // Refused before any echo is sent.
  QFETCH(QString, address);
  QFETCH(int, erasedPart);
  // Where a fault would let the complete address through, it would be pinged.
  if (erasedPart >= 0) REQUIRE_NETNS();
  frmAddIP* d = Open(kEmptyBox);
  Fill(d, {address, "ZAM4", "B1", "", "1024"});
  if (erasedPart >= 0)
    d->dqNewIPAddress->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(%1)").arg(erasedPart))->clear();
  QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  QCOMPARE(messages_.size(), 1);
  QCOMPARE(messages_[0].title, QStringLiteral("IP Address"));
  QCOMPARE(messages_[0].text, QStringLiteral("Bad IP address format.    "));
  QCOMPARE(messages_[0].icon, zam::MsgIcon::Exclamation);
  QCOMPARE(messages_[0].buttons, zam::MsgButtons::Ok);
  QVERIFY(d->isVisible());
  QCOMPARE(zam::NewAddressEntry, QString());
  QCOMPARE(d->txtModel[2]->text(), QString());  // no default password yet
}

void TestAddIP::cancelGivesNoEntry() {
  frmAddIP* d = Open(kEmptyBox);
  Fill(d, {"10.9.9.1", "ZAM4", "B1", "1234", "1024"});
  QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
  QVERIFY(!d->isVisible());
  QCOMPARE(d->result(), int(QDialog::Rejected));
  QCOMPARE(zam::NewAddressEntry, QString());
  QVERIFY(messages_.isEmpty());
}

void TestAddIP::accepted_data() {
  QTest::addColumn<QString>("address");
  QTest::addColumn<QString>("model");
  QTest::addColumn<QString>("serial");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("port");
  QTest::addColumn<QStringList>("box");
  QTest::addColumn<QString>("entry");
  QTest::newRow("complete input") << "10.9.9.1" << "ZAM4" << "A1" << "1234" << "1024" << kEmptyBox
                                  << "10.9.9.1,ZAM4,A1,1234,1024";
  QTest::newRow("empty password is qmpv") << "10.9.9.1" << "ZAM1" << "X9" << "" << "2048"
                                          << kEmptyBox << "10.9.9.1,ZAM1,X9,qmpv,2048";
  QTest::newRow("model trimmed") << "10.9.9.1" << "  ZAM 4  " << "X9" << "77" << "1024" << kEmptyBox
                                 << "10.9.9.1,ZAM 4,X9,77,1024";
  QTest::newRow("other units listed") << "10.9.9.1" << "ZAM4" << "C3" << "" << "1024" << kBoxWith50
                                      << "10.9.9.1,ZAM4,C3,qmpv,1024";
  QTest::newRow("unit that does not answer") << "10.9.8.2" << "ZAM4" << "C3" << "" << "1024"
                                             << kEmptyBox << "10.9.8.2,ZAM4,C3,qmpv,1024";
  QTest::newRow("unit out of reach") << "10.9.9.2" << "ZAM4" << "C3" << "" << "1024"
                                     << kEmptyBox << "10.9.9.2,ZAM4,C3,qmpv,1024";
  // Addresses and serial numbers are compared whole, field with field; the
  // commands and the separator are no units.
  QTest::newRow("address inside a longer listed address") << "10.9.9.1" << "ZAM4" << "C3" << "" << "1024"
                                                          << kBoxWith12 << "10.9.9.1,ZAM4,C3,qmpv,1024";
  QTest::newRow("serial A, D or C besides the commands") << "10.9.9.1" << "ZAM4" << "A" << "" << "1024"
                                                         << kBoxWith50 << "10.9.9.1,ZAM4,A,qmpv,1024";
  QTest::newRow("serial D") << "10.9.9.1" << "ZAM4" << "D" << "" << "1024" << kEmptyBox
                            << "10.9.9.1,ZAM4,D,qmpv,1024";
  QTest::newRow("serial inside a listed model") << "10.9.9.1" << "ZAM4" << "4" << "" << "1024" << kBoxWith50
                                                << "10.9.9.1,ZAM4,4,qmpv,1024";
  QTest::newRow("serial equal to a listed model") << "10.9.9.1" << "ZAM4" << "ZAM4" << "" << "1024"
                                                  << kBoxWith50 << "10.9.9.1,ZAM4,ZAM4,qmpv,1024";
  QTest::newRow("serial inside a listed address") << "10.9.9.1" << "ZAM4" << "50" << "" << "1024" << kBoxWith50
                                                  << "10.9.9.1,ZAM4,50,qmpv,1024";
  QTest::newRow("serial inside a listed serial") << "10.9.9.1" << "ZAM4" << "B" << "" << "1024" << kBoxWith50
                                                 << "10.9.9.1,ZAM4,B,qmpv,1024";
}

void TestAddIP::accepted() {
  REQUIRE_NETNS();
  QFETCH(QString, address);
  QFETCH(QString, model);
  QFETCH(QString, serial);
  QFETCH(QString, password);
  QFETCH(QString, port);
  QFETCH(QStringList, box);
  QFETCH(QString, entry);
  frmAddIP* d = Open(box);
  Fill(d, {address, model, serial, password, port});
  QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  QVERIFY2(messages_.isEmpty(), messages_.isEmpty() ? "" : qPrintable(messages_[0].text));
  QCOMPARE(zam::NewAddressEntry, entry);
  QCOMPARE(d->result(), int(QDialog::Accepted));
  QVERIFY(!d->isVisible());
  QCOMPARE(d->txtModel[2]->text(), entry.section(',', 3, 3));
}

void TestAddIP::refused_data() {
  QTest::addColumn<QString>("model");
  QTest::addColumn<QString>("serial");
  QTest::addColumn<QString>("port");
  QTest::addColumn<QStringList>("box");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("text");
  // The address is 10.9.9.1 and the password empty throughout.
  QTest::newRow("model blank") << "" << "B1" << "1024" << kEmptyBox << "Model"
                               << "Model cannot be blank.    ";
  QTest::newRow("model of blanks only") << "   " << "B1" << "1024" << kEmptyBox << "Model"
                                        << "Model cannot be blank.    ";
  QTest::newRow("model reported before serial") << "" << "" << "" << kEmptyBox << "Model"
                                                << "Model cannot be blank.    ";
  QTest::newRow("serial blank") << "ZAM4" << "" << "1024" << kEmptyBox << "Serial Number"
                                << "Serial Number cannot be blank.    ";
  QTest::newRow("port blank") << "ZAM4" << "B1" << "" << kEmptyBox << "Port Number"
                              << "Port Number cannot be blank.    ";
  const QString portText = QStringLiteral("Port Number must be between 1 and 65535.    ");
  QTest::newRow("port 0") << "ZAM4" << "B1" << "0" << kEmptyBox << "Port Number" << portText;
  QTest::newRow("port 70000") << "ZAM4" << "B1" << "70000" << kEmptyBox << "Port Number" << portText;
  QTest::newRow("port a dash") << "ZAM4" << "B1" << "-1" << kEmptyBox << "Port Number" << portText;
  QTest::newRow("address listed") << "ZAM4" << "C3" << "1024" << kBoxWith1 << "IP Address Duplication"
                                  << "10.9.9.1 is already existing.    ";
  QTest::newRow("address listed as a full entry") << "ZAM4" << "C3" << "1024"
                                                  << QStringList{"10.9.9.1,ZAM1,Q1,qmpv,1024"}
                                                  << "IP Address Duplication" << "10.9.9.1 is already existing.    ";
  QTest::newRow("serial of a listed unit") << "ZAM4" << "B7" << "1024" << kBoxWith50
                                           << "Serial Number Duplication"
                                           << "B7 is already existing.    ";
  QTest::newRow("serial listed in lower case") << "ZAM4" << "B7" << "1024"
                                               << QStringList{"10.9.9.50, ZAM4, b7", kSeparator, "Add"}
                                               << "Serial Number Duplication" << "B7 is already existing.    ";
}

void TestAddIP::refused() {
  REQUIRE_NETNS();
  QFETCH(QString, model);
  QFETCH(QString, serial);
  QFETCH(QString, port);
  QFETCH(QStringList, box);
  QFETCH(QString, title);
  QFETCH(QString, text);
  frmAddIP* d = Open(box);
  Fill(d, {"10.9.9.1", model, serial, "", port});
  QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  QCOMPARE(messages_.size(), 1);
  QCOMPARE(messages_[0].title, title);
  QCOMPARE(messages_[0].text, text);
  QCOMPARE(messages_[0].icon, zam::MsgIcon::Exclamation);
  QCOMPARE(messages_[0].buttons, zam::MsgButtons::Ok);
  // The dialog stays open with the input as it was.
  QVERIFY(d->isVisible());
  QCOMPARE(zam::NewAddressEntry, QString());
  const QString after[4] = {model, serial, "", port};
  for (int i = 0; i < 4; ++i) QCOMPARE(d->txtModel[i]->text(), after[i]);
}

void TestAddIP::modalRunReadsTheAddressBox() {
  REQUIRE_NETNS();
  QComboBox addressBox;
  addressBox.addItems(kBoxWith50);
  int step = 0;
  // Runs inside the dialog's modal loop: a listed serial number first, then a new one.
  std::function<void()> drive = [&] {
    auto* d = qobject_cast<frmAddIP*>(QApplication::activeModalWidget());
    if (!d) {
      QTimer::singleShot(10, drive);
      return;
    }
    Fill(d, {"10.9.9.1", "ZAM4", step == 0 ? "B7" : "C3", "", "1024"});
    ++step;
    d->cmdOK->click();
    if (d->isVisible()) QTimer::singleShot(0, drive);
  };
  QTimer::singleShot(0, drive);
  const QString entry = frmAddIP::AddAddress(nullptr, &addressBox);
  QCOMPARE(step, 2);
  QCOMPARE(messages_.size(), 1);
  QCOMPARE(messages_[0].title, QStringLiteral("Serial Number Duplication"));
  QCOMPARE(entry, QStringLiteral("10.9.9.1,ZAM4,C3,qmpv,1024"));
  QCOMPARE(zam::NewAddressEntry, entry);
}

int main(int argc, char** argv) {
  netnsUnavailable = dialogtest::EnterPrivateNetns();
  QApplication app(argc, argv);
  TestAddIP test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_addip.moc"
