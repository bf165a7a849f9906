#pragma once
// The unit address list: entries "ip,model,serial,password,port", their
// display text, the sorted in-memory list and its stored slots.
#include <QString>
#include <QStringList>

#include "settingskeys.h"

namespace zam {

constexpr int kMaxAddressEntries = 255;  // slots IP0 to IP254

// Blanks removed at both ends of every sep-delimited field.
QString TrimFields(const QString& text, const QString& sep);

// "ip, model, serial" from a full entry (the fields it has, up to three).
QString DisplayText(const QString& entry);

// The sorted hidden list: ascending, case-insensitive, at most 255 entries.
class AddressList {
 public:
  const QStringList& Entries() const { return entries_; }
  int Count() const { return entries_.size(); }
  bool IsFull() const { return entries_.size() >= kMaxAddressEntries; }
  void Clear() { entries_.clear(); }
  // Inserts at the sorted place; false when full.
  bool Insert(const QString& entry);
  // Replaces in place; the order is restored at the next load.
  void Replace(int index, const QString& entry);
  void RemoveAt(int index);
  // Index of the entry whose address field (field 1) equals ip, or -1.
  int FindAddress(const QString& ip) const;
  // The entry to delete for a remembered display text: the entry showing
  // exactly that text, else the first holding its serial number; -1 when
  // the text names no serial number.
  int FindForDelete(const QString& remembered) const;

 private:
  QStringList entries_;
};

// Store side, section "IPAddressList".
// Reads Total and IP0.. into list (unchanged when Total is 0), trimming every
// entry and upgrading three-field entries with ",qmpv,1024", in their slot
// too unless upgrade is InMemory.
enum class SlotUpgrade { Store, InMemory };
void LoadStoredAddresses(AddressList& list, SlotUpgrade upgrade = SlotUpgrade::Store);
// Writes Total, removes IP0 to IP254, writes IP0.. in list order.
void SaveStoredAddresses(const AddressList& list);
// Puts a new password into the stored slot of entry (the slot with the same
// address, model, serial number and port), and writes that slot alone;
// false when no slot holds the entry.
bool StoreEntryPassword(const QString& entry, const QString& password);

}  // namespace zam
