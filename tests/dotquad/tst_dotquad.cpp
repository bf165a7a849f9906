// The address field driven through its real boxes: typing, pasting, arrows,
// corrections and warnings, the address properties, the property bag and
// the factory.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>

#include <dotquad/dotquad.h>
#include <dotquad/propertybag.h>

namespace {

const QString kTitle = QStringLiteral("Invalid IP Address");
const QString kWarn0 = QStringLiteral("0 is not a valid entry. Please specify a value between 1 and 223.");
const QString kWarn127 = QStringLiteral(
    "IP addresses starting with 127 are not valid because they are reserved for loopback "
    "addresses. Please specify some other valid value between 1 and 223.");

QString WarnFirst(const QString& digits) {
  return digits + QStringLiteral(" is not a valid entry. Please specify a value between 1 and 223.");
}
QString WarnOther(const QString& digits) {
  return digits + QStringLiteral(" is not a valid entry. Please specify a value between 0 and 255.");
}

// A property bag kept in memory, with the interface's default-removes rule.
class MapBag : public zam::PropertyBag {
 public:
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override {
    return values.value(name, defaultValue);
  }
  void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) override {
    if (value == defaultValue)
      values.remove(name);
    else
      values.insert(name, value);
  }
  QMap<QString, QVariant> values;
};

}  // namespace

class TestDotquad : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void typing_data();
  void typing();
  void writeFullAddress_data();
  void writeFullAddress();
  void clearKeepsFullAddress();
  void partialAddressFollowsTheBoxes();
  void changeRaisedForEveryBoxChange();
  void defaultWarningIsModalExclamationBox();
  void propertySettersMarkChanged();
  void propertyBagRoundTrip();
  void propertyBagDefaults();
  void fixedSize();
  void factory_data();
  void factory();

 private:
  QLineEdit* Box(int i) const { return dq_->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(%1)").arg(i)); }
  int FocusedBox() const;
  void Type(const QStringList& keys);

  std::unique_ptr<QWidget> window_;
  DotquadLib::Dotquad* dq_ = nullptr;
  QStringList titles_;
  QStringList warnings_;
};

void TestDotquad::init() {
  titles_.clear();
  warnings_.clear();
  DotquadLib::Dotquad::SetWarningHandler([this](const QString& title, const QString& text) {
    titles_ << title;
    warnings_ << text;
  });
  window_ = std::make_unique<QWidget>();
  dq_ = new DotquadLib::Dotquad(window_.get());
  dq_->move(10, 10);
  window_->resize(200, 60);
  window_->show();
  QApplication::setActiveWindow(window_.get());
  QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  for (int i = 0; i < 4; ++i) QVERIFY(Box(i));
}

void TestDotquad::cleanup() {
  window_.reset();
  dq_ = nullptr;
  DotquadLib::Dotquad::SetWarningHandler({});
}

int TestDotquad::FocusedBox() const {
  for (int i = 0; i < 4; ++i)
    if (QApplication::focusWidget() == Box(i)) return i;
  return -1;
}

// Each entry is "<" (left arrow), ">" (right arrow), "\b" (backspace),
// "paste:text" (Ctrl+V of text), or characters typed one by one. Keys go to
// whichever widget has the focus at that moment, as a user's would.
void TestDotquad::Type(const QStringList& keys) {
  for (const QString& entry : keys) {
    QWidget* target = QApplication::focusWidget();
    QVERIFY(target);
    if (entry == QLatin1String("<")) {
      QTest::keyClick(target, Qt::Key_Left);
    } else if (entry == QLatin1String(">")) {
      QTest::keyClick(target, Qt::Key_Right);
    } else if (entry == QLatin1String("\b")) {
      QTest::keyClick(target, Qt::Key_Backspace);
    } else if (entry.startsWith(QLatin1String("paste:"))) {
      QGuiApplication::clipboard()->setText(entry.mid(6));
      QTest::keySequence(target, QKeySequence::Paste);
    } else {
      for (const QChar ch : entry) QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    }
  }
}

