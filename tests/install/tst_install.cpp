// The installed tree: `cmake --install` into a temporary prefix, then the
// files a desktop and a package need, and the installed program started
// from there finding its libraries and pictures.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "panellayout.h"

namespace {

struct Run {
  int exitCode = -1;
  QString out, err;
};

// Runs a program to its end with the given environment.
Run RunProgram(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  Run r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished(3000);
    r.err = QStringLiteral("did not finish");
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

// The environment of a terminal without a display: no X, no Wayland, no
// platform chosen for Qt.
QProcessEnvironment NoDisplay() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LD_LIBRARY_PATH"})
    env.remove(QString::fromLatin1(name));
  return env;
}

}  // namespace

class TestInstall : public QObject {
  Q_OBJECT

  QTemporaryDir scratch_;
  QString prefix_;

  QString Installed(const QString& relative) const { return prefix_ + '/' + relative; }
  QString Program() const { return Installed(QStringLiteral("bin/kaymor")); }

  // A settings folder on RS-232 with discovery on request only and every COM
  // port mapped to a missing device: the started program touches neither the
  // network nor the machine's serial ports.
  QProcessEnvironment QuietProgramEnvironment(const QString& name) const {
    const QString home = scratch_.filePath(name);
    QDir().mkpath(home + QStringLiteral("/config/Vantrel"));
    QDir().mkpath(home + QStringLiteral("/data"));
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
    QFile ini(home + QStringLiteral("/config/Vantrel/Vantrel.ini"));
    if (ini.open(QIODevice::WriteOnly)) {
      QByteArray text = "[IPAddressList]\nCommType=0\n\n[Options]\nDisOption=1\n\n[Ports]\n";
      for (int n = 1; n <= 16; ++n) text += QStringLiteral("COM%1=%2/nodevice%1\n").arg(n).arg(home).toUtf8();
      ini.write(text);
    }
    QProcessEnvironment env = NoDisplay();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    return env;
  }

