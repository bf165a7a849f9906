// The settings store, the address list and the address box, checked in the
// settings file itself.
#include <QKeyEvent>
#include <QListWidget>
#include <QProcess>
#include <sys/stat.h>

#include "addressfixture.h"
#include "addresslist.h"
#include "kaymortest.h"
#include "settingsstore.h"

using namespace kaymortest;

Q_DECLARE_METATYPE(zam::MsgAnswer)

namespace {
const QString kSeparator(38, '=');

// Stores the entries in slots IP0.. with Ethernet selected.
void Store(const QStringList& entries, const QString& lastUsed = QString()) {
  zam::SaveSetting("IPAddressList", "CommType", "1");
  zam::SaveSetting("IPAddressList", "Total", QString::number(entries.size()));
  for (int k = 0; k < entries.size(); ++k) zam::SaveSetting("IPAddressList", QString("IP%1").arg(k), entries[k]);
  if (!lastUsed.isNull()) zam::SaveSetting("IPAddressList", "LastUsed", lastUsed);
}

QStringList Items(QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

QStringList Slots() { return SectionLines("IPAddressList").filter(QRegularExpression("^IP\\d+=")); }
}  // namespace

class TestAddressBook : public QObject {
  Q_OBJECT
 private slots:
  void init() { ResetSettings(); }

