#pragma once
// The wait cursor over every window of the program while a connect, a
// detection, a serial exchange, a ping or a discovery run is under way.
// Scoped, so that every way out (errors included) puts the cursor back;
// nested waits stack.
#include <QApplication>
#include <QCursor>

namespace zam {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace zam
