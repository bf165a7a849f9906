#pragma once
// Shared pieces of the keyboard program's tests: an isolated environment,
// the real window, the real unit simulator and a recording message box.
#include <QApplication>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QMenu>
#include <QtTest>
#include <memory>

#include "debuglog.h"
#include "frmZAMKeyboard.h"
#include "msgbox.h"

namespace kaymortest {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR (the single-instance
// socket) and TMPDIR into one temporary folder; call before the application
// starts.
void IsolateEnvironment();
QString TempRoot();

// Removes the settings file and every trace a test's window left.
void ResetSettings();
// Text of the settings file; the [section] lines of one section.
QString SettingsText();
QStringList SectionLines(const QString& section);

// Points the pictures at TempRoot() and draws the red and white LED there,
// so that LED changes are seen in the labels' "picture" property.
void WriteLedPictures();

// Records every message box and answers with the given answer.
struct MsgRecorder {
  explicit MsgRecorder(zam::MsgAnswer answer = zam::MsgAnswer::Ok);
  ~MsgRecorder();
  zam::MsgAnswer answer;
  QList<zam::MsgRequest> shown;
};

// Root opens any file whatever its modes. While alive, this drops the
// capabilities that bypass them (for this thread), so that root meets the
// checks an operator outside the dialout group meets.
class FileModesApply {
 public:
  FileModesApply();
  ~FileModesApply();
  // The file modes are checked: not root, or root without the bypass.
  bool Applies() const;

 private:
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

// A pseudo-terminal standing for a plugged serial adapter: its device
// (path()) opens while this holds the other end.
class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  QString path() const { return path_; }
  int master() const { return master_; }

 private:
  int master_ = -1;
  QString path_;
};

// A stand-in for /dev/serial/by-id (through KAYMOR_SERIAL_BY_ID) whose
// links are plugged and pulled adapters.
class SerialByIdTree {
 public:
  SerialByIdTree();
  ~SerialByIdTree();
  // The link's path; an existing link of that name is replaced.
  QString Plug(const QString& name, const QString& device);
  void Pull(const QString& name);
  QString Path(const QString& name) const;

 private:
  QString folder_;
};

// The COM numbers a new adapter can get on this machine: those whose
// /dev/ttyS<n-1> has no UART behind it.
QList<int> NumbersWithoutUart();

// A kaymor process sharing this test's settings and instance socket (and
// display); killed if still running when this goes.
struct KaymorProcess {
  QProcess p;
  ~KaymorProcess();
  // mode: ForwardedErrorChannel keeps standard error apart for reading.
  void Start(QProcess::ProcessChannelMode mode = QProcess::ForwardedChannels);
  bool Finished(int ms);
};

// "Options"/"Running" of the settings file as stored, "absent" without one.
QString RunningMarker();

// The keyboard window after its start-up.
struct Window {
  ~Window();
  bool Load(const QStringList& args = {QStringLiteral("kaymor")});
  template <typename T>
  T* Find(const QString& name) const {
    return w->findChild<T*>(name);
  }
  QString Status() const { return w->lblStatus->text(); }
  // The window's session with the unit, and its link.
  zam::UnitSession& Session() const { return w->Session; }
  zam::UnitLink& Link() const { return w->Session.Link(); }
  // The picture file a label shows, as the program named it.
  QString Picture(const QString& name) const {
    return Find<QLabel>(name)->property("picture").toString();
  }
  // Selects the combo item with this text as the operator would.
  void Choose(QComboBox* box, const QString& text);
  // Connects (or disconnects) and returns the status line.
  QString Click();
  std::unique_ptr<zam::frmZAMKeyboard> w;
};

// The unit simulator as a child process, without UDP, logging to a file.
class UnitSim {
 public:
  ~UnitSim();
  // Adds --no-udp, --tcp 127.0.0.1:0 (unless --no-tcp or --tcp is given)
  // and --log; true once it printed "ready".
  bool Start(QStringList args);
  void Stop();
  void Pause();   // SIGSTOP: the unit stops answering
  void Resume();  // SIGCONT
  // Log lines received on a link ("tcp", "serial"), in order.
  QList<QJsonObject> Received(const QString& link) const;

  quint16 tcpPort = 0;
  QString pty;
  QString logPath;
  QProcess process;
};

// Checks a held key's repeats by the times the simulator read them: each at
// most 200 ms after the one before, and none ahead of a beat of periodMs
// counted from the first (a code read late makes one gap long and the next
// short, so single gaps are not held to the beat). Empty when they keep it,
// else what is wrong.
QString RepeatBeatFault(const QList<qint64>& readUs, int periodMs = 100);

// Seeds the address list with one entry for the simulator and Ethernet mode.
void SeedTcpEntry(quint16 port, const QString& password = QStringLiteral("qmpv"));

}  // namespace kaymortest

#define KAYMOR_TEST_MAIN(TestClass)                   \
  int main(int argc, char** argv) {                   \
    kaymortest::IsolateEnvironment();                 \
    QApplication app(argc, argv);                     \
    TestClass tc;                                     \
    return QTest::qExec(&tc, argc, argv);             \
  }
