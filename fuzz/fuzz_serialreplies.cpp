// The serial reply readers (16-byte blocks) and the unit side's request
// splitter, which takes a stream of arbitrary bytes.
//
// Input: the first 16 bytes are read as a reply by every reader; the whole
// input is split into requests as the simulator reads its serial line.
#include "fuzzutil.h"
#include "zamserial.h"

using namespace zam;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray all = fuzz::Bytes(data, size);
  for (const QByteArray& reply : {all, all.left(kSerialReplySize)}) {
    const bool whole = reply.size() == kSerialReplySize;
    if (const auto info = ParseInfoBlock(reply)) {
      FUZZ_CHECK(whole);
      FUZZ_CHECK(info->macAddress.size() == 17 && info->modelId.size() == 4);
    }
    if (const auto unit = ParseUnitBlock(reply)) {
      FUZZ_CHECK(whole);
      FUZZ_CHECK(unit->name.size() <= 14);
    }
    FUZZ_CHECK(!ParseAlarmBlock(reply) || whole);
    FUZZ_CHECK(!ParseLedBlock(reply, true) || whole);
    FUZZ_CHECK(!ParseLedBlock(reply, false) || whole);
    if (const auto block = ParseSettingsBlock(reply)) {
      FUZZ_CHECK(whole);
      FUZZ_CHECK(block->ipAddress.count(u'.') == 3 && block->subnetMask.count(u'.') == 3 &&
                 block->gateway.count(u'.') == 3);
    }
  }

  // The simulator's read loop: every call either waits for more bytes (0)
  // or consumes some, never more than there are.
  QByteArray stream = all;
  while (!stream.isEmpty()) {
    SerialRequest request;
    const int used = ParseSerialRequest(stream, request);
    FUZZ_CHECK(used >= 0 && used <= stream.size());
    if (used == 0) break;
    if (request.kind == SerialRequest::Kind::WriteBlock) FUZZ_CHECK(request.data.size() <= kSerialReplySize);
    stream.remove(0, used);
  }
  return 0;
}