void TestDotquad::typing_data() {
  QTest::addColumn<bool>("showWarning");
  QTest::addColumn<bool>("subnetMask");
  QTest::addColumn<int>("startBox");
  QTest::addColumn<QStringList>("keys");
  QTest::addColumn<QStringList>("parts");
  QTest::addColumn<int>("focusBox");
  QTest::addColumn<int>("cursor");  // -1: not checked
  QTest::addColumn<QString>("fullAddress");
  QTest::addColumn<QStringList>("warnings");

  const QStringList none;
  auto parts = [](const char* a, const char* b, const char* c, const char* d) {
    return QStringList{QString::fromLatin1(a), QString::fromLatin1(b), QString::fromLatin1(c),
                       QString::fromLatin1(d)};
  };

  // A part of three digits moves on by itself; the dot typed after it, as one
  // writes an address, ends that part and is not a second move.
  QTest::newRow("192 moves on, the dot after it stays in the second box")
      << false << false << 0 << QStringList{"192."} << parts("192", "", "", "") << 1 << 0
      << "192..." << none;
  QTest::newRow("192.168.1.20 typed as written")
      << false << false << 0 << QStringList{"192.168.1.20"} << parts("192", "168", "1", "20") << 3 << 2
      << "192.168.1.20" << none;
  QTest::newRow("full parts typed without their dots")
      << false << false << 0 << QStringList{"1921681.20"} << parts("192", "168", "1", "20") << 3 << 2
      << "192.168.1.20" << none;
  QTest::newRow("a second dot still moves on")
      << false << false << 0 << QStringList{"192..5"} << parts("192", "", "5", "") << 2 << 1 << "192..5."
      << none;
  QTest::newRow("the dot after a part corrected to 223 is swallowed too")
      << false << false << 0 << QStringList{"250.1"} << parts("223", "1", "", "") << 1 << 1 << "223.1.."
      << none;
  QTest::newRow("after an arrow key a dot moves on again")
      << false << false << 0 << QStringList{"192", "<", "."} << parts("192", "", "", "") << 1 << -1
      << "192..." << none;
  QTest::newRow("a full part takes no fourth digit")
      << false << false << 0 << QStringList{"123", "<", "4"} << parts("123", "", "", "") << 0 << 3
      << "123..." << none;
  QTest::newRow("a pasted address fills the four boxes")
      << true << false << 0 << QStringList{"paste:192.168.1.20"} << parts("192", "168", "1", "20") << 3 << 2
      << "192.168.1.20" << none;
  QTest::newRow("a pasted address from the third box on")
      << false << false << 2 << QStringList{"paste:10.1"} << parts("", "", "10", "1") << 3 << 1 << "..10.1"
      << none;
  QTest::newRow("a pasted address is checked like a typed one")
      << true << false << 0 << QStringList{"paste:0.5.1234.x7"} << parts("1", "5", "123", "7") << 3 << 1
      << "1.5.123.7" << QStringList{kWarn0};
  QTest::newRow("10 and a dot move on") << false << false << 0 << QStringList{"10."} << parts("10", "", "", "")
                                        << 1 << -1 << "10..." << none;
  QTest::newRow("a fourth digit lands in the next box")
      << false << false << 0 << QStringList{"1234"} << parts("123", "4", "", "") << 1 << 1 << "123.4.."
      << none;
  QTest::newRow("a typed letter is dropped") << false << false << 0 << QStringList{"1a"}
                                             << parts("1", "", "", "") << 0 << 1 << "1..." << none;
  QTest::newRow("1a2 pasted leaves 12") << false << false << 0 << QStringList{"paste:1a2"}
                                        << parts("12", "", "", "") << 0 << 2 << "12..." << none;
  QTest::newRow("letters only pasted leave the box empty")
      << false << false << 1 << QStringList{"paste:ab"} << parts("", "", "", "") << 1 << 0 << "" << none;

  QTest::newRow("0 first, silent") << false << false << 0 << QStringList{"0"} << parts("1", "", "", "") << 0
                                   << 1 << "1..." << none;
  QTest::newRow("0 first, warned") << true << false << 0 << QStringList{"0"} << parts("1", "", "", "") << 0
                                   << 1 << "1..." << QStringList{kWarn0};
  QTest::newRow("a0 pasted first warns once") << true << false << 0 << QStringList{"paste:a0"}
                                             << parts("1", "", "", "") << 0 << 1 << "1..." << QStringList{kWarn0};
  QTest::newRow("127 first, silent") << false << false << 0 << QStringList{"127"} << parts("1", "", "", "")
                                     << 0 << 1 << "1..." << none;
  QTest::newRow("127 first, warned") << true << false << 0 << QStringList{"127"} << parts("1", "", "", "")
                                     << 0 << 1 << "1..." << QStringList{kWarn127};
  QTest::newRow("250 first, silent") << false << false << 0 << QStringList{"250"}
                                     << parts("223", "", "", "") << 1 << -1 << "223..." << none;
  QTest::newRow("250 first, warned") << true << false << 0 << QStringList{"250"}
                                     << parts("223", "", "", "") << 1 << -1 << "223..."
                                     << QStringList{WarnFirst("250")};
  QTest::newRow("223 first is kept") << true << false << 0 << QStringList{"223"} << parts("223", "", "", "")
                                     << 1 << -1 << "223..." << none;
  QTest::newRow("300 second, silent") << false << false << 1 << QStringList{"300"}
                                      << parts("", "255", "", "") << 2 << -1 << ".255.." << none;
  QTest::newRow("300 second, warned") << true << false << 1 << QStringList{"300"}
                                      << parts("", "255", "", "") << 2 << -1 << ".255.."
                                      << QStringList{WarnOther("300")};
  QTest::newRow("0 in the last part is fine") << true << false << 0 << QStringList{"10.0.0.0"}
                                              << parts("10", "0", "0", "0") << 3 << 1 << "10.0.0.0" << none;
  QTest::newRow("999 in the last part") << true << false << 3 << QStringList{"999"}
                                        << parts("", "", "", "255") << 3 << 3 << "...255"
                                        << QStringList{WarnOther("999")};

  QTest::newRow("subnet mask: 255 first without warning")
      << true << true << 0 << QStringList{"2552552550"} << parts("255", "255", "255", "0") << 3 << 1
      << "255.255.255.0" << none;
  QTest::newRow("subnet mask: 0 and 127 first without warning")
      << true << true << 0 << QStringList{"0.127"} << parts("0", "127", "", "") << 2 << -1 << "0.127.."
      << none;
  QTest::newRow("subnet mask: 999 first without warning")
      << true << true << 0 << QStringList{"999"} << parts("999", "", "", "") << 1 << -1 << "999..." << none;
  QTest::newRow("subnet mask: other parts still capped")
      << true << true << 0 << QStringList{"255300"} << parts("255", "255", "", "") << 2 << -1 << "255.255.."
      << QStringList{WarnOther("300")};

  QTest::newRow("10..3 typed") << false << false << 0 << QStringList{"10..3"} << parts("10", "", "3", "")
                               << 2 << 1 << "10..3." << none;
  QTest::newRow("a dot in the last box is dropped")
      << false << false << 0 << QStringList{"1.2.3.4."} << parts("1", "2", "3", "4") << 3 << 1 << "1.2.3.4"
      << none;
  QTest::newRow("erasing a part keeps the complete address")
      << false << false << 0 << QStringList{"10.1.2.3", "\b"} << parts("10", "1", "2", "") << 3 << 0
      << "10.1.2.3" << none;
  QTest::newRow("a later complete address replaces it")
      << false << false << 0 << QStringList{"10.1.2.3", "\b", "9"} << parts("10", "1", "2", "9") << 3 << 1
      << "10.1.2.9" << none;

  QTest::newRow("backspace in an empty box goes back without erasing")
      << false << false << 0 << QStringList{"10.1.", "\b"} << parts("10", "1", "", "") << 1 << 1 << "10.1.."
      << none;
  QTest::newRow("backspace in a filled box erases there")
      << false << false << 0 << QStringList{"10.12", "\b"} << parts("10", "1", "", "") << 1 << 1 << "10.1.."
      << none;
  QTest::newRow("left at the start of the first box does nothing")
      << false << false << 0 << QStringList{"12", "<", "<", "<"} << parts("12", "", "", "") << 0 << 0
      << "12..." << none;
  QTest::newRow("left at the start goes to the end of the previous box")
      << false << false << 0 << QStringList{"10.1", "<", "<"} << parts("10", "1", "", "") << 0 << 2
      << "10.1.." << none;
  QTest::newRow("left inside a box only moves the cursor")
      << false << false << 0 << QStringList{"10.12", "<"} << parts("10", "12", "", "") << 1 << 1 << "10.12.."
      << none;
  QTest::newRow("right at the end goes to the start of the next box")
      << false << false << 0 << QStringList{"10.1", "<", "<", ">"} << parts("10", "1", "", "") << 1 << 0
      << "10.1.." << none;
  QTest::newRow("right at the end of the last box does nothing")
      << false << false << 0 << QStringList{"1.2.3.4", ">"} << parts("1", "2", "3", "4") << 3 << 1
      << "1.2.3.4" << none;
}

