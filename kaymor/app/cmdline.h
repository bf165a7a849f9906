#pragma once
// The command line before the window starts: --help and --version answer on
// the terminal without a display; any other option that is neither Qt's own
// nor "/debug" is refused.
#include <QString>
#include <QStringList>

namespace zam {

enum class CommandLineAction { Run, Help, Version, Refuse };

struct CommandLineResult {
  CommandLineAction action = CommandLineAction::Run;
  // What to print: the help, the version, or the refusal (for stderr).
  QString text;
  // The program's exit status when the action is not Run.
  int exitCode = 0;
};

// arguments as main() got them, the program's path first. The first of
// --help, --version or an unknown option decides; words that are no option
// (such as "/debug") are left to the window.
CommandLineResult ParseCommandLine(const QStringList& arguments);

}  // namespace zam
