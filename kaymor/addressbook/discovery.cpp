#include "discovery.h"

#include <algorithm>

#include "addresslist.h"

namespace zam {

namespace {

// Field i of an entry split at its commas, trimmed; empty when missing.
QStringView Field(const QList<QStringView>& fields, int i) {
  return i < fields.size() ? fields[i].trimmed() : QStringView();
}

// A comma inside a unit's text would split the entry into more fields.
QString EntryText(const QString& text) { return QString(text).replace(QLatin1Char(','), QLatin1Char(' ')).trimmed(); }

// The unit's port when it reported a usable one.
bool HasPort(const DISCOVER_UDP_INFO& u) { return u.ListenPort >= 1 && u.ListenPort <= 65535; }

QString PortText(const DISCOVER_UDP_INFO& u) {
  return HasPort(u) ? QString::number(u.ListenPort) : QString::fromLatin1(kDefaultPort);
}

}  // namespace

int SortedPosition(const QStringList& list, const QString& entry) {
  const auto at = std::upper_bound(list.begin(), list.end(), entry, [](const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
  });
  return static_cast<int>(at - list.begin());
}

MergeResult DecideMerge(const QStringList& list, const DISCOVER_UDP_INFO& unit) {
  const QString ip = unit.IPAddress.trimmed();
  const QString model = EntryText(unit.ModelName);
  const QString serial = EntryText(unit.SerialNo);
  const bool serialIdentifies = !serial.isEmpty() && serial != QLatin1String(kPlaceholderSerial);

  int listed = -1, moved = -1, atAddress = -1;
  for (int k = 0; k < list.size(); ++k) {
    // Views into the entry: a lookup copies no text.
    const QList<QStringView> fields = QStringView(list[k]).split(u',');
    const bool sameIp = Field(fields, 0) == ip;
    const bool sameSerial = fields.size() > 2 && Field(fields, 2) == serial;
    if (sameIp && sameSerial) {
      listed = k;
      break;
    }
    if (sameIp && atAddress < 0) atAddress = k;
    if (!sameIp && sameSerial && serialIdentifies && moved < 0) moved = k;
  }

  MergeResult r;
  if (ip.isEmpty()) return r;  // nothing to list a unit under
  if (listed >= 0) {
    r.kind = MergeKind::Listed;
    r.index = listed;
    if (HasPort(unit)) {
      QStringList fields = list[listed].split(QLatin1Char(','));
      // An entry saved before passwords were kept gets the units' default one.
      while (fields.size() < 4) fields << QString::fromLatin1(kDefaultPassword);
      r.action = MergeAction::Replace;
      r.entry = QStringList(fields.mid(0, 4)).join(QLatin1Char(',')) + QLatin1Char(',') +
                QString::number(unit.ListenPort);
    }
    return r;
  }
  if (moved >= 0) {
    const QStringList fields = list[moved].split(QLatin1Char(','));
    const QString password = fields.size() > 3 ? fields[3] : QString::fromLatin1(kDefaultPassword);
    r.kind = MergeKind::Moved;
    r.index = moved;
    r.action = MergeAction::Replace;
    r.entry = QStringList{ip, model, serial, password, PortText(unit)}.join(QLatin1Char(','));
    return r;
  }
  if (atAddress >= 0 && serial.isEmpty()) {
    // Without a serial number nothing says whether the listed unit answered
    // or another one: leave the list as it is.
    r.kind = MergeKind::Unknown;
    r.index = atAddress;
    return r;
  }
  r.kind = atAddress >= 0 ? MergeKind::OtherUnit : MergeKind::None;
  r.entry = QStringList{ip, model, serial, QString::fromLatin1(kDefaultPassword), PortText(unit)}.join(
      QLatin1Char(','));
  if (list.size() >= kMaxAddressEntries) {
    r.full = true;
    return r;
  }
  r.action = MergeAction::Add;
  r.index = SortedPosition(list, r.entry);
  return r;
}

MergeResult MergeUnit(QStringList& list, const DISCOVER_UDP_INFO& unit) {
  const MergeResult r = DecideMerge(list, unit);
  if (r.action == MergeAction::Replace) list[r.index] = r.entry;
  else if (r.action == MergeAction::Add) list.insert(r.index, r.entry);
  return r;
}

}  // namespace zam
