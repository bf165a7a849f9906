#include "timeddiscovery.h"

#include "addressbook.h"
#include "busycursor.h"
#include "controlproperties.h"
#include <corvel/corvel_factory.h>
#include <corvel/corvel_udp.h>
#include "debuglog.h"
#include "settingsstore.h"

namespace zam {

namespace {
constexpr int kTickLimit = 30;
constexpr int kFewUnits = 3;
constexpr int kEarlyTick = 5;
}  // namespace

TimedDiscovery::TimedDiscovery(AddressBook& book, const QString& form, QObject* parent)
    : QObject(parent), book_(book) {
  udp_ = qobject_cast<Corvel_Project::UDP*>(CreateCorvelControl(QStringLiteral("Corvel_Project.UDP"), this));
  if (udp_) udp_->setObjectName(QStringLiteral("UDP1"));
  LoadControlProperties(udp_, form);
}

void TimedDiscovery::Tick(bool ethernet, bool connected) {
  autoDiscover_ = !paused_ && GetSetting(setting::DiscoveryOption) == QLatin1String("0") && ethernet && !connected;
  if (autoDiscover_) tickLimit_ = kTickLimit;
  // A run lets the timer tick inside it: those ticks start nothing and count nothing.
  if (!autoDiscover_ || !udp_ || udp_->State() != 0) return;
  ++ticks_;
  if (ticks_ >= tickLimit_) Cycle();
  if (book_.Count() < kFewUnits && ticks_ == kEarlyTick) Cycle();
}

void TimedDiscovery::Cycle() {
  emit StatusText(QStringLiteral("Status: Discovering Marlox on the network..."));
  DiscoverUnits();
  emit Discovered();
  emit StatusText(QStringLiteral("Status: Discovered %1 unit(s).").arg(discoveredCount_));
  ticks_ = 0;
}

void TimedDiscovery::DiscoverUnits() {
  bool ok = false;
  const int port = GetSetting(setting::DiscoveryPort).toInt(&ok);
  if (ok && udp_) udp_->SetRemotePort(port);

  discoveredCount_ = 0;
  units_.clear();
  if (udp_) {
    const BusyCursor busy;
    udp_->Discovery(units_);
  }
  discoveredCount_ = static_cast<int>(units_.size());

  WriteDebugLog(QStringLiteral("Starting discover Marlox..."));
  WriteDebugLog(QStringLiteral("Found: %1").arg(discoveredCount_));
  for (int k = 0; k < units_.size(); ++k) {
    const DISCOVER_UDP_INFO& u = units_[k];
    WriteDebugLog(QStringLiteral("%1: %2, %3, %4").arg(k + 1).arg(u.IPAddress, u.ModelName, u.SerialNo));
  }
  WriteDebugLog(QStringLiteral("Ending the discovery."));

  for (const DISCOVER_UDP_INFO& u : std::as_const(units_))
    if (!u.IPAddress.isEmpty()) book_.Merge(u);
  book_.Save();
}

void TimedDiscovery::Pause() {
  if (paused_) return;
  paused_ = true;
  savedOption_ = GetSetting(setting::DiscoveryOption);
  SaveSetting(setting::DiscoveryOption, QStringLiteral("1"));
}

void TimedDiscovery::Resume() {
  if (!paused_) return;
  paused_ = false;
  SaveSetting(setting::DiscoveryOption, savedOption_);
}

}  // namespace zam
