#pragma once
// The real program on a private X server (Xvfb), driven with xdotool, or
// under a private Wayland compositor.
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

#include "kaymortest.h"

namespace x11test {

// A private X server on a display number it picks itself.
class XServer {
 public:
  ~XServer();
  // False when Xvfb or xdotool is missing or the server did not come up.
  // Plain POSIX calls, so that it may run before the application exists.
  // size: the screen, as Xvfb takes it.
  bool Start(const char* size = "1280x1024x24");
  QString display;

 private:
  pid_t pid_ = -1;
};

// A private Wayland compositor: weston on its headless backend, with its
// socket in XDG_RUNTIME_DIR.
class WestonServer {
 public:
  ~WestonServer();
  // False when weston is missing or did not come up; why, in failure.
  // Plain POSIX calls, as XServer::Start.
  bool Start();
  QString socket;   // the WAYLAND_DISPLAY to use
  QString log;      // weston's log file
  QString failure;

 private:
  pid_t pid_ = -1;
};

// Runs a command to its end (30 s at most); its standard output.
QString Run(const QStringList& command);

// Types the keys (xdotool key names) into the focused window, 60 ms apart,
// and lets the program handle them.
void Key(const QStringList& keys);

// Writes text as the settings file of the program run with home.
bool WriteSettings(const QTemporaryDir& home, const QString& text);
// One address entry for sim reached over TCP or RS-232 (COM1 on its pty),
// with the keyboard of unitType shown.
QString EntrySettings(const kaymortest::UnitSim& sim, int unitType, bool tcp);

// The real program with a settings folder of its own (write it before the
// start); ended, if still running, when this goes.
struct Kaymor {
  ~Kaymor();
  // Starts it on display; its window id, empty when no window came up.
  QString Start(const QString& display);
  QTemporaryDir home;
  // Set for the program on top of the test's own ("QT_SCALE_FACTOR" -> "2").
  QMap<QString, QString> environment;
  QProcess process;
};
// Presses Connect through its mnemonic; true once the LED poll reaches sim.
bool Connect(const QString& window, const kaymortest::UnitSim& sim, bool tcp);

}  // namespace x11test

// main() of a test that is the X client on a private server: the server
// first (it must outlive the application), then the isolated environment.
// haveX tells the tests whether the server came up.
#define KAYMOR_X11_TEST_MAIN(TestClass, haveX)            \
  int main(int argc, char** argv) {                       \
    static x11test::XServer x;                            \
    haveX = x.Start();                                    \
    if (haveX) {                                          \
      qputenv("DISPLAY", x.display.toLocal8Bit());        \
      qputenv("QT_QPA_PLATFORM", "xcb");                  \
    }                                                     \
    kaymortest::IsolateEnvironment();                     \
    QApplication app(argc, argv);                         \
    TestClass tc;                                         \
    return QTest::qExec(&tc, argc, argv);                 \
  }
