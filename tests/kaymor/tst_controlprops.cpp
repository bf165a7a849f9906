// The placed controls read their persisted properties from the settings store.
#include "controlproperties.h"
#include <corvel/corvel_comboblock.h>
#include <corvel/corvel_udp.h>
#include "kaymortest.h"
#include "settingsstore.h"

using namespace kaymortest;

class TestControlProperties : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetSettings(); }

  void windowControlsReadTheirSections() {
    zam::SaveSetting("frmZAMKeyboard.UDP1", "UnitIDFilter", "0x81");
    zam::SaveSetting("frmZAMKeyboard.ComboBlock1", "Port", "2048");
    Window win;
    QVERIFY(win.Load());
    auto* udp = win.w->findChild<Corvel_Project::UDP*>("UDP1");
    auto* combo = win.w->findChild<Corvel_Project::ComboBlock*>("ComboBlock1");
    QVERIFY(udp && combo);
    QCOMPARE(udp->UnitIDFilter(), QString("0x81"));
    QCOMPARE(udp->RemotePort(), 8092);  // not stored: the default
    QCOMPARE(combo->Port(), 2048);
  }

  void bagRoundTripKeepsDefaultsOut() {
    zam::SettingsPropertyBag bag("frmTest.UDP1");
    Corvel_Project::UDP written;
    written.SetRemotePort(9000);
    written.WriteProperties(bag);
    QCOMPARE(zam::GetSetting("frmTest.UDP1", "RemotePort"), QString("9000"));
    QCOMPARE(zam::GetSetting("frmTest.UDP1", "UnitIDFilter", "absent"), QString("absent"));

    Corvel_Project::UDP read;
    read.ReadProperties(bag);
    QCOMPARE(read.RemotePort(), 9000);
    QCOMPARE(read.UnitIDFilter(), Corvel_Project::UDP::kDefaultUnitIDFilter);

    // A number that does not read as one keeps the default.
    zam::SaveSetting("frmTest.UDP1", "RemotePort", "many");
    read.ReadProperties(bag);
    QCOMPARE(read.RemotePort(), 8092);
  }
};

KAYMOR_TEST_MAIN(TestControlProperties)
#include "tst_controlprops.moc"