void TestDotquad::typing() {
  QFETCH(bool, showWarning);
  QFETCH(bool, subnetMask);
  QFETCH(int, startBox);
  QFETCH(QStringList, keys);
  QFETCH(QStringList, parts);
  QFETCH(int, focusBox);
  QFETCH(int, cursor);
  QFETCH(QString, fullAddress);
  QFETCH(QStringList, warnings);

  dq_->SetShowWarning(showWarning);
  dq_->SetSubnetMask(subnetMask);
  Box(startBox)->setFocus();
  QCOMPARE(FocusedBox(), startBox);

  Type(keys);

  QCOMPARE(dq_->PartAddress(), parts);
  QCOMPARE(FocusedBox(), focusBox);
  if (cursor >= 0) QCOMPARE(Box(focusBox)->cursorPosition(), cursor);
  QCOMPARE(dq_->FullAddress(), fullAddress);
  QCOMPARE(warnings_, warnings);
  for (const QString& title : titles_) QCOMPARE(title, kTitle);
}

void TestDotquad::writeFullAddress_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("address");
  QTest::addColumn<QStringList>("parts");
  QTest::addColumn<QString>("fullAddress");

  QTest::newRow("complete") << "" << "10.1.2.3" << QStringList{"10", "1", "2", "3"} << "10.1.2.3";
  QTest::newRow("missing parts stay empty") << "" << "10..3" << QStringList{"10", "", "3", ""} << "10..3";
  QTest::newRow("missing parts over a complete one")
      << "10.1.2.3" << "10..3" << QStringList{"10", "", "3", ""} << "10..3";
  QTest::newRow("another complete one") << "10.1.2.3" << "20.5.6.7" << QStringList{"20", "5", "6", "7"}
                                        << "20.5.6.7";
  QTest::newRow("text after a fourth dot is dropped")
      << "" << "1.2.3.4.5" << QStringList{"1", "2", "3", "4"} << "1.2.3.4";
  // What the program sets (a unit's settings, a profile) is shown as it is:
  // the operator's rules would change what is written back.
  QTest::newRow("no gateway") << "" << "0.0.0.0" << QStringList{"0", "0", "0", "0"} << "0.0.0.0";
  QTest::newRow("first part 0") << "" << "0.5.6.7" << QStringList{"0", "5", "6", "7"} << "0.5.6.7";
  QTest::newRow("loopback") << "" << "127.0.0.1" << QStringList{"127", "0", "0", "1"} << "127.0.0.1";
  QTest::newRow("out of range") << "" << "300.1.2.999" << QStringList{"300", "1", "2", "999"} << "300.1.2.999";
  QTest::newRow("empty") << "10.1.2.3" << "" << QStringList{"", "", "", ""} << "";
}

