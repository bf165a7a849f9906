// The keyboard window against the unit simulator on a pseudo-terminal.
#include "eventpump.h"
#include <QAbstractItemView>
#include <QTest>
#include "frmOptions.h"
#include "kaymortest.h"
#include "serialadapter.h"
#include "settingsstore.h"

#include <fcntl.h>
#include <unistd.h>

using namespace kaymortest;

namespace {
const QString kDialout = QStringLiteral(" - add your user to the dialout group");

QString Com(int n) { return QStringLiteral("COM%1").arg(n); }

// "COM2=/dev/pts/4;COM3=..." for the ports a search found.
QString Found(const zam::SerialPortScan& scan) {
  QStringList out;
  for (const zam::SerialPortEntry& e : scan.ports)
    if (!e.path.startsWith("/dev/ttyS")) out << Com(e.number) + "=" + e.path;
  return out.join(';');
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}
}  // namespace

class TestLinkSerial : public QObject {
  Q_OBJECT
 private:
  // The simulator on a pty reached as COM1, and the window in RS-232 mode.
  // With a link path, COM1 is mapped to that symbolic link, as the demo does.
  bool Load(UnitSim& sim, Window& win, QStringList simArgs, const QString& link = QString()) {
    if (!link.isEmpty()) simArgs << "--pty-link" << link;
    if (!sim.Start(simArgs << "--no-tcp" << "--pty")) return false;
    zam::SaveSetting("Ports", "COM1", link.isEmpty() ? sim.pty : link);
    zam::SaveSetting("RS-232", "Port", "COM1");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    if (!win.Load()) return false;
    win.w->tmrLEDStatus->stop();  // polls are run by hand
    return win.w->cboComPort->currentText() == "COM1";
  }
  QList<int> InfoRequestRates(const UnitSim& sim) {
    QList<int> rates;
    for (const QJsonObject& o : sim.Received("serial"))
      if (o.value("hex").toString().startsWith("ff dd 11 ff 01")) rates << o.value("baud").toInt();
    return rates;
  }
  QStringList BlockRequests(const UnitSim& sim) {
    QStringList blocks;
    for (const QJsonObject& o : sim.Received("serial"))
      if (o.value("hex").toString().startsWith("ff bb 11 ff ")) blocks << o.value("hex").toString().mid(12, 2);
    return blocks;
  }

 private slots:
  void initTestCase() { WriteLedPictures(); }
  void init() { ResetSettings(); }

  // A remembered port that is absent (an unplugged adapter) stays remembered
  // through start-up; only the operator's choice replaces it.
  void absentPortStaysRemembered_data() {
    QTest::addColumn<bool>("otherPort");
    QTest::newRow("no COM port at all") << false;
    QTest::newRow("another port present") << true;
  }
  void absentPortStaysRemembered() {
    QFETCH(bool, otherPort);
    UnitSim sim;
    if (otherPort) {
      QVERIFY(sim.Start({"--no-tcp", "--pty"}));
      zam::SaveSetting("Ports", "COM1", sim.pty);
    }
    zam::SaveSetting("Ports", "COM3", TempRoot() + "/unplugged");
    zam::SaveSetting("RS-232", "Port", "COM3");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    {
      Window win;
      QVERIFY(win.Load());
      QCOMPARE(win.w->cboComPort->findText("COM3"), -1);
      QCOMPARE(zam::GetSetting("RS-232", "Port"), QString("COM3"));
      if (otherPort) {
        win.Choose(win.w->cboComPort, "COM1");
        QCOMPARE(zam::GetSetting("RS-232", "Port"), QString("COM1"));
      }
    }
    QCOMPARE(zam::GetSetting("RS-232", "Port"), QString(otherPort ? "COM1" : "COM3"));
  }

