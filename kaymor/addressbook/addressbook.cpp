#include "addressbook.h"

#include "settingsstore.h"

namespace zam {

namespace {
constexpr auto kSection = setting::kAddressSection;
}  // namespace

AddressBook::AddressBook(QObject* parent) : QObject(parent) {}

void AddressBook::Load() {
  LoadStoredAddresses(list_);
  emit Loaded();
}

void AddressBook::Save() const { SaveStoredAddresses(list_); }

bool AddressBook::Insert(const QString& entry) {
  if (!list_.Insert(entry)) return false;
  emit Changed();
  return true;
}

void AddressBook::Replace(int index, const QString& entry) {
  if (index < 0 || index >= list_.Count()) return;
  list_.Replace(index, entry);
  emit Changed();
}

void AddressBook::RemoveAt(int index) {
  if (index < 0 || index >= list_.Count()) return;
  list_.RemoveAt(index);
  emit Changed();
}

void AddressBook::Clear() {
  list_.Clear();
  emit Changed();
}

QString AddressBook::LastUsed() const { return GetSetting(setting::LastAddress); }

void AddressBook::SetLastUsed(const QString& entry) const { SaveSetting(setting::LastAddress, entry); }

bool AddressBook::AddEntry(const QString& entry) {
  // Addresses are compared whole: 10.0.0.1 is not 10.0.0.12.
  if (entry.isEmpty() || list_.FindAddress(entry.section(',', 0, 0)) >= 0) return false;
  if (!Insert(entry)) return false;
  SetLastUsed(entry);
  Save();
  return true;
}

void AddressBook::DeleteRemembered(const QString& remembered) {
  const int k = list_.FindForDelete(remembered);
  if (k >= 0) {
    RemoveAt(k);
    DeleteSetting(kSection, QStringLiteral("IP%1").arg(k));
  }
  SetLastUsed(QString());
  Save();
}

void AddressBook::ClearAll() {
  Clear();
  DeleteSetting(setting::LastAddress);
  DeleteSetting(setting::AddressCount);
  Save();
}

MergeResult AddressBook::Merge(const DISCOVER_UDP_INFO& unit) {
  const MergeResult r = DecideMerge(list_.Entries(), unit);
  if (r.action == MergeAction::Replace) Replace(r.index, r.entry);
  else if (r.action == MergeAction::Add) Insert(r.entry);
  return r;
}

}  // namespace zam