void TestDotquad::writeFullAddress() {
  QFETCH(QString, before);
  QFETCH(QString, address);
  QFETCH(QStringList, parts);
  QFETCH(QString, fullAddress);

  if (!before.isEmpty()) dq_->SetFullAddress(before);
  dq_->SetShowWarning(true);
  Box(0)->setFocus();
  dq_->SetFullAddress(address);
  QCOMPARE(warnings_, QStringList());
  QCOMPARE(FocusedBox(), 0);
  QCOMPARE(dq_->PartAddress(), parts);
  for (int i = 0; i < 4; ++i) QCOMPARE(dq_->PartAddress(i), parts.at(i));
  QCOMPARE(dq_->FullAddress(), fullAddress);
  QCOMPARE(dq_->property("FullAddress").toString(), fullAddress);
}

void TestDotquad::clearKeepsFullAddress() {
  QCOMPARE(dq_->FullAddress(), QString());
  dq_->SetFullAddress(QStringLiteral("10.1.2.3"));
  dq_->Clear();
  QCOMPARE(dq_->PartAddress(), QStringList({"", "", "", ""}));
  QCOMPARE(dq_->FullAddress(), QStringLiteral("10.1.2.3"));
  QCOMPARE(dq_->PartAddress(-1), QString());
  QCOMPARE(dq_->PartAddress(4), QString());
}