  // A message written just before the next request empties the buffers, at
  // 1200 baud, to a peer that reads only later: the message still reaches
  // the peer, in order before the request; only input not read yet goes.
  void bufferResetSendsWhatWasWritten() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(master >= 0);
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{master};
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    char name[128] = {};
    QVERIFY(::ptsname_r(master, name, sizeof name) == 0);
    zam::SaveSetting("Ports", "COM5", QString::fromLocal8Bit(name));
    zam::SerialAdapter port;
    port.SetCommPort(5);
    QVERIFY(port.SetSettings("1200,n,8,1"));
    QVERIFY(port.Open());
    const QByteArray stale("stale"), key = QByteArray::fromHex("ffcc7a"), request = QByteArray::fromHex("ffbb11ff");
    QCOMPARE(::write(master, stale.constData(), size_t(stale.size())), ssize_t(stale.size()));
    QVERIFY(QTest::qWaitFor([&] { return port.InBufferCount() == stale.size(); }, 2000));
    QVERIFY(port.Write(key));
    port.ClearBuffers();
    QCOMPARE(port.InBufferCount(), 0);
    QVERIFY(port.Write(request));
    zam::PumpFor(200);  // the peer reads late
    QByteArray got(64, '\0');
    const ssize_t n = ::read(master, got.data(), size_t(got.size()));
    QCOMPARE(got.left(int(qMax<ssize_t>(n, 0))).toHex(), (key + request).toHex());
    zam::PumpFor(100);
    QCOMPARE(port.InBufferCount(), 0);
  }

  void baudSearchFindsAndStoresTheRate() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {"--baud", "4800", "--name", "Dock"}, TempRoot() + "/ttyUNIT"));
    QCOMPARE(win.Click(), QString("Status: Connected to the unit (Dock)"));
    QCOMPARE(InfoRequestRates(sim), (QList<int>{9600, 57600, 38400, 19200, 4800}));
    QCOMPARE(zam::GetSetting("RS-232", "BaudRate"), QString("4800"));
    QCOMPARE(win.Link().UnitInfo.Version, QString("1.40"));
    QCOMPARE(win.Link().UnitInfo.ModelID, QString("0169"));
    QCOMPARE(win.Click(), QString("Status: Disconnected from the unit (Dock)"));
  }

  void detection_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("status");
    QTest::newRow("1.20 accepted") << QStringList{"--version", "1.20", "--name", "Old"}
                                   << "Status: Connected to the unit (Old)";
    QTest::newRow("1.19 refused") << QStringList{"--version", "1.19"}
                                  << "Status: Require V1.20 or greater. The unit's version is 1.19";
    QTest::newRow("model 0175") << QStringList{"--model-id", "0175", "--name", "Other"}
                                << "Status: Connected to the unit (Other)";
    QTest::newRow("another product") << QStringList{"--model-id", "0200"} << "Status: The unit is not Marlox";
    QTest::newRow("silent unit") << QStringList{"--silent-to", "serial:01"} << "Status: Could not detect the unit";
  }
  void detection() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, status);
    UnitSim sim;
    Window win;
    zam::SaveSetting("RS-232", "BaudRate", "9600");
    QVERIFY(Load(sim, win, simArgs));
    QCOMPARE(win.Click(), status);
    QCOMPARE(win.w->IsConnected(), status.startsWith("Status: Connected"));
  }

  // A COM port whose device is missing fails at once, and the status line
  // says why; the log line stays as it is.
  void missingDevice() {
    const QString device = TempRoot() + "/no-such-tty";
    zam::SaveSetting("Ports", "COM2", device);
    zam::SaveSetting("RS-232", "Port", "COM2");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    zam::SaveSetting("Options", "Version", "1.01.1004");
    Window win;
    QVERIFY(win.Load({"kaymor", "/debug"}));
    // The box lists the ports that open; the operator's choice is what counts here.
    win.w->cboComPort->blockSignals(true);
    win.w->cboComPort->clear();
    win.w->cboComPort->addItem("COM2");
    win.w->cboComPort->blockSignals(false);
    QCOMPARE(win.Click(), "Status: Could not detect the unit (no device " + device + " for COM2)");
    QVERIFY(!win.w->IsConnected());
    const QString log = win.w->txtDebug->toPlainText();
    QVERIFY2(log.contains("Cannot connect to COM2 on ") && log.contains(" (Could not detect the unit)"), qPrintable(log));
    QVERIFY2(!log.contains("no device"), qPrintable(log));
    QFile::remove(zam::DebugLogPath());
  }

  void ledBlockFollowsVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("block");
    QTest::newRow("1.3: block C2, byte 15") << "1.30" << "c2";
    QTest::newRow("1.4: block B6, byte 9") << "1.40" << "b6";
  }
  void ledBlockFollowsVersion() {
    QFETCH(QString, version);
    QFETCH(QString, block);
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {"--version", version, "--type", "1", "--led", "0x05"}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    win.w->UpdateLEDStatus();
    QCOMPARE(BlockRequests(sim).last(), block);
    for (int i = 0; i < 8; ++i)
      QCOMPARE(win.Picture(QString("imgLED(%1)").arg(i)),
               QString(i == 0 || i == 2 ? "Images/zam_led_r.jpg" : "Images/zam_led_w.jpg"));
  }

  void missesCountUntilAReply() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {"--name", "Quiet"}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    auto missTwice = [&] {
      sim.Pause();
      win.w->UpdateLEDStatus();
      win.w->UpdateLEDStatus();
      sim.Resume();
      zam::PumpFor(200);  // the late replies arrive and are dropped by the next poll
    };
    missTwice();
    QCOMPARE(win.Session().SerialMisses(), 2);
    QCOMPARE(win.Find<QLabel>("imgLED4(255)")->property("Tag").toString(), QString("11"));
    win.w->UpdateLEDStatus();
    QCOMPARE(win.Session().SerialMisses(), 0);
    QCOMPARE(win.Find<QLabel>("imgLED4(255)")->property("Tag").toString(), QString());
    missTwice();
    QVERIFY(win.w->IsConnected());
    // The third miss in a row ends the link.
    sim.Pause();
    win.w->UpdateLEDStatus();
    sim.Resume();
    QVERIFY(!win.w->IsConnected());
    QCOMPARE(win.Status(), QString("Status: Disconnected from the unit (Quiet)"));
  }

  // COM1 is a file the user may not open, or one that is no serial device;
  // the other ports are missing devices.
  void unopenablePortIsExplained_data() {
    QTest::addColumn<bool>("denied");
    QTest::newRow("no permission") << true;
    QTest::newRow("not a serial device") << false;
  }
  void unopenablePortIsExplained() {
    QFETCH(bool, denied);
    const QString device = TempRoot() + "/ttyLOCKED";
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.setPermissions(denied ? QFileDevice::Permissions() : QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    zam::SaveSetting("Ports", "COM1", device);
    for (int n = 2; n <= 16; ++n) zam::SaveSetting("Ports", QString("COM%1").arg(n), TempRoot() + "/missing");
    zam::SaveSetting("IPAddressList", "CommType", "0");
    FileModesApply modes;
    QVERIFY(modes.Applies());
    Window win;
    QVERIFY(win.Load());
    // A device the user may not open is there: it is listed, with the hint.
    QCOMPARE(Items(win.w->cboComPort), QStringList{denied ? "COM1" : "No COM port found"});
    if (denied)
      QCOMPARE(win.Status(), "Status: No permission to open " + device + kDialout);
    else
      QVERIFY2(!win.Status().contains("dialout"), qPrintable(win.Status()));
    QFile::remove(device);
  }

  // The permission is lost between listing and connecting: the connect says
  // so at once instead of searching the baud rates of a closed port.
  void connectWithoutPermissionNamesDialoutGroup() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {}));
    const QFileDevice::Permissions before = QFile::permissions(sim.pty);
    QVERIFY(QFile::setPermissions(sim.pty, QFileDevice::Permissions()));
    QString status;
    {
      FileModesApply modes;
      QVERIFY(modes.Applies());
      status = win.Click();
    }
    QFile::setPermissions(sim.pty, before);
    QCOMPARE(status, "Status: No permission to open " + sim.pty + kDialout);
    QVERIFY(!win.w->IsConnected());
    QVERIFY(sim.Received("serial").isEmpty());
  }

  // An adapter never seen before is found under its by-id name, takes the
  // lowest number no UART has, keeps it by that name, and reaches the unit.
  void pluggedAdapterConnects() {
    const QList<int> free = NumbersWithoutUart();
    QVERIFY(!free.isEmpty());
    SerialByIdTree byId;
    UnitSim sim;
    QVERIFY(sim.Start({"--no-tcp", "--pty", "--name", "Dock"}));
    const QString link = byId.Plug("usb-Kaymor_Bench_Adapter_K1-if00-port0", sim.pty);
    zam::SaveSetting("RS-232", "Port", Com(free.first()));
    zam::SaveSetting("IPAddressList", "CommType", "0");
    Window win;
    QVERIFY(win.Load());
    win.w->tmrLEDStatus->stop();
    QCOMPARE(zam::GetSetting("Ports", Com(free.first())), link);
    // Every UART keeps its own number.
    QStringList names;
    for (int n = 1; n <= 16; ++n)
      if (!free.contains(n) || n == free.first()) names << Com(n);
    QCOMPARE(Items(win.w->cboComPort), names);
    QCOMPARE(win.w->cboComPort->currentText(), Com(free.first()));
    QCOMPARE(win.w->cboComPort->itemData(win.w->cboComPort->currentIndex(), Qt::AccessibleTextRole).toString(),
             Com(free.first()) + "  Kaymor Bench Adapter K1 (" + sim.pty + ")");
    QCOMPARE(win.Click(), QString("Status: Connected to the unit (Dock)"));
  }

  // Numbers follow the adapter's stable name: not the order it is plugged
  // in, nor the pseudo-terminal behind it. A pulled adapter's number stays
  // stored for it and is not given to another.
  void numbersStayWithTheirAdapters() {
    const QList<int> free = NumbersWithoutUart();
    QVERIFY(free.size() >= 3);
    SerialByIdTree byId;
    QString a, b, c;
    {
      Pty first, second;
      a = byId.Plug("usb-Maker_A_1-if00-port0", first.path());
      b = byId.Plug("usb-Maker_B_2-if00-port0", second.path());
      QCOMPARE(Found(zam::ScanSerialPorts()), Com(free[0]) + "=" + a + ";" + Com(free[1]) + "=" + b);
      byId.Pull("usb-Maker_A_1-if00-port0");
      byId.Pull("usb-Maker_B_2-if00-port0");
    }
    {
      Pty other;
      c = byId.Plug("usb-Maker_C_3-if00-port0", other.path());
      QCOMPARE(Found(zam::ScanSerialPorts()), Com(free[2]) + "=" + c);
      QCOMPARE(zam::GetSetting("Ports", Com(free[0])), a);
      QCOMPARE(zam::GetSetting("Ports", Com(free[1])), b);
      byId.Pull("usb-Maker_C_3-if00-port0");
    }
    Pty third, fourth;
    byId.Plug("usb-Maker_B_2-if00-port0", third.path());
    byId.Plug("usb-Maker_A_1-if00-port0", fourth.path());
    const zam::SerialPortScan scan = zam::ScanSerialPorts();
    QCOMPARE(Found(scan), Com(free[0]) + "=" + a + ";" + Com(free[1]) + "=" + b);
    QCOMPARE(scan.ports.last().device, third.path());
    QVERIFY(scan.Hint().isEmpty());
  }

  // Past sixteen numbers a device is not dropped without a word.
  void seventeenAdapters() {
    const QList<int> free = NumbersWithoutUart();
    SerialByIdTree byId;
    std::vector<std::unique_ptr<Pty>> ptys;
    QStringList unnumbered;
    for (int k = 0; k < 17; ++k) {
      ptys.push_back(std::make_unique<Pty>());
      byId.Plug(QString("usb-Maker_Port_%1-if00-port0").arg(k, 2, 10, QChar('0')), ptys.back()->path());
      if (k >= free.size()) unnumbered << ptys.back()->path();
    }
    zam::SaveSetting("IPAddressList", "CommType", "0");
    Window win;
    QVERIFY(win.Load());
    QStringList all;
    for (int n = 1; n <= 16; ++n) all << Com(n);
    QCOMPARE(Items(win.w->cboComPort), all);
    QCOMPARE(win.Status(), "Status: no free COM number for " + unnumbered.join(", "));
    // The next search finds the same, and stores nothing over what is there.
    const QString before = SettingsText();
    QCOMPARE(zam::ScanSerialPorts().unnumbered, unnumbered);
    QCOMPARE(SettingsText(), before);
  }

  // The box is searched again each time it opens: a pulled adapter goes,
  // a plugged one comes, and the chosen port stays chosen.
  void dropDownFollowsThePlug() {
    const QList<int> free = NumbersWithoutUart();
    QVERIFY(free.size() >= 2);
    SerialByIdTree byId;
    Pty first, second;
    byId.Plug("usb-Maker_A_1-if00-port0", first.path());
    zam::SaveSetting("IPAddressList", "CommType", "0");
    Window win;
    QVERIFY(win.Load());
    win.Choose(win.w->cboComPort, Com(free[0]));
    byId.Plug("usb-Maker_B_2-if00-port0", second.path());
    QVERIFY(Items(win.w->cboComPort).indexOf(Com(free[1])) < 0);
    win.w->cboComPort->showPopup();
    win.w->cboComPort->hidePopup();
    QVERIFY(Items(win.w->cboComPort).contains(Com(free[1])));
    QCOMPARE(win.w->cboComPort->currentText(), Com(free[0]));
    // The drop-down is wide enough for the whole texts.
    QVERIFY(win.w->cboComPort->view()->minimumWidth() >=
            win.w->cboComPort->fontMetrics().horizontalAdvance(Com(free[1]) + "  Maker B 2 (" + second.path() + ")"));
    byId.Pull("usb-Maker_A_1-if00-port0");
    win.w->cboComPort->showPopup();
    win.w->cboComPort->hidePopup();
    QVERIFY(!Items(win.w->cboComPort).contains(Com(free[0])));
    QCOMPARE(zam::GetSetting("RS-232", "Port"), Com(free[0]));
  }

  // An adapter this user may not open is listed, and choosing it says why
  // Connect will fail.
  void deniedAdapterIsListed() {
    const QList<int> free = NumbersWithoutUart();
    SerialByIdTree byId;
    Pty pty;
    const QString link = byId.Plug("usb-Maker_Locked_9-if00-port0", pty.path());
    QVERIFY(QFile::setPermissions(pty.path(), QFileDevice::Permissions()));
    zam::SaveSetting("IPAddressList", "CommType", "0");
    FileModesApply modes;
    QVERIFY(modes.Applies());
    Window win;
    QVERIFY(win.Load());
    QVERIFY2(win.Status().endsWith(kDialout), qPrintable(win.Status()));
    win.w->lblStatus->clear();
    win.Choose(win.w->cboComPort, Com(free.first()));
    QCOMPARE(win.Status(), "Status: No permission to open " + link + kDialout);
  }

  // The settings page searches when it is shown: an adapter plugged in
  // after the dialog opened is the page's port, named with what it is, and
  // the page reads the unit through it.
  void settingsPageReadsThroughAnAdapter() {
    const QList<int> free = NumbersWithoutUart();
    SerialByIdTree byId;
    UnitSim sim;
    QVERIFY(sim.Start({"--no-tcp", "--pty"}));
    zam::SaveSetting("RS-232", "Port", Com(free.first()));
    zam::SaveSetting("RS-232", "BaudRate", "9600");
    zam::frmOptions d;
    QVERIFY(!d.lblRS232Port->text().contains("Maker"));
    const QString link = byId.Plug("usb-Maker_Dock_7-if00-port0", sim.pty);
    d.SSTab1->setCurrentIndex(1);
    QCOMPARE(zam::GetSetting("Ports", Com(free.first())), link);
    QCOMPARE(d.lblRS232Port->text(), Com(free.first()) + ": Maker Dock 7 (" + sim.pty + ")");
    d.cmdEthernet_Click(0);
    QCOMPARE(d.lblStatus->text(), QString("Finished getting the Ethernet information"));
  }

  void rebootWritesBlockFive() {
    UnitSim sim;
    Window win;
    QVERIFY(Load(sim, win, {}));
    win.Click();
    QVERIFY(win.w->IsConnected());
    win.w->RebootSequence();
    QVERIFY(!win.w->IsConnected());
    QVERIFY(QTest::qWaitFor([&] {
      const QList<QJsonObject> rx = sim.Received("serial");
      return !rx.isEmpty() && rx.last().value("hex").toString().startsWith("ff cc 11 ff 05 01 00");
    }, 2000));
  }
};

KAYMOR_TEST_MAIN(TestLinkSerial)
#include "tst_link_serial.moc"
