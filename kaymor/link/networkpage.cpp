#include "networkpage.h"

#include "debuglog.h"
#include "eventpump.h"
#include "serialadapter.h"

namespace zam {

namespace {
constexpr quint8 kRebootCommand = 1;
constexpr quint8 kAfterWriteCommand = 0;
constexpr int kPortCommandKind = 5;
constexpr int kBlockReadKind = 2;
}  // namespace

bool NetworkPage::SendPortMsg(int kind, quint8 code, quint8 block) {
  if (!port_.IsOpen()) return false;
  const bool written = port_.Write(BuildPortMessage(kind, code, block));
  Delay(kPortMsgGapMs);
  return written;
}

std::optional<EthernetSettingsBlock> NetworkPage::Read() {
  SendPortMsg(kBlockReadKind, 0, kBlockSettings);
  // Exactly one block: a longer answer is not the unit's settings.
  const bool arrived =
      PumpUntil([this] { return port_.IsOpen() && port_.InBufferCount() == kSerialReplySize; }, kReadTimeoutMs);
  return arrived ? ParseSettingsBlock(port_.Read(kSerialReplySize)) : std::nullopt;
}

bool NetworkPage::Write(quint8 ethernetMode, quint8 dhcpMode, const std::array<quint8, 4>& ip,
                        const std::array<quint8, 4>& mask, const std::array<quint8, 4>& gateway) {
  if (!port_.IsOpen()) return false;
  const QByteArray message = BuildSettingsWrite(ethernetMode, dhcpMode, ip, mask, gateway);
  // Nothing was written since the port opened: only stale input is dropped.
  port_.ClearBuffers();
  if (!port_.Write(message)) return false;
  Delay(kPortMsgGapMs);
  return SendPortMsg(kPortCommandKind, kAfterWriteCommand, kBlockReboot);
}

bool NetworkPage::Reboot() { return SendPortMsg(kPortCommandKind, kRebootCommand, kBlockReboot); }

}  // namespace zam