void TestDotquad::partialAddressFollowsTheBoxes() {
  Box(0)->setFocus();
  Type({"10"});
  QCOMPARE(dq_->FullAddress(), QStringLiteral("10..."));
  Type({".1"});
  QCOMPARE(dq_->FullAddress(), QStringLiteral("10.1.."));
  Type({"\b", "\b"});  // the second one goes back into the first box
  QCOMPARE(dq_->FullAddress(), QStringLiteral("10..."));
}

void TestDotquad::changeRaisedForEveryBoxChange() {
  QSignalSpy spy(dq_, &DotquadLib::Dotquad::Change);
  Box(0)->setFocus();
  Type({"1"});
  QCOMPARE(spy.count(), 1);
  Type({"a"});  // "1a", then the control's own "1"
  QCOMPARE(spy.count(), 3);
  Type({"."});  // "1.", then "1"
  QCOMPARE(spy.count(), 5);
  dq_->Clear();  // only box 0 holds text
  QCOMPARE(spy.count(), 6);
}

void TestDotquad::defaultWarningIsModalExclamationBox() {
  DotquadLib::Dotquad::SetWarningHandler({});
  dq_->SetShowWarning(true);
  Box(0)->setFocus();
  bool seen = false;
  QTimer::singleShot(0, this, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = box->icon() == QMessageBox::Warning && box->windowTitle() == kTitle && box->text() == kWarn0 &&
           box->standardButtons() == QMessageBox::Ok;
    box->button(QMessageBox::Ok)->click();
  });
  Type({"0"});
  QVERIFY(seen);
  QCOMPARE(Box(0)->text(), QStringLiteral("1"));
}

void TestDotquad::propertySettersMarkChanged() {
  QSignalSpy spy(dq_, &DotquadLib::Dotquad::PropertyChanged);
  dq_->SetShowWarning(true);
  dq_->SetSubnetMask(true);
  dq_->SetFullAddress(QStringLiteral("10..3"));
  dq_->SetVersion(QStringLiteral("9.99"));
  QCOMPARE(spy.count(), 3);
  QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("ShowWarning"));
  QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("SubnetMask"));
  QCOMPARE(spy.at(2).at(0).toString(), QStringLiteral("FullAddress"));
  QVERIFY(dq_->ShowWarning());
  QVERIFY(dq_->SubnetMask());
  QCOMPARE(dq_->Version(), QStringLiteral("1.00.1003"));
}

