#pragma once
// How a discovered unit updates or extends an address list. Used by the
// keyboard window's timed discovery and the Options dialog's "Add &IP(s)".
#include <QString>
#include <QStringList>

#include "discoverymsg.h"

namespace zam {

// Serial number that units without one report; it never identifies a unit.
inline constexpr auto kPlaceholderSerial = "SNUM00?";

enum class MergeKind {
  None,        // nothing listed at the address or under the serial number
  Listed,      // an entry with the unit's address and serial number
  OtherUnit,   // another serial number listed at the unit's address
  Moved,       // the serial number listed at another address
  Unknown,     // empty serial number at a listed address: cannot tell which unit it is
};

enum class MergeAction { Keep, Replace, Add };

struct MergeResult {
  MergeKind kind = MergeKind::None;
  MergeAction action = MergeAction::Keep;
  int index = -1;  // the matched entry (Keep, Replace) or where the entry went (Add)
  QString entry;   // the new text of the entry (Replace) or the added entry (Add)
  bool full = false;  // an Add refused because the list holds 255 entries
};

// Decides without changing anything. Fields are compared whole (an address
// or serial number that merely contains another is a different one), and an
// exact entry of the unit wins over a moved serial number, which wins over
// another unit at the same address, so that repeated discoveries never list
// a unit twice.
MergeResult DecideMerge(const QStringList& list, const DISCOVER_UDP_INFO& unit);

// DecideMerge applied to a sorted list (ascending, case-insensitive); an
// added entry goes to its sorted place. A replaced entry stays where it is.
MergeResult MergeUnit(QStringList& list, const DISCOVER_UDP_INFO& unit);

// Index at which entry belongs in a list kept in ascending, case-insensitive order.
int SortedPosition(const QStringList& list, const QString& entry);

}  // namespace zam
