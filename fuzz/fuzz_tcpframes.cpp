// The TCP frame assembler fed arbitrary chunks under both rules, and the
// reply readers applied to every frame it completes.
//
// Input: a mode byte (bit 0: combo-block rule), then chunks, each a length
// byte (chunk size minus 1) followed by its bytes.
#include "comboblock.h"
#include "fuzzutil.h"
#include "zamtcp.h"

using namespace zam;

namespace {

void ReadFrame(const QByteArray& frame) {
  // Every frame handed out is whole: FF FF, header, the payload it announces.
  FUZZ_CHECK(frame.size() >= 8);
  FUZZ_CHECK(quint8(frame[0]) == 0xFF && quint8(frame[1]) == 0xFF);
  const auto length = FramePayloadLength(frame);
  FUZZ_CHECK(length && *length <= quint32(kMaxFramePayload));
  FUZZ_CHECK(qint64(*length) + 8 == frame.size());
  FUZZ_CHECK(FrameType(frame).has_value());

  ParseLoginReply(frame);
  const StatusRecord status = ParseStatusReply(frame);
  FUZZ_CHECK(!status.macAddress || status.macAddress->size() == 17);
  FUZZ_CHECK(status.complete == (status.unitType && status.version && status.name && status.name2 && status.macAddress));
  ParseLedReply(frame);
  ParseConnectionRequest(frame);
  ParseSpiKeyFrame(frame);
  if (const auto raw = SplitComboResponse(frame)) {
    FUZZ_CHECK(raw->header.size() == raw->H && raw->data.size() == raw->D);
    UnpackComboBlock(*raw);
  }
  ParseComboSend(frame);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Reader in(data, size);
  const uint8_t mode = in.Byte();
  FrameAssembler assembler(mode & 1 ? FrameAssembler::Rule::ComboBlock : FrameAssembler::Rule::Keyboard);
  qint64 fed = 0, handedOut = 0;
  while (!in.AtEnd()) {
    const QByteArray chunk = in.Take(size_t(in.Byte()) + 1);
    fed += chunk.size();
    assembler.StartsFrame(chunk);
    const QList<QByteArray> frames = assembler.Feed(chunk);
    for (const QByteArray& frame : frames) {
      ReadFrame(frame);
      handedOut += frame.size();
    }
    // Nothing is made up: the frames hold no more bytes than arrived.
    FUZZ_CHECK(handedOut <= fed);
    FUZZ_CHECK(assembler.Record().Data.size() <= 8 + kMaxFramePayload);
  }
  return 0;
}