void TestDotquad::propertyBagRoundTrip() {
  dq_->SetFullAddress(QStringLiteral("10.1.2.3"));
  dq_->SetShowWarning(true);
  dq_->SetSubnetMask(true);
  MapBag bag;
  bag.values.insert(QStringLiteral("Version"), QStringLiteral("2.00.2000"));
  dq_->WriteProperties(bag);
  QCOMPARE(bag.values.value("FullAddress").toString(), QStringLiteral("10.1.2.3"));
  QCOMPARE(bag.values.value("ShowWarning").toBool(), true);
  QCOMPARE(bag.values.value("SubnetMask").toBool(), true);
  QCOMPARE(bag.values.value("Version").toString(), QStringLiteral("2.00.2000"));  // not written

  DotquadLib::Dotquad loaded;
  QSignalSpy spy(&loaded, &DotquadLib::Dotquad::PropertyChanged);
  loaded.ReadProperties(bag);
  QCOMPARE(loaded.FullAddress(), QStringLiteral("10.1.2.3"));
  QCOMPARE(loaded.PartAddress(), QStringList({"10", "1", "2", "3"}));
  QVERIFY(loaded.ShowWarning());
  QVERIFY(loaded.SubnetMask());
  QCOMPARE(loaded.Version(), QStringLiteral("2.00.2000"));

  // Back to the defaults: nothing is left in the bag.
  loaded.SetFullAddress(QString());
  loaded.SetShowWarning(false);
  loaded.SetSubnetMask(false);
  loaded.WriteProperties(bag);
  QCOMPARE(bag.values.keys(), QStringList{"Version"});
}

void TestDotquad::propertyBagDefaults() {
  MapBag bag;
  DotquadLib::Dotquad loaded;
  loaded.ReadProperties(bag);
  QCOMPARE(loaded.FullAddress(), QString());
  QCOMPARE(loaded.PartAddress(), QStringList({"", "", "", ""}));
  QVERIFY(!loaded.ShowWarning());
  QVERIFY(!loaded.SubnetMask());
  QCOMPARE(loaded.Version(), QStringLiteral("1.00.1003"));

  // A stored partial address fills the boxes it names.
  bag.values.insert(QStringLiteral("FullAddress"), QStringLiteral("192.168"));
  loaded.ReadProperties(bag);
  QCOMPARE(loaded.PartAddress(), QStringList({"192", "168", "", ""}));
}

void TestDotquad::fixedSize() {
  const QSize expected(DotquadLib::Dotquad::kWidthTwips / 15, DotquadLib::Dotquad::kHeightTwips / 15);
  QCOMPARE(dq_->size(), expected);
  dq_->resize(400, 100);
  QCOMPARE(dq_->size(), expected);
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(Box(i)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(dq_->rect().contains(Box(i)->mapTo(dq_, Box(i)->rect().bottomRight())));
    if (i > 0) QVERIFY(Box(i)->mapTo(dq_, QPoint(0, 0)).x() > Box(i - 1)->mapTo(dq_, QPoint(0, 0)).x());
  }
}

void TestDotquad::factory_data() {
  QTest::addColumn<QString>("classId");
  QTest::addColumn<bool>("created");
  QTest::newRow("Dotquad") << "DotquadLib.Dotquad" << true;
  QTest::newRow("other library") << "Corvel_Project.UDP" << false;
  QTest::newRow("empty") << "" << false;
}

void TestDotquad::factory() {
  QFETCH(QString, classId);
  QFETCH(bool, created);
  QWidget parent;
  QWidget* control = CreateDotquadControl(classId, &parent);
  QCOMPARE(control != nullptr, created);
  if (!control) return;
  QCOMPARE(control->parentWidget(), &parent);
  QVERIFY(qobject_cast<DotquadLib::Dotquad*>(control));
  for (int i = 0; i < 4; ++i)
    QVERIFY(control->findChild<QLineEdit*>(QStringLiteral("txtIPAddress(%1)").arg(i)));
  std::unique_ptr<QWidget> orphan(CreateDotquadControl(classId));
  QVERIFY(orphan && !orphan->parentWidget());
}

QTEST_MAIN(TestDotquad)
#include "tst_dotquad.moc"
