#include "debuglog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include "eventpump.h"
#include "datafolders.h"

namespace zam {

namespace {
struct LogState {
  bool on = false;
  QFile file;
  DebugLogEcho echo;
};
LogState& State() {
  static LogState s;
  return s;
}
}  // namespace

bool HasDebugSwitch(const QStringList& arguments) {
  // The program's own path is no switch: a folder named debug... is common
  // here and its path would contain "/debug".
  return arguments.mid(1).join(' ').toLower().contains(QLatin1String("/debug"));
}

QString DebugLine(const QTime& time, const QString& text) {
  // 12-hour clock with the locale's AM/PM designator.
  return QLocale().toString(time, QStringLiteral("hh:mm:ss AP")) + QStringLiteral(": ") + text;
}

QString ProgramDataFolder() {
  const QString dir = QCoreApplication::applicationDirPath();
  const QFileInfo info(dir);
  // An installed program keeps its data in the user's folder even when it
  // may write to its own (root's /usr/bin, say).
  if (!RunsFromInstalledTree() && info.isDir() && info.isWritable()) return dir;
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
  const QString folder = base + QStringLiteral("/Vantrel");
  QDir().mkpath(folder);
  return folder;
}

QString DebugLogPath() {
  return ProgramDataFolder() + '/' + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
         QStringLiteral(".log");
}

void OpenDebugLog(DebugLogEcho echo) {
  LogState& s = State();
  s.on = true;
  s.echo = std::move(echo);
  if (s.file.isOpen()) s.file.close();
  s.file.setFileName(DebugLogPath());
  s.file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void CloseDebugLog() {
  LogState& s = State();
  s.on = false;
  if (s.file.isOpen()) s.file.close();
  s.echo = nullptr;
}

bool DebugMode() { return State().on; }

void WriteDebugLog(const QString& text) {
  LogState& s = State();
  if (!s.on) return;
  const QString line = DebugLine(QTime::currentTime(), text);
  if (s.file.isOpen()) {
    s.file.write((line + QStringLiteral("\r\n")).toLocal8Bit());
    s.file.flush();
  }
  if (s.echo) s.echo(line);
}

void Delay(int amount, bool inMilliseconds) {
  PumpFor(inMilliseconds ? amount : amount * 1000);
}

}  // namespace zam
