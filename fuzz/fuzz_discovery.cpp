// The discovery and set-IP datagram readers, on both sides.
#include "discoverymsg.h"
#include "fuzzutil.h"

using namespace zam;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray d = fuzz::Bytes(data, size);
  IsDiscoveryDatagram(d);
  DatagramType(d);
  DiscoverySerialNo(d);
  if (const auto unit = ParseDiscoveryResponse(d)) {
    FUZZ_CHECK(d.size() >= 31);
    FUZZ_CHECK(unit->IPAddress.count(u'.') == 3);
    FUZZ_CHECK(unit->ModelName.size() <= 20);
    FUZZ_CHECK(!unit->Version.isEmpty());
    UnitIDToken(unit->UnitIDVal);
  }
  if (const auto result = ParseSetIpResponse(d)) SetIpResultText(*result);
  if (const auto request = ParseSetIpRequest(d)) FUZZ_CHECK(request->mac.size() == 6);
  return 0;
}
