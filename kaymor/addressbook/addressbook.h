#pragma once
// The unit address book: the sorted list of entries
// "ip,model,serial,password,port" with its stored slots in section
// "IPAddressList" (Total, IP0.., LastUsed). The window's address box and the
// Options dialog's "Add IP(s)" both work on it; views follow its signals.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "addresslist.h"
#include "discovery.h"
#include "discoverymsg.h"

namespace zam {

class AddressBook : public QObject {
  Q_OBJECT
 public:
  explicit AddressBook(QObject* parent = nullptr);

  const QStringList& Entries() const { return list_.Entries(); }
  int Count() const { return list_.Count(); }
  bool IsFull() const { return list_.IsFull(); }
  int FindAddress(const QString& ip) const { return list_.FindAddress(ip); }

  // Reads Total and IP0.. (the list stays as it is when Total is 0), trims
  // every entry and upgrades three-field entries in their slot; emits Loaded.
  void Load();
  // Writes Total, removes IP0 to IP254, writes IP0.. in list order.
  void Save() const;

  // Inserts at the sorted place; false when full.
  bool Insert(const QString& entry);
  // Replaces in place; the order is restored at the next load.
  void Replace(int index, const QString& entry);
  void RemoveAt(int index);
  void Clear();

  // The remembered entry ("LastUsed"), as stored.
  QString LastUsed() const;
  void SetLastUsed(const QString& entry) const;

  // An entry from the add-address dialog: added, remembered and saved unless
  // an entry has the same address (compared whole). False when not added.
  bool AddEntry(const QString& entry);
  // Removes the entry a remembered display text names (and its slot),
  // forgets it and saves.
  void DeleteRemembered(const QString& remembered);
  // Empties the list, forgets the remembered entry and Total, and saves.
  void ClearAll();

  // Merges one discovered unit (an added entry goes to its sorted place, a
  // replaced one stays where it is); nothing is saved.
  MergeResult Merge(const DISCOVER_UDP_INFO& unit);

 signals:
  // The entries changed in memory.
  void Changed();
  // The entries were read from the store.
  void Loaded();

 private:
  AddressList list_;
};

}  // namespace zam
