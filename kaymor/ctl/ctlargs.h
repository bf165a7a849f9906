#pragma once
// The command line of kaymorctl: a command (with its subcommand), its
// arguments and options, which may stand anywhere after the program name.
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace zam::ctl {

enum class Exit : int { Ok = 0, Failed = 1, Usage = 2 };

enum class Command {
  Discover, Ping, Info, Keys, Leds, Reboot, SettingsGet, SettingsSet, SettingsDiff, ClockSync, SetIp,
  SerialRead, SerialWrite,
};

// One entry of the command table.
struct CommandEntry {
  Command command;
  const char* name;     // "discover", "serial read"
  const char* synopsis; // arguments and options after the name
  const char* summary;  // one line
  int minArgs;
  int maxArgs;          // -1: any number
  QStringList options;  // the options it takes besides the common ones
};

// Every command, in the order the help lists them.
const QList<CommandEntry>& Commands();

// Options that take a value ("--password", "-o", ...), and those that do not.
bool OptionTakesValue(const QString& option);
bool IsKnownOption(const QString& option);

// What was asked for.
struct Invocation {
  const CommandEntry* entry = nullptr;  // null for --help or --version alone
  QStringList args;
  QHash<QString, QString> options;    // "--gap" -> "200"; flags map to ""
  bool json = false;
  bool help = false;
  bool version = false;

  bool Has(const QString& option) const { return options.contains(option); }
  QString Value(const QString& option, const QString& fallback = QString()) const {
    return options.value(option, fallback);
  }
};

// Parses the arguments after the program name. On a usage error returns
// nullopt with the reason in *error (json is still set when --json was given).
std::optional<Invocation> Parse(const QStringList& arguments, QString* error, bool* json);

// The settings fields by name, "camera.N.title" standing for the titles.
QStringList FieldNames();

// The program's help, and one command's.
QString ProgramHelp();
QString CommandHelp(const CommandEntry& entry);

}  // namespace zam::ctl
