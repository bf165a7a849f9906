#pragma once
// The debug log ("/debug" on the command line): time-stamped lines to a file
// beside the program and to an echo, the window's txtDebug box (see
// debuglogbox.h).
#include <QString>
#include <QTime>

#include <functional>

namespace zam {

// True when the arguments after the program's path (arguments() order, any
// letter case) contain "/debug".
bool HasDebugSwitch(const QStringList& arguments);

// "hh:mm:ss AMPM: text", without the line end.
QString DebugLine(const QTime& time, const QString& text);

// The program's folder when writable and not an installed tree's bin folder,
// else $XDG_DATA_HOME/Vantrel.
QString ProgramDataFolder();
// ProgramDataFolder() + program file name without extension + ".log".
QString DebugLogPath();

// Turns debug mode on: opens the log file for appending (created when
// missing); echo, when given, receives each line as well.
using DebugLogEcho = std::function<void(const QString& line)>;
void OpenDebugLog(DebugLogEcho echo = {});
// Closes the log file and leaves debug mode.
void CloseDebugLog();
bool DebugMode();

// In debug mode writes one line (CR LF) to the file and to the echo;
// does nothing otherwise. Write errors lose the line.
void WriteDebugLog(const QString& text);

// Waits amount milliseconds (seconds when inMilliseconds is false) while
// events run.
void Delay(int amount, bool inMilliseconds = true);

}  // namespace zam
