#pragma once
// A unit's network settings page over its serial port: read the settings
// block, write new settings (with the command that follows a write), and
// the reboot that makes them take effect. The Options dialog and the
// command line both talk to a unit this way.
#include <array>
#include <optional>

#include "zamserial.h"

namespace zam {

class SerialAdapter;

class NetworkPage {
 public:
  static constexpr int kReadTimeoutMs = 5000;
  // The pause after each message, which the unit needs before the next.
  static constexpr int kPortMsgGapMs = 100;

  explicit NetworkPage(SerialAdapter& port) : port_(port) {}

  // One network page message, then the pause; false when the port is
  // closed or did not take it.
  bool SendPortMsg(int kind, quint8 code, quint8 block);
  // The settings block; nullopt when exactly one block did not arrive in time.
  std::optional<EthernetSettingsBlock> Read();
  // Writes the settings, then the after-write command; true when both went out.
  bool Write(quint8 ethernetMode, quint8 dhcpMode, const std::array<quint8, 4>& ip,
             const std::array<quint8, 4>& mask, const std::array<quint8, 4>& gateway);
  // The reboot command.
  bool Reboot();

 private:
  SerialAdapter& port_;
};

}  // namespace zam
