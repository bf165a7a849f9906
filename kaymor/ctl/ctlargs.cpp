#include "ctlargs.h"

#include "keycodes.h"
#include "unitfields.h"

namespace zam::ctl {

namespace {

const QStringList kCommonOptions = {"--json", "--help", "--version", "--password"};
const QStringList kValueOptions = {"--password", "--timeout", "--port", "--gap", "--serial", "--ip",
                                   "--mask", "--gateway", "--dhcp", "--ethernet", "-o", "--from"};
const QStringList kFlagOptions = {"--json", "--help", "--version", "--watch", "--yes", "--all", "--include-password"};

// Two-word commands: the first word alone names no command.
const QStringList kGroups = {"settings", "clock", "serial"};

// The field names wrapped for a help text.
QString FieldsHelp() {
  QString text = QStringLiteral("\nFields:");
  int column = 80;
  for (const QString& name : FieldNames()) {
    if (column + name.size() + 1 > 78) {
      text += QStringLiteral("\n ");
      column = 1;
    }
    text += ' ' + name;
    column += static_cast<int>(name.size()) + 1;
  }
  return text + '\n';
}

}  // namespace

QStringList FieldNames() {
  return QStringList{QStringLiteral("camera.N.title")} + unitfields::FixedKeys();
}

const QList<CommandEntry>& Commands() {
  static const QList<CommandEntry> table = {
      {Command::Discover, "discover", "[--timeout S] [--port N]",
       "find the units on every local network (UDP broadcast)", 0, 0, {"--timeout", "--port"}},
      {Command::Ping, "ping", "ADDRESS", "send one ICMP echo; exit 1 unless \"IP Success\"", 1, 1, {}},
      {Command::Info, "info", "UNIT", "log in and show the unit's name, MAC address, version and type", 1, 1, {}},
      {Command::Keys, "keys", "UNIT KEY... | --serial PORT KEY... [--gap MS]",
       "log in and press the panel keys in order", 1, -1, {"--gap", "--serial"}},
      {Command::Leds, "leds", "UNIT | --serial PORT [--watch]",
       "show the LED byte and the lit LEDs, once or every second", 0, 1, {"--watch", "--serial"}},
      {Command::Reboot, "reboot", "UNIT --yes", "reboot the unit", 1, 1, {"--yes"}},
      {Command::SettingsGet, "settings get", "UNIT [-o FILE [--include-password]]",
       "read the unit's settings block and show its named fields", 1, 1, {"-o", "--include-password"}},
      {Command::SettingsSet, "settings set", "UNIT FIELD=VALUE... | UNIT --from FILE [--include-password]",
       "change fields of the unit's settings, write them and check them", 1, -1, {"--from", "--include-password"}},
      {Command::SettingsDiff, "settings diff", "UNIT (FILE | UNIT2)",
       "compare the unit's settings with a backup file or another unit (not the clock)", 2, 2, {}},
      {Command::ClockSync, "clock sync", "UNIT... | --all",
       "set the units' clocks and time zone from this PC and check them", 0, -1, {"--all"}},
      {Command::SetIp, "setip", "MAC --ip A --mask M --gateway G [--dhcp on|off] --yes",
       "give the unit with this MAC address new IP settings (UDP broadcast)", 1, 1,
       {"--ip", "--mask", "--gateway", "--dhcp", "--yes"}},
      {Command::SerialRead, "serial read", "PORT", "read the network settings over RS-232", 1, 1, {}},
      {Command::SerialWrite, "serial write",
       "PORT --ip A --mask M --gateway G [--dhcp on|off] [--ethernet on|off]",
       "write the network settings over RS-232 (the unit restarts its network)", 1, 1,
       {"--ip", "--mask", "--gateway", "--dhcp", "--ethernet"}},
  };
  return table;
}

bool OptionTakesValue(const QString& option) { return kValueOptions.contains(option); }

bool IsKnownOption(const QString& option) {
  return kValueOptions.contains(option) || kFlagOptions.contains(option);
}

std::optional<Invocation> Parse(const QStringList& arguments, QString* error, bool* json) {
  Invocation inv;
  QStringList words;
  const auto fail = [&](const QString& why) {
    *error = why;
    *json = inv.json;
    return std::nullopt;
  };
  // Options first, wherever they stand: --json must be known before any
  // error is reported.
  QString pendingError;
  bool optionsEnded = false;
  for (int i = 0; i < arguments.size(); ++i) {
    QString word = arguments[i];
    if (optionsEnded || word == QLatin1String("-") || !word.startsWith('-')) {
      words << word;
      continue;
    }
    if (word == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    QString value;
    bool inlineValue = false;
    if (word.startsWith(QLatin1String("--")) && word.contains('=')) {
      value = word.section('=', 1);
      word = word.section('=', 0, 0);
      inlineValue = true;
    }
    if (word == QLatin1String("-h")) word = QStringLiteral("--help");
    if (!IsKnownOption(word)) {
      if (pendingError.isEmpty()) pendingError = QStringLiteral("unknown option %1").arg(word);
      continue;
    }
    if (OptionTakesValue(word)) {
      if (!inlineValue) {
        if (i + 1 >= arguments.size()) {
          if (pendingError.isEmpty()) pendingError = QStringLiteral("%1 needs a value").arg(word);
          continue;
        }
        value = arguments[++i];
      }
    } else if (inlineValue) {
      if (pendingError.isEmpty()) pendingError = QStringLiteral("%1 takes no value").arg(word);
      continue;
    }
    if (word == QLatin1String("--json")) inv.json = true;
    else if (word == QLatin1String("--help")) inv.help = true;
    else if (word == QLatin1String("--version")) inv.version = true;
    inv.options.insert(word, value);
  }
  if (!pendingError.isEmpty()) return fail(pendingError);

  if (words.isEmpty()) {
    if (inv.help || inv.version) return inv;
    return fail(QStringLiteral("no command given (kaymorctl --help lists them)"));
  }
  QString name = words.takeFirst();
  if (name == QLatin1String("help")) {
    inv.help = true;
    if (words.isEmpty()) return inv;
    name = words.takeFirst();
  }
  if (kGroups.contains(name)) {
    if (words.isEmpty() && !inv.help) return fail(QStringLiteral("%1 needs a subcommand").arg(name));
    if (!words.isEmpty()) name += ' ' + words.takeFirst();
  }
  for (const CommandEntry& entry : Commands())
    if (name == QLatin1String(entry.name)) inv.entry = &entry;
  if (!inv.entry) {
    if (kGroups.contains(name) && inv.help) return inv;
    return fail(QStringLiteral("unknown command \"%1\" (kaymorctl --help lists them)").arg(name));
  }
  if (inv.help) return inv;

  for (auto it = inv.options.cbegin(); it != inv.options.cend(); ++it) {
    if (kCommonOptions.contains(it.key()) || inv.entry->options.contains(it.key())) continue;
    return fail(QStringLiteral("%1 takes no option %2").arg(QLatin1String(inv.entry->name), it.key()));
  }
  const int count = static_cast<int>(words.size());
  if (count < inv.entry->minArgs || (inv.entry->maxArgs >= 0 && count > inv.entry->maxArgs))
    return fail(QStringLiteral("usage: kaymorctl %1 %2")
                    .arg(QLatin1String(inv.entry->name), QLatin1String(inv.entry->synopsis)));
  inv.args = words;
  return inv;
}

QString ProgramHelp() {
  QString text = QStringLiteral(
      "Usage: kaymorctl COMMAND [OPTIONS] [ARGS]\n"
      "Every unit operation of the keyboard, from the command line.\n\n"
      "Commands:\n");
  for (const CommandEntry& entry : Commands())
    text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(entry.name).leftJustified(13),
                                               QLatin1String(entry.summary));
  text += QStringLiteral(
      "\nUNIT is an IPv4 address or host name with an optional :PORT (1024), or the\n"
      "serial number or model of an address-book entry. The password comes from\n"
      "--password, the entry, $KAYMOR_PASSWORD or the default, in that order.\n\n"
      "Options (before or after the command):\n"
      "  --json         one JSON document on standard output; {\"error\": ...} on failure\n"
      "  --password P   the unit's password\n"
      "  --help         this help, or a command's (kaymorctl COMMAND --help)\n"
      "  --version      the program's version\n\n"
      "Exit status: 0 success, 1 the unit or the operation failed, 2 a usage error.\n");
  return text;
}

QString CommandHelp(const CommandEntry& entry) {
  QString text = QStringLiteral("Usage: kaymorctl %1 %2\n%3.\n")
                     .arg(QLatin1String(entry.name), QLatin1String(entry.synopsis), QLatin1String(entry.summary));
  text[text.indexOf('\n') + 1] = text[text.indexOf('\n') + 1].toUpper();
  switch (entry.command) {
    case Command::Discover:
      text += QStringLiteral(
          "\n  --timeout S   listen S seconds from each local address (one request a second; 5)\n"
          "  --port N      the units' discovery port (the stored one, else 8092)\n"
          "\nOne line per unit: address, model, serial number, MAC address, listen port,\n"
          "unit-id byte.\n");
      break;
    case Command::Keys: {
      text += QStringLiteral(
          "\n  --gap MS        pause between two keys in milliseconds (150)\n"
          "  --serial PORT   over RS-232 (COMn or a device path) instead of a UNIT\n"
          "\nKeys:");
      int column = 80;
      for (const NamedKey& k : NamedKeys()) {
        const QString name = QLatin1String(k.name);
        if (column + name.size() + 1 > 78) {
          text += QStringLiteral("\n ");
          column = 1;
        }
        text += ' ' + name;
        column += static_cast<int>(name.size()) + 1;
      }
      text += '\n';
      break;
    }
    case Command::Leds:
      text += QStringLiteral(
          "\n  --watch         read the LEDs every second until interrupted\n"
          "  --serial PORT   over RS-232 (COMn or a device path) instead of a UNIT\n");
      break;
    case Command::Reboot:
      text += QStringLiteral("\n  --yes   required: the unit restarts and drops every connection\n");
      break;
    case Command::SettingsGet:
      text += QStringLiteral(
          "\n  -o FILE              also write the backup file FILE\n"
          "  --include-password   the password too (the file is then readable by its owner only)\n"
          "\nOne line \"FIELD: VALUE\" per field; with --json one object.\n");
      text += FieldsHelp();
      break;
    case Command::SettingsSet:
      text += QStringLiteral(
          "\n  --from FILE          the fields of a backup file (all but the clock)\n"
          "  --include-password   with --from: the file's password too\n"
          "\nReads the block, changes the fields given, writes it and reads it back; an\n"
          "untouched clock keeps running. Shows the fields changed; exit 1 when the unit\n"
          "holds other values afterwards (their names on standard error).\n");
      text += FieldsHelp();
      break;
    case Command::SettingsDiff:
      text += QStringLiteral(
          "\nOne line \"FIELD: UNIT'S VALUE | OTHER VALUE\" per differing field; exit 1 when\n"
          "any differ, 0 when none. The second argument is a file when one by that name\n"
          "exists, or when it holds a / or ends in .kayset.\n");
      break;
    case Command::ClockSync:
      text += QStringLiteral(
          "\n  --all   every unit of the address book\n"
          "\nPer unit: the drift corrected, or why it failed; exit 1 when any unit failed.\n");
      break;
    case Command::SetIp:
      text += QStringLiteral(
          "\n  --ip A, --mask M, --gateway G   the new settings (dotted decimal)\n"
          "  --dhcp on|off                   the unit takes its address by DHCP (off)\n"
          "  --yes                           required: the unit moves to the new address\n");
      break;
    case Command::SerialWrite:
      text += QStringLiteral(
          "\n  --ip A, --mask M, --gateway G   the new settings (dotted decimal)\n"
          "  --dhcp on|off                   the unit takes its address by DHCP (off)\n"
          "  --ethernet on|off               the unit's Ethernet port (on)\n");
      break;
    default:
      break;
  }
  return text;
}

}  // namespace zam::ctl
