#include "cmdline.h"

#include <QFileInfo>

#include "appinfo.h"

namespace zam {

namespace {

// Options that QApplication takes for itself, with one dash or two; the
// first group takes a value (as the next argument or after "=").
const char* const kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet", "name",
    "title", "visual"};
const char* const kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

enum class OptionKind { Unknown, QtWithValue, QtFlag };

OptionKind QtOption(const QString& argument) {
  QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
  const bool inlineValue = name.contains('=');
  name = name.section('=', 0, 0);
  for (const char* o : kQtOptionsWithValue)
    if (name == QLatin1String(o)) return inlineValue ? OptionKind::QtFlag : OptionKind::QtWithValue;
  for (const char* o : kQtFlags)
    if (name == QLatin1String(o) && !inlineValue) return OptionKind::QtFlag;
  return OptionKind::Unknown;
}

QString HelpText(const QString& program) {
  return QStringLiteral(
             "Usage: %1 [/debug] [Qt options]\n"
             "       %1 --help | --version\n"
             "\n"
             "Virtual keyboard for ZAM digital video recorders: the window shows the\n"
             "recorder's keyboard, and its keys are sent to the unit over Ethernet (TCP)\n"
             "or an RS-232 line.\n"
             "\n"
             "Options:\n"
             "  /debug         write the debug log (%1.log) and show it below the keyboard\n"
             "  -h, --help     print this help and exit\n"
             "  -v, --version  print the version and exit\n"
             "  Qt's own options (-platform, -display, -style, ...) are accepted too.\n"
             "\n"
             "Files:\n"
             "  $XDG_CONFIG_HOME/Vantrel/Vantrel.ini (default ~/.config/Vantrel/Vantrel.ini)\n"
             "      the settings: address list, unit passwords, COM port map, options;\n"
             "      readable by its owner only.\n"
             "  %1.log, Profile.dat\n"
             "      the debug log and the network-settings profiles: beside the program in\n"
             "      a build folder when it is writable, otherwise in $XDG_DATA_HOME/Vantrel/\n"
             "      (default ~/.local/share/Vantrel/).\n"
             "  Images/ beside the program, else ../share/kaymor/Images relative to it\n"
             "      the keyboard pictures.\n"
             "\n"
             "Environment:\n"
             "  XDG_CONFIG_HOME   folder of the settings file\n"
             "  XDG_DATA_HOME     folder of the debug log and the profiles\n"
             "  XDG_RUNTIME_DIR   folder of the socket a second start uses to reach the\n"
             "                    running copy\n"
             "  QT_MEDIA_BACKEND  Qt Multimedia backend of the video pane (ffmpeg where\n"
             "                    installed, unless set)\n"
             "  QT_QPA_PLATFORM   Qt platform plugin (xcb, wayland, offscreen, ...)\n"
             "\n"
             "A serial device needs membership of the 'dialout' group:\n"
             "  sudo usermod -aG dialout $USER   (then log in again)\n")
      .arg(program);
}

}  // namespace

CommandLineResult ParseCommandLine(const QStringList& arguments) {
  const QString program =
      arguments.isEmpty() ? QStringLiteral("kaymor") : QFileInfo(arguments.first()).fileName();
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--help") || a == QLatin1String("-h"))
      return {CommandLineAction::Help, HelpText(program), 0};
    if (a == QLatin1String("--version") || a == QLatin1String("-v"))
      return {CommandLineAction::Version,
              QStringLiteral("%1 %2 (build %3)\n").arg(program, VersionText(false), VersionText(true)), 0};
    if (!a.startsWith('-')) continue;
    switch (QtOption(a)) {
      case OptionKind::QtWithValue:
        ++i;
        break;
      case OptionKind::QtFlag:
        break;
      case OptionKind::Unknown:
        return {CommandLineAction::Refuse,
                QStringLiteral("%1: unknown option '%2'\nTry '%1 --help' for more information.\n")
                    .arg(program, a),
                2};
    }
  }
  return {};
}

}  // namespace zam
