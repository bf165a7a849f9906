#include "ctlsettings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "addresslist.h"
#include "ctlcommands.h"
#include "settingsfile.h"
#include "unitsettings.h"
#include "unittarget.h"

namespace zam::ctl {

namespace uf = unitfields;

namespace {

const QString kInclude = QStringLiteral("--include-password");

// A resolved unit, and the session over it.
struct Session {
  UnitTarget where;
  UnitSettings settings;
};

// The session's target from the resolved unit; an entry gives the backup
// file its model and serial number.
zam::UnitTarget SessionTarget(const UnitTarget& t) {
  zam::UnitTarget s;
  s.host = t.host;
  s.port = t.port;
  s.password = t.password;
  const QStringList f = t.entry.split(',');
  s.model = f.value(1);
  s.serial = f.value(2);
  return s;
}

// Resolves and reads; empty on success, else the reason.
QString Open(const Invocation& inv, const QString& unit, Session& s) {
  QString error;
  const auto target = ResolveUnit(unit, PasswordOption(inv), &error);
  if (!target) return error;
  s.where = *target;
  s.settings.SetTarget(SessionTarget(*target));
  const UnitResult r = s.settings.Read();
  return r.ok() ? QString() : r.text;
}

// A new password that logs in goes to the entry the unit was found by, and
// nowhere else.
void StorePasswordOfEntry(Session& s) {
  QObject::connect(&s.settings, &UnitSettings::PasswordChanged, &s.settings,
                   [&s](const zam::UnitTarget&, const QString& password) {
                     if (!s.where.entry.isEmpty()) StoreEntryPassword(s.where.entry, password);
                   });
}

QString UnknownField(const QString& key) {
  return QStringLiteral("unknown field \"%1\"; the fields are: %2").arg(key, FieldNames().join(' '));
}

QString FieldList(const QStringList& keys) { return keys.join(QStringLiteral(", ")); }

// The values a session read, in field order, as lines and as an object.
Exit ShowValues(const UnitSettings& settings, bool withPassword, const Output& out) {
  const UnitFieldValues values = settings.Values(withPassword, true);
  QJsonObject json;
  for (const UnitFieldInfo& f : settings.Fields()) {
    if (!values.contains(f.key)) continue;
    out.Line(QStringLiteral("%1: %2").arg(f.key, values.value(f.key)));
    json.insert(f.key, values.value(f.key));
  }
  out.Document(json);
  return Exit::Ok;
}

}  // namespace

Exit SettingsGet(const Invocation& inv, const Output& out) {
  const bool withPassword = inv.Has(kInclude);
  const QString file = inv.Value(QStringLiteral("-o"));
  if (withPassword && file.isEmpty())
    return out.Usage(QStringLiteral("--include-password goes with -o FILE"));
  Session s;
  if (const QString error = Open(inv, inv.args[0], s); !error.isEmpty()) return out.Fail(error);
  if (!file.isEmpty()) {
    QString error;
    if (!settingsfile::Save(file, settingsfile::FromSession(s.settings, withPassword), &error))
      return out.Fail(error);
  }
  return ShowValues(s.settings, false, out);
}

Exit SettingsSet(const Invocation& inv, const Output& out) {
  const bool fromFile = inv.Has(QStringLiteral("--from"));
  const QStringList assignments = inv.args.mid(1);
  if (fromFile == !assignments.isEmpty())
    return out.Usage(QStringLiteral("usage: kaymorctl settings set UNIT FIELD=VALUE... | UNIT --from FILE"));
  if (inv.Has(kInclude) && !fromFile) return out.Usage(QStringLiteral("--include-password goes with --from FILE"));

  // Every name and choice is checked before the unit is asked.
  QList<std::pair<QString, QString>> changes;
  for (const QString& a : assignments) {
    const qsizetype eq = a.indexOf('=');
    if (eq <= 0) return out.Usage(QStringLiteral("not FIELD=VALUE: \"%1\"").arg(a));
    const QString key = a.left(eq), value = a.mid(eq + 1);
    const auto info = uf::Field(key);
    if (!info) return out.Usage(UnknownField(key));
    if (info->kind == UnitFieldKind::Choice && !info->choices.contains(value, Qt::CaseInsensitive))
      return out.Usage(QStringLiteral("%1 takes one of: %2").arg(key, info->choices.join(QStringLiteral(", "))));
    changes.append({key, value});
  }
  std::optional<UnitBackup> backup;
  if (fromFile) {
    QString error;
    backup = settingsfile::Load(inv.Value(QStringLiteral("--from")), &error);
    if (!backup) return out.Fail(error);
  }

  Session s;
  if (const QString error = Open(inv, inv.args[0], s); !error.isEmpty()) return out.Fail(error);
  QString why;
  if (backup) {
    if (!s.settings.LoadValues(backup->fields, inv.Has(kInclude), &why)) return out.Fail(why);
  } else {
    for (const auto& [key, value] : changes)
      if (!s.settings.SetField(key, value, &why)) return out.Usage(QStringLiteral("%1: %2").arg(key, why));
  }

  const QStringList changed = s.settings.ChangedFields();
  UnitFieldValues written;
  for (const QString& key : changed)
    written.insert(key, key == uf::kPassword ? QStringLiteral("(changed)") : s.settings.EditedText(key));
  StorePasswordOfEntry(s);
  const UnitResult r = s.settings.Apply();
  if (r.outcome == UnitOutcome::NothingChanged) {
    out.Line(QStringLiteral("nothing changed"));
    out.Document(QJsonObject{{"changed", QJsonObject{}}});
    return Exit::Ok;
  }
  if (r.outcome == UnitOutcome::Differs)
    return out.Fail(QStringLiteral("%1 (%2)").arg(r.text, FieldList(r.differing)));
  if (!r.ok()) return out.Fail(r.text);
  QJsonObject json;
  for (const QString& key : changed) {
    out.Line(QStringLiteral("%1: %2").arg(key, written.value(key)));
    json.insert(key, written.value(key));
  }
  out.Document(QJsonObject{{"changed", json}});
  return Exit::Ok;
}

Exit SettingsDiff(const Invocation& inv, const Output& out) {
  Session mine;
  if (const QString error = Open(inv, inv.args[0], mine); !error.isEmpty()) return out.Fail(error);
  UnitFieldValues ours = mine.settings.Values(false, true);
  UnitFieldValues theirs;
  const QString other = inv.args[1];
  // A path or a backup file's name is never looked up as a host.
  if (QFileInfo(other).isFile() || other.contains('/') || other.endsWith('.' + settingsfile::kSuffix)) {
    QString error;
    const auto backup = settingsfile::Load(other, &error);
    if (!backup) return out.Fail(error);
    theirs = backup->fields;
  } else {
    Session second;
    if (const QString error = Open(inv, other, second); !error.isEmpty()) return out.Fail(error);
    theirs = second.settings.Values(false, true);
  }
  // A password is in a file only when asked for: never compared.
  ours.remove(uf::kPassword);
  theirs.remove(uf::kPassword);

  QJsonArray json;
  for (const CompareRow& row : CompareValues(ours, theirs)) {
    if (!row.differs) continue;
    out.Line(QStringLiteral("%1: %2 | %3").arg(row.key, row.mine, row.theirs));
    json.append(QJsonObject{{"field", row.key}, {"label", row.label}, {"unit", row.mine}, {"other", row.theirs}});
  }
  out.Document(json);
  return json.isEmpty() ? Exit::Ok : Exit::Failed;
}

Exit ClockSync(const Invocation& inv, const Output& out) {
  const bool all = inv.Has(QStringLiteral("--all"));
  if (all == !inv.args.isEmpty()) return out.Usage(QStringLiteral("usage: kaymorctl clock sync UNIT... | --all"));
  QStringList units = inv.args;
  if (all) {
    units = AddressBookEntries();
    if (units.isEmpty()) return out.Fail(QStringLiteral("the address book is empty"));
  }

  QJsonArray json;
  QStringList failures;
  for (const QString& unit : std::as_const(units)) {
    QString error;
    std::optional<UnitTarget> target =
        all ? EntryTarget(unit, PasswordOption(inv), &error) : ResolveUnit(unit, PasswordOption(inv), &error);
    const QString name = all ? unit.section(',', 0, 0) + ':' + QString::number(target ? target->port : 0) : unit;
    QString note;
    if (target) {
      UnitSettings settings;
      settings.SetTarget(SessionTarget(*target));
      UnitResult r = settings.Read();
      if (r.ok()) {
        settings.SetClockFromPc();
        r = settings.Apply();
        if (r.outcome == UnitOutcome::Differs) r.text += QStringLiteral(" (%1)").arg(FieldList(r.differing));
      }
      if (r.ok()) note = r.clockNote;
      else error = r.text;
    }
    if (error.isEmpty()) {
      out.Line(QStringLiteral("%1: %2").arg(name, note));
      json.append(QJsonObject{{"unit", name}, {"ok", true}, {"corrected", note}});
    } else {
      failures << QStringLiteral("%1: %2").arg(name, error);
      json.append(QJsonObject{{"unit", name}, {"ok", false}, {"error", error}});
    }
  }
  if (failures.isEmpty()) {
    out.Document(json);
    return Exit::Ok;
  }
  return out.Fail(failures.join(QStringLiteral("; ")));
}

}  // namespace zam::ctl