  // The installed manual page renders without warnings and holds text.
  void CheckManPage(const QString& file, const QString& text) {
    const QString man = Installed(QStringLiteral(INSTALL_MANDIR) + QStringLiteral("/man1/") + file);
    QVERIFY2(QFileInfo(man).isFile(), qPrintable(man));
    if (QStandardPaths::findExecutable(QStringLiteral("man")).isEmpty()) return;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    const Run r = RunProgram(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"), man}, env);
    QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), qPrintable(r.err));
    QVERIFY(r.out.contains(text));
  }

 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    prefix_ = scratch_.filePath(QStringLiteral("prefix"));
    const Run r = RunProgram(QStringLiteral(CMAKE_PATH),
                             {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"), prefix_});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
  }

  void treeHoldsProgramLibrariesAndPictures() {
    for (const char* file : {"bin/kaymor", "bin/kaymor-unitsim"})
      QVERIFY2(QFileInfo(Installed(QString::fromLatin1(file))).isExecutable(), file);
    // Versioned libraries.
    const QString libdir = Installed(QStringLiteral(INSTALL_LIBDIR));
    for (const char* name : {"corvel", "dotquad"}) {
      const QFileInfo link(QStringLiteral("%1/lib%2.so.1").arg(libdir, QString::fromLatin1(name)));
      QVERIFY2(link.isSymLink(), qPrintable(link.filePath()));
      QVERIFY2(QRegularExpression(QStringLiteral("^lib%1\\.so\\.1\\.\\d+\\.\\d+$").arg(QString::fromLatin1(name)))
                   .match(QFileInfo(link.symLinkTarget()).fileName())
                   .hasMatch(),
               qPrintable(link.symLinkTarget()));
      QVERIFY(QFileInfo(link.symLinkTarget()).isFile());
      // The development link names the versioned one, as a host's link picks it.
      const QFileInfo dev(QStringLiteral("%1/lib%2.so").arg(libdir, QString::fromLatin1(name)));
      QVERIFY2(dev.isSymLink(), qPrintable(dev.filePath()));
      QCOMPARE(QFileInfo(dev.symLinkTarget()).fileName(), link.fileName());
    }
    // Every picture the window names, readable at its size.
    for (const zam::layout::PictureFile& f : zam::layout::PictureFiles()) {
      const QString path = Installed(QStringLiteral("share/kaymor/") + QString::fromLatin1(f.path));
      QCOMPARE(QImage(path).size(), QSize(f.width, f.height));
    }
    const Run sim = RunProgram(Installed(QStringLiteral("bin/kaymor-unitsim")), {QStringLiteral("--help")}, NoDisplay());
    QVERIFY2(sim.exitCode == 0 && sim.out.contains(QLatin1String("--tcp")), qPrintable(sim.out + sim.err));
    // Nothing of the build's own is left beside the installed program.
    QVERIFY(!QFileInfo::exists(Installed(QStringLiteral("bin/Images"))));
  }

  void desktopFilesAreInPlaceAndValid() {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      const QImage icon(Installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/kaymor.png").arg(size)));
      QCOMPARE(icon.size(), QSize(size, size));
      QVERIFY(icon.hasAlphaChannel());
    }
    const QString desktop = Installed(QStringLiteral("share/applications/com.vantrel.kaymor.desktop"));
    const QString metainfo = Installed(QStringLiteral("share/metainfo/com.vantrel.kaymor.metainfo.xml"));
    QFile entry(desktop);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    for (const char* line : {"\nExec=kaymor\n", "\nIcon=kaymor\n", "\nName=Kaymor\n"})
      QVERIFY2(text.contains(QLatin1String(line)), line);

    for (const char* tool : {"desktop-file-validate", "appstreamcli"})
      QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
               qPrintable(QStringLiteral("%1 is missing: ./run.sh test installs it").arg(QString::fromLatin1(tool))));
    Run r = RunProgram(QStringLiteral("desktop-file-validate"), {desktop});
    QVERIFY2(r.exitCode == 0 && r.out.trimmed().isEmpty(), qPrintable(r.out + r.err));
    r = RunProgram(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));

    CheckManPage(QStringLiteral("kaymor.1.gz"), QStringLiteral("XDG_CONFIG_HOME"));
    CheckManPage(QStringLiteral("kaymor-unitsim.1.gz"), QStringLiteral("SIGTERM"));
  }

  void commandLineWithoutDisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");  // a pattern the standard output matches
    QTest::addColumn<QString>("err");  // ... and the error output
    const QString version = QStringLiteral("^kaymor \\d+\\.\\d\\d \\(build \\d+\\.\\d\\d\\.\\d{4}\\)\\n$");
    const QString help = QStringLiteral("^Usage: kaymor .*/debug.*Vantrel\\.ini.*XDG_CONFIG_HOME.*dialout");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << help << "^$";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << help << "^$";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "^$";
    QTest::newRow("after /debug and a Qt option") << QStringList{"/debug", "-style", "fusion", "-v"} << 0 << version
                                                  << "^$";
    QTest::newRow("unknown long option") << QStringList{"--bogus"} << 2 << "^$"
                                         << "^kaymor: unknown option '--bogus'\\n.*kaymor --help";
    QTest::newRow("unknown short option") << QStringList{"-x", "--help"} << 2 << "^$" << "unknown option '-x'";
    QTest::newRow("Qt option's value is no option") << QStringList{"-platform", "-x", "--version"} << 0 << version
                                                    << "^$";
  }

  void commandLineWithoutDisplay() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run r = RunProgram(Program(), args, NoDisplay());
    QCOMPARE(r.exitCode, exitCode);
    const auto dotAll = QRegularExpression::DotMatchesEverythingOption;
    QVERIFY2(QRegularExpression(out, dotAll).match(r.out).hasMatch(), qPrintable(r.out));
    QVERIFY2(QRegularExpression(err, dotAll).match(r.err).hasMatch(), qPrintable(r.err));
  }

  // The command line runs without a display and loads no display library;
  // its manual page and completion are installed with it.
  void commandLineProgramIsInstalledWithoutDisplayLibraries() {
    const QString ctl = Installed(QStringLiteral("bin/kaymorctl"));
    QVERIFY(QFileInfo(ctl).isExecutable());
    Run r = RunProgram(ctl, {QStringLiteral("--version")}, NoDisplay());
    QVERIFY2(r.exitCode == 0 && r.out.startsWith(QLatin1String("kaymorctl 1.")), qPrintable(r.out + r.err));
    r = RunProgram(QStringLiteral("ldd"), {ctl}, NoDisplay());
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(QLatin1String("libcorvel.so.1 => ") + prefix_), qPrintable(r.out));
    for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libX11", "libxcb", "libwayland", "libGL"})
      QVERIFY2(!r.out.contains(QLatin1String(gui)), gui);

    CheckManPage(QStringLiteral("kaymorctl.1.gz"), QStringLiteral("KAYMOR_PASSWORD"));
    // The completion offers the commands, the key names and the settings fields.
    const QString completion = Installed(QStringLiteral("share/bash-completion/completions/kaymorctl"));
    QVERIFY(QFileInfo(completion).isFile());
    const QString script = QStringLiteral(
        "_init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; "
        "words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD; }; _filedir() { :; }; source \"$1\"; "
        "COMP_WORDS=(kaymorctl --json keys 10.0.0.5 alarm-c); COMP_CWORD=4; _kaymorctl; echo \"${COMPREPLY[*]}\"; "
        "COMP_WORDS=(kaymorctl ser); COMP_CWORD=1; _kaymorctl; echo \"${COMPREPLY[*]}\"; "
        "COMP_WORDS=(kaymorctl settings set ZS-1001 time_); COMP_CWORD=4; _kaymorctl; echo \"${COMPREPLY[*]}\"; "
        "COMP_WORDS=(kaymorctl clock s); COMP_CWORD=2; _kaymorctl; echo \"${COMPREPLY[*]}\"");
    r = RunProgram(QStringLiteral("bash"), {QStringLiteral("-c"), script, QStringLiteral("bash"), completion});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out,
             QStringLiteral("alarm-cam1 alarm-cam2 alarm-cam3 alarm-cam4\nserial\ntime_format= time_zone=\nsync\n"));
  }

  void installedProgramFindsLibrariesAndPictures() {
    const QProcessEnvironment env = QuietProgramEnvironment(QStringLiteral("run1"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(Program(), {QStringLiteral("/debug")});
    QVERIFY(p.waitForStarted(10000));
    // The debug log is opened by the window's start-up, after the picture check.
    const QString log = env.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/Vantrel/kaymor.log");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(log) || p.state() == QProcess::NotRunning, 30000);
    QVERIFY2(!p.waitForFinished(1000), qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
    QFile maps(QStringLiteral("/proc/%1/maps").arg(p.processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QString mapped = QString::fromLocal8Bit(maps.readAll());
    const QString libdir = QDir::cleanPath(Installed(QStringLiteral(INSTALL_LIBDIR)));
    for (const char* name : {"libcorvel.so.1", "libdotquad.so.1"}) {
      QRegularExpression from(QStringLiteral(" (/\\S*/)%1").arg(QRegularExpression::escape(QString::fromLatin1(name))));
      const QRegularExpressionMatch m = from.match(mapped);
      QVERIFY2(m.hasMatch(), name);
      QCOMPARE(QDir::cleanPath(QFileInfo(m.captured(1)).canonicalFilePath()), QFileInfo(libdir).canonicalFilePath());
    }
    p.terminate();
    p.waitForFinished(5000);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(!err.contains(QLatin1String("pictures are missing")), qPrintable(err));
    // The debug log went to the user's data folder, not into the installed bin/.
    QVERIFY(!QFileInfo::exists(Installed(QStringLiteral("bin/kaymor.log"))));
  }

  void missingPicturesAreReported() {
    const QString images = Installed(QStringLiteral("share/kaymor/Images"));
    const QString aside = Installed(QStringLiteral("share/kaymor/Images.aside"));
    QVERIFY(QDir().rename(images, aside));
    QProcess p;
    p.setProcessEnvironment(QuietProgramEnvironment(QStringLiteral("run2")));
    p.start(Program(), {});
    QVERIFY(p.waitForStarted(10000));
    QString err;
    auto firstLine = [&] {
      err += QString::fromLocal8Bit(p.readAllStandardError());
      return err.contains('\n') || p.state() == QProcess::NotRunning;
    };
    QTRY_VERIFY_WITH_TIMEOUT(firstLine(), 30000);
    p.terminate();
    p.waitForFinished(5000);
    err += QString::fromLocal8Bit(p.readAllStandardError());
    QDir().rename(aside, images);
    QVERIFY2(err.contains(QStringLiteral("kaymor: the keyboard pictures are missing: no Images folder in %1")
                              .arg(Installed(QStringLiteral("bin")))),
             qPrintable(err));
  }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
