#include "addresslist.h"

#include <algorithm>

#include "settingsstore.h"

namespace zam {

namespace {
constexpr auto kSection = setting::kAddressSection;

bool LessNoCase(const QString& a, const QString& b) {
  return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

// The lookups below read the entries in place, without copying their text.

// The address field of an entry (the text before its first comma), trimmed.
QStringView AddressField(QStringView entry) {
  const qsizetype comma = entry.indexOf(u',');
  return (comma < 0 ? entry : entry.left(comma)).trimmed();
}

// Whether DisplayText(entry) is the shown text.
bool ShowsAs(QStringView entry, QStringView shown) {
  for (int field = 0;; ++field) {
    const qsizetype comma = entry.indexOf(u',');
    const QStringView part = comma < 0 ? entry : entry.left(comma);
    if (!shown.startsWith(part)) return false;
    shown = shown.mid(part.size());
    if (comma < 0 || field == 2) return shown.isEmpty();
    if (!shown.startsWith(u", ")) return false;
    shown = shown.mid(2);
    entry = entry.mid(comma + 1);
  }
}
}  // namespace

QString TrimFields(const QString& text, const QString& sep) {
  if (text.isEmpty()) return text;
  QStringList fields = text.split(sep);
  for (QString& f : fields) f = f.trimmed();
  return fields.join(sep);
}

QString DisplayText(const QString& entry) {
  return entry.split(',').mid(0, 3).join(", ");
}

bool AddressList::Insert(const QString& entry) {
  if (IsFull()) return false;
  const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry, LessNoCase);
  entries_.insert(at, entry);
  return true;
}

void AddressList::Replace(int index, const QString& entry) {
  if (index >= 0 && index < entries_.size()) entries_[index] = entry;
}

void AddressList::RemoveAt(int index) {
  if (index >= 0 && index < entries_.size()) entries_.removeAt(index);
}

int AddressList::FindAddress(const QString& ip) const {
  const QString wanted = ip.trimmed();
  if (wanted.isEmpty()) return -1;
  for (int k = 0; k < entries_.size(); ++k)
    if (AddressField(entries_[k]) == wanted) return k;
  return -1;
}

int AddressList::FindForDelete(const QString& remembered) const {
  const QStringList parts = remembered.split(", ");
  if (parts.size() < 3 || parts[2].isEmpty()) return -1;
  // Serial numbers can contain one another (A1, A12): the exact line wins.
  for (int k = 0; k < entries_.size(); ++k)
    if (ShowsAs(entries_[k], remembered)) return k;
  for (int k = 0; k < entries_.size(); ++k)
    if (entries_[k].contains(parts[2])) return k;
  return -1;
}

void LoadStoredAddresses(AddressList& list, SlotUpgrade upgrade) {
  const int total = GetSetting(setting::AddressCount).toInt();
  if (total == 0) return;
  list.Clear();
  // Only slots IP0 to IP254 exist: a damaged Total must not keep start-up
  // reading absent slots for hours.
  for (int n = 0; n < std::min(total, kMaxAddressEntries); ++n) {
    const QString key = QStringLiteral("IP%1").arg(n);
    QString s = GetSetting(kSection, key, QString());
    if (s.isEmpty()) continue;
    s = TrimFields(s, ",");
    if (s.split(',').size() == 3) {
      s += QStringLiteral(",%1,%2").arg(kDefaultPassword, kDefaultPort);
      if (upgrade == SlotUpgrade::Store) SaveSetting(kSection, key, s);
    }
    list.Insert(s);
  }
}

void SaveStoredAddresses(const AddressList& list) {
  SettingsBatch batch;
  batch.Save(setting::AddressCount.section, setting::AddressCount.key, QString::number(list.Count()));
  for (int k = 0; k < kMaxAddressEntries; ++k) batch.Delete(kSection, QStringLiteral("IP%1").arg(k));
  for (int k = 0; k < list.Count(); ++k)
    batch.Save(kSection, QStringLiteral("IP%1").arg(k), list.Entries()[k]);
}

bool StoreEntryPassword(const QString& entry, const QString& password) {
  // The fields that name the unit, a missing port being the default one.
  const auto identity = [](const QString& text) {
    QStringList f = TrimFields(text, ",").split(',');
    while (f.size() < 5) f << QString();
    if (f[4].isEmpty()) f[4] = QString::fromLatin1(kDefaultPort);
    return QStringList{f[0], f[1], f[2], f[4]};
  };
  const QStringList wanted = identity(entry);
  const int total = GetSetting(setting::AddressCount).toInt();
  for (int n = 0; n < std::min(total, kMaxAddressEntries); ++n) {
    const QString key = QStringLiteral("IP%1").arg(n);
    const QString s = GetSetting(kSection, key, QString());
    if (s.isEmpty() || identity(s) != wanted) continue;
    QStringList f = TrimFields(s, ",").split(',');
    if (f.size() < 4) f = QStringList{f.value(0), f.value(1), f.value(2), QString(), QString::fromLatin1(kDefaultPort)};
    f[3] = password;
    SaveSetting(kSection, key, f.join(','));
    return true;
  }
  return false;
}

}  // namespace zam