  void trimFields_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks around fields") << " 10.0.0.5 , ZAM4,A1 " << "10.0.0.5,ZAM4,A1";
    QTest::newRow("empty field kept") << "a,,b" << "a,,b";
    QTest::newRow("one field") << "  x  " << "x";
  }
  void trimFields() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(zam::TrimFields(text, ","), expected);
  }

  void storeReadsCommasWholeAndIsPrivate() {
    zam::SaveSetting("IPAddressList", "IP0", "10.0.0.5,ZAM4,A1,qmpv,1024");
    QCOMPARE(zam::GetSetting("IPAddressList", "IP0"), QString("10.0.0.5,ZAM4,A1,qmpv,1024"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(zam::SettingsFilePath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    // A hand-edited, unquoted entry.
    QFile f(zam::SettingsFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[IPAddressList]\nIP1=10.0.0.6,ZAM1,B2,pw,1025\nTotal=2\n");
    f.close();
    QCOMPARE(zam::GetSetting("IPAddressList", "IP1"), QString("10.0.0.6,ZAM1,B2,pw,1025"));
    QCOMPARE(zam::GetSetting("IPAddressList", "Missing", "dflt"), QString("dflt"));
    zam::DeleteSetting("IPAddressList");
    QCOMPARE(zam::GetSetting("IPAddressList", "Total", "none"), QString("none"));
  }

  // The store is read from memory: a change another program makes to the
  // file, however it makes it, is seen at the next read.
  void storeSeesChangesFromOutside_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("replaced, as a second program writes") << "printf '[Units]\\nPassword=wxyz\\n' > \"$F.new\" && mv \"$F.new\" \"$F\""
                                                         << "wxyz";
    QTest::newRow("edited in place, same size") << "printf '[Units]\\nPassword=abcd\\n' > \"$F\"" << "abcd";
    QTest::newRow("removed") << "rm \"$F\"" << "none";
    QTest::newRow("folder removed and made again")
        << "d=$(dirname \"$F\"); rm -r \"$d\" && mkdir \"$d\" && printf '[Units]\\nPassword=efgh\\n' > \"$F\"" << "efgh";
  }
  void storeSeesChangesFromOutside() {
    QFETCH(QString, script);
    QFETCH(QString, expected);
    zam::SaveSetting("Units", "Password", "qmpv");
    QCOMPARE(zam::GetSetting("Units", "Password"), QString("qmpv"));
    QProcess sh;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("F", zam::SettingsFilePath());
    sh.setProcessEnvironment(env);
    // A rewrite of the same size within the file system's time-stamp tick
    // is not told apart by the INI reader: the other program comes later.
    sh.start("sh", {"-c", "sleep 0.05; " + script});
    QVERIFY(sh.waitForFinished(10000));
    QCOMPARE(sh.exitCode(), 0);
    QCOMPARE(zam::GetSetting("Units", "Password", "none"), expected);
    // Writes go on after it, private as before.
    zam::SaveSetting("Units", "Password", "ijkl");
    QCOMPARE(zam::GetSetting("Units", "Password"), QString("ijkl"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(zam::SettingsFilePath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
  }

  void emptyListShowsOnlyCommands() {
    Store({});
    MsgRecorder boxes(zam::MsgAnswer::Yes);
    Window win;
    QVERIFY(win.Load());
    QCOMPARE(Items(win.w->cboComPort), (QStringList{"Add", "Clear", "Delete"}));
    QCOMPARE(win.w->cboComPort->currentIndex(), -1);
    // Delete and Clear do nothing on an empty list.
    win.Choose(win.w->cboComPort, "Delete");
    win.Choose(win.w->cboComPort, "Clear");
    QVERIFY(boxes.shown.isEmpty());
  }

  void loadTrimsUpgradesAndSorts() {
    Store({" 10.0.0.9 , ZAM1 , Z9 , pw , 1030 ", "10.0.0.5,ZAM4,A1", "", "10.0.0.7,zam4,B7,pw7,1024"});
    Window win;
    QVERIFY(win.Load());
    QCOMPARE(Items(win.w->cboComPort),
             (QStringList{"10.0.0.5, ZAM4, A1", "10.0.0.7, zam4, B7", "10.0.0.9, ZAM1, Z9", kSeparator, "Add",
                          "Clear", "Delete"}));
    QCOMPARE(zam::GetSetting("IPAddressList", "IP1"), QString("10.0.0.5,ZAM4,A1,qmpv,1024"));
    QCOMPARE(win.w->cboComPort->currentIndex(), 0);
    QCOMPARE(win.w->txtPassword->text(), QString("qmpv"));
    QCOMPARE(win.w->txtPort->text(), QString("1024"));
  }

  void rememberedEntryIsSelected() {
    Store({"10.0.0.5,ZAM4,A1,p1,1024", "10.0.0.6,ZAM4,A2,p2,1026"}, "10.0.0.6, ZAM4, A2");
    Window win;
    QVERIFY(win.Load());
    QCOMPARE(win.w->cboComPort->currentText(), QString("10.0.0.6, ZAM4, A2"));
    QCOMPARE(win.w->txtPassword->text(), QString("p2"));
    QCOMPARE(win.w->txtPort->text(), QString("1026"));
  }

  void separatorSelectsLastEntry() {
    Store({"10.0.0.5,ZAM4,A1,p1,1024", "10.0.0.6,ZAM4,A2,p2,1026"});
    Window win;
    QVERIFY(win.Load());
    win.Choose(win.w->cboComPort, kSeparator);
    QCOMPARE(win.w->cboComPort->currentText(), QString("10.0.0.6, ZAM4, A2"));
    QCOMPARE(zam::GetSetting("IPAddressList", "LastUsed"), QString("10.0.0.6, ZAM4, A2"));
    QCOMPARE(win.w->txtPort->text(), QString("1026"));
  }

  // A change of the book (a connect remembering the password and port)
  // shows in the hidden list at once; the address box keeps its items and
  // its selection until the next load.
  void hiddenListFollowsTheBook() {
    Store({"10.0.0.5,ZAM4,A1,p1,1024", "10.0.0.6,ZAM4,A2,p2,1026"}, "10.0.0.6, ZAM4, A2");
    Window win;
    QVERIFY(win.Load());
    zam::AddressBook& book = addressfixture::Book(*win.w);
    QSignalSpy changed(&book, &zam::AddressBook::Changed);
    book.Replace(1, "10.0.0.6,ZAM4,A2,secret,2000");
    book.Insert("10.0.0.1,ZAM1,C3,qmpv,1024");
    QVERIFY(!changed.isEmpty());
    QStringList hidden;
    for (int i = 0; i < win.w->cboIPList->count(); ++i) hidden << win.w->cboIPList->item(i)->text();
    QCOMPARE(hidden, (QStringList{"10.0.0.1,ZAM1,C3,qmpv,1024", "10.0.0.5,ZAM4,A1,p1,1024",
                                  "10.0.0.6,ZAM4,A2,secret,2000"}));
    QCOMPARE(Items(win.w->cboComPort),
             (QStringList{"10.0.0.5, ZAM4, A1", "10.0.0.6, ZAM4, A2", kSeparator, "Add", "Clear", "Delete"}));
    QCOMPARE(win.w->cboComPort->currentText(), QString("10.0.0.6, ZAM4, A2"));
    QCOMPARE(win.w->txtPassword->text(), QString("p2"));
  }

  void saveRewritesAllSlots() {
    Store({"a,1,s1,p,1", "b,2,s2,p,2", "c,3,s3,p,3", "d,4,s4,p,4"});
    Window win;
    QVERIFY(win.Load());
    addressfixture::Book(*win.w).RemoveAt(3);
    addressfixture::Book(*win.w).Save();
    QCOMPARE(Slots(), (QStringList{"IP0=\"a,1,s1,p,1\"", "IP1=\"b,2,s2,p,2\"", "IP2=\"c,3,s3,p,3\""}));
    QCOMPARE(zam::GetSetting("IPAddressList", "Total"), QString("3"));
  }

  void clearEmptiesTheStore_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("item") << false;
    QTest::newRow("Ctrl+Delete") << true;
  }
  void clearEmptiesTheStore() {
    QFETCH(bool, byKey);
    Store({"10.0.0.5,ZAM4,A1,p1,1024", "10.0.0.6,ZAM4,A2,p2,1026"}, "10.0.0.5, ZAM4, A1");
    MsgRecorder boxes(zam::MsgAnswer::Yes);
    Window win;
    QVERIFY(win.Load());
    if (byKey)
      QTest::keyClick(win.w->cboComPort, Qt::Key_Delete, Qt::ControlModifier);
    else
      win.Choose(win.w->cboComPort, "Clear");
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, QString("Delete All IP Addresses"));
    QCOMPARE(boxes.shown[0].text, QString("Do you want to delete all IP addresses?\t"));
    QCOMPARE(boxes.shown[0].icon, zam::MsgIcon::Information);
    QCOMPARE(boxes.shown[0].buttons, zam::MsgButtons::YesNo);
    QCOMPARE(zam::GetSetting("IPAddressList", "Total"), QString("0"));
    QVERIFY(SectionLines("IPAddressList").filter("LastUsed=").isEmpty());
    QVERIFY(Slots().isEmpty());
    QCOMPARE(Items(win.w->cboComPort), (QStringList{"Add", "Clear", "Delete"}));
    QVERIFY(win.w->txtPassword->text().isEmpty());
  }

  void deleteRemovesTheShownEntry_data() {
    QTest::addColumn<zam::MsgAnswer>("answer");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QStringList>("remaining");
    const QStringList both{"IP0=\"10.0.0.1,ZAM4,A12,p,1024\"", "IP1=\"10.0.0.2,ZAM4,A1,p,1024\""};
    // A1 is contained in A12: the entry shown is the one removed.
    QTest::newRow("yes") << zam::MsgAnswer::Yes << "10.0.0.2, ZAM4, A1"
                         << QStringList{"IP0=\"10.0.0.1,ZAM4,A12,p,1024\""};
    QTest::newRow("no") << zam::MsgAnswer::No << "10.0.0.2, ZAM4, A1" << both;
    // Without a serial number to look for, nothing is taken for a match.
    QTest::newRow("nothing remembered") << zam::MsgAnswer::Yes << "" << both;
  }
  void deleteRemovesTheShownEntry() {
    QFETCH(zam::MsgAnswer, answer);
    QFETCH(QString, remembered);
    QFETCH(QStringList, remaining);
    Store({"10.0.0.1,ZAM4,A12,p,1024", "10.0.0.2,ZAM4,A1,p,1024"}, "10.0.0.2, ZAM4, A1");
    MsgRecorder boxes(answer);
    Window win;
    QVERIFY(win.Load());
    zam::SaveSetting("IPAddressList", "LastUsed", remembered);
    QTest::keyClick(win.w->cboComPort, Qt::Key_Delete);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, QString("Delete a IP Address"));
    QCOMPARE(boxes.shown[0].text, "Do you want to delete \"" + remembered + "\"?\t");
    QCOMPARE(Slots(), remaining);
  }

  void add_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("cancelled") << "" << QStringList{"10.0.0.12, ZAM4, A1", kSeparator, "Add", "Clear", "Delete"};
    QTest::newRow("same address") << "10.0.0.12,ZAM1,B2,qmpv,1024"
                                  << QStringList{"10.0.0.12, ZAM4, A1", kSeparator, "Add", "Clear", "Delete"};
    // An address that is a prefix of a listed one is a different unit.
    QTest::newRow("prefix address") << "10.0.0.1,ZAM1,B2,qmpv,1024"
                                    << QStringList{"10.0.0.1, ZAM1, B2", "10.0.0.12, ZAM4, A1", kSeparator,
                                                   "Add", "Clear", "Delete"};
  }
  void add() {
    QFETCH(QString, entry);
    QFETCH(QStringList, items);
    Store({"10.0.0.12,ZAM4,A1,qmpv,1024"});
    zam::SaveSetting("Options", "DisOption", "0");
    Window win;
    QVERIFY(win.Load());
    QString optionWhileOpen;
    int opened = 0;
    int ticksWhileOpen = -1;
    addressfixture::SetAddDialog(*win.w, [&] {
      ++opened;
      optionWhileOpen = zam::GetSetting("Options", "DisOption");
      // Timed discovery is held: a tick of the window's timer counts nothing.
      win.w->Timer1_Timer();
      ticksWhileOpen = addressfixture::DiscoverTicks(*win.w);
      return entry;
    });
    // Insert selects "Add"; so does moving onto it with Down.
    QTest::keyClick(win.w->cboComPort, Qt::Key_Insert);
    QCOMPARE(opened, 1);
    QCOMPARE(optionWhileOpen, QString("1"));
    QCOMPARE(ticksWhileOpen, 0);
    QVERIFY(!addressfixture::Discovery(*win.w).Paused());
    QCOMPARE(zam::GetSetting("Options", "DisOption"), QString("0"));
    QCOMPARE(Items(win.w->cboComPort), items);
    QCOMPARE(Slots().size(), items.size() - 4);
    if (!entry.isEmpty() && items.size() == 6)
      QCOMPARE(win.w->cboComPort->currentText(), QString("10.0.0.1, ZAM1, B2"));

    addressfixture::SetAddDialog(*win.w, [&] { ++opened; return QString(); });
    win.w->cboComPort->setCurrentIndex(win.w->cboComPort->findText(kSeparator) - 1);
    QTest::keyClick(win.w->cboComPort, Qt::Key_Down);  // onto the separator: back to the entry
    QCOMPARE(opened, 1);
    win.w->cboComPort->setCurrentIndex(win.w->cboComPort->findText(kSeparator));
    QTest::keyClick(win.w->cboComPort, Qt::Key_Down);
    QCOMPARE(opened, 2);
  }

  void fullListRefusesAdd() {
    QStringList entries;
    for (int k = 0; k < 255; ++k) entries << QString("10.0.%1.%2,ZAM4,S%3,qmpv,1024").arg(k / 200).arg(k % 200).arg(k);
    Store(entries);
    Window win;
    QVERIFY(win.Load());
    int opened = 0;
    addressfixture::SetAddDialog(*win.w, [&] { ++opened; return QString("10.9.9.9,ZAM4,NEW,qmpv,1024"); });
    win.Choose(win.w->cboComPort, "Add");
    QCOMPARE(opened, 0);
    QCOMPARE(addressfixture::Book(*win.w).Count(), 255);
  }

  void otherKeysAreDiscarded() {
    Store({"10.0.0.5,ZAM4,A1,p1,1024", "10.0.0.6,ZAM4,A2,p2,1026"});
    Window win;
    QVERIFY(win.Load());
    QTest::keyClicks(win.w->cboComPort, "1C");
    QTest::keyClick(win.w->cboComPort, Qt::Key_End);
    QCOMPARE(win.w->cboComPort->currentIndex(), 0);
  }

  void linkTypeSwitch() {
    Store({"10.0.0.5,ZAM4,A1,p1,1024"});
    Window win;
    QVERIFY(win.Load());
    QVERIFY(win.w->txtPassword->isVisibleTo(win.w.get()));
    QCOMPARE(win.w->lblComPort->text(), QString("&IP:"));
    QCOMPARE(win.w->cmdConnect->property("Tag").toString(), QString("Ethernet"));
    win.Choose(win.w->cboCommType, "RS-232");
    QCOMPARE(win.w->lblComPort->text(), QString("&Port:"));
    QVERIFY(!win.w->txtPassword->isVisibleTo(win.w.get()));
    QVERIFY(!win.w->Label1[1]->isVisibleTo(win.w.get()));
    QCOMPARE(win.w->cmdConnect->property("Tag").toString(), QString("RS-232"));
    QCOMPARE(zam::GetSetting("IPAddressList", "CommType"), QString("0"));
    QVERIFY(!Items(win.w->cboComPort).contains("Add"));
    win.Choose(win.w->cboCommType, "Ethernet");
    QCOMPARE(zam::GetSetting("IPAddressList", "CommType"), QString("1"));
    QCOMPARE(win.w->cboComPort->currentText(), QString("10.0.0.5, ZAM4, A1"));
  }
};

KAYMOR_TEST_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
