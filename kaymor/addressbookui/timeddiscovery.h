#pragma once
// Timed discovery: once a second the keyboard window ticks it; while it is
// armed (discovery option "0", Ethernet, not connected, not paused) every
// 30th tick, or the 5th while fewer than 3 units are known, runs a
// discovery with the UDP control and merges the units into the address book.
#include <QList>
#include <QObject>
#include <QString>

#include "discoverymsg.h"

namespace Corvel_Project {
class UDP;
}

namespace zam {

class AddressBook;

class TimedDiscovery : public QObject {
  Q_OBJECT
 public:
  // The UDP control "UDP1" is created as a child of this object and reads
  // its properties from section "<form>.UDP1".
  TimedDiscovery(AddressBook& book, const QString& form, QObject* parent = nullptr);

  // One tick of the window's one-second timer. ethernet: the link type is
  // Ethernet; connected: a link is up.
  void Tick(bool ethernet, bool connected);
  // A discovery run now: status, discovery and merge, ticks back to 0.
  void Cycle();
  // Discovers the units, logs them and merges them into the book, which is saved.
  void DiscoverUnits();

  // The operator works with the address box: counting starts again.
  void ResetTicks() { ticks_ = 0; }
  int Ticks() const { return ticks_; }
  bool AutoDiscover() const { return autoDiscover_; }
  int TickLimit() const { return tickLimit_; }
  int DiscoveredCount() const { return discoveredCount_; }
  const QList<DISCOVER_UDP_INFO>& Units() const { return units_; }
  Corvel_Project::UDP* Udp() const { return udp_; }

  // Holds the ticks while a dialog of the address box is open. The stored
  // discovery option reads "1" meanwhile and gets its value back on Resume.
  void Pause();
  void Resume();
  bool Paused() const { return paused_; }

 signals:
  void StatusText(const QString& text);
  // A run merged its units into the book and saved it.
  void Discovered();

 private:
  AddressBook& book_;
  Corvel_Project::UDP* udp_ = nullptr;
  QList<DISCOVER_UDP_INFO> units_;
  int discoveredCount_ = 0;
  bool autoDiscover_ = false;
  int tickLimit_ = 30;
  int ticks_ = 0;
  bool paused_ = false;
  QString savedOption_;
};

}  // namespace zam
