// Address-list entries and the merge of discovered units into the list.
//
// Input: lines split at LF. A line starting FF FF CC CC is a discovery reply
// merged into the list; any other line is an address entry as the settings
// file holds it.
#include "addresslist.h"
#include "discovery.h"
#include "fuzzutil.h"

using namespace zam;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AddressList book;
  QStringList list;  // the merge's view: sorted entries
  for (const QByteArray& line : fuzz::Bytes(data, size).split('\n')) {
    if (line.startsWith("\xFF\xFF\xCC\xCC")) {
      const auto unit = ParseDiscoveryResponse(line);
      if (!unit) continue;
      const QStringList before = list;
      const MergeResult r = MergeUnit(list, *unit);
      FUZZ_CHECK(list.size() <= kMaxAddressEntries);
      FUZZ_CHECK(list.size() == before.size() + (r.action == MergeAction::Add ? 1 : 0));
      if (r.action != MergeAction::Keep) FUZZ_CHECK(r.index >= 0 && r.index < list.size() && list[r.index] == r.entry);
      // The same reply again changes nothing: a unit is never listed twice.
      const QStringList once = list;
      const MergeResult again = MergeUnit(list, *unit);
      FUZZ_CHECK(again.action != MergeAction::Add);
      FUZZ_CHECK(list == once);
      continue;
    }
    const QString entry = TrimFields(QString::fromUtf8(line), QStringLiteral(","));
    FUZZ_CHECK(TrimFields(entry, QStringLiteral(",")) == entry);
    const QString shown = DisplayText(entry);
    // The merge's list has the same bound as the book; merged units count too.
    if (list.size() < kMaxAddressEntries) list.insert(SortedPosition(list, entry), entry);
    if (book.Insert(entry)) {
      // The lookups read entries in place; they agree with the copying forms.
      const QString address = entry.section(u',', 0, 0).trimmed();
      const int at = book.FindAddress(address);
      FUZZ_CHECK(at >= 0 || address.isEmpty());
      if (at >= 0) FUZZ_CHECK(book.Entries()[at].section(u',', 0, 0).trimmed() == address);
      const int k = book.FindForDelete(shown);
      FUZZ_CHECK(k < book.Count());
      if (shown.split(QStringLiteral(", ")).size() >= 3 && !shown.split(QStringLiteral(", "))[2].isEmpty()) {
        FUZZ_CHECK(k >= 0);
        // The entry just added shows as this text: the exact pass finds one that does.
        FUZZ_CHECK(DisplayText(book.Entries()[k]) == shown);
      }
    } else {
      FUZZ_CHECK(book.IsFull());
    }
  }
  // Sorted, case-insensitively.
  for (int k = 1; k < book.Count(); ++k)
    FUZZ_CHECK(QString::compare(book.Entries()[k - 1], book.Entries()[k], Qt::CaseInsensitive) <= 0);
  return 0;
}
