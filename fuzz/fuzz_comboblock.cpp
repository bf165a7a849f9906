// Combo-block reply frames: split, unpack, and a pack-unpack round trip.
//
// Input: a frame as a unit would send it (FF FF 68 03 ...). When the frame
// is too short to split, the input is taken as the data block itself.
#include "comboblock.h"
#include "fuzzutil.h"
#include "zamtcp.h"

using namespace zam;

namespace {

// Bytes that no camera title covers: the first title keeps its 16th byte,
// and titles 43 on overlap the settings bytes.
constexpr int kTitlesCompared = 43;

void CheckSame(const COMBO_BLOCK& a, const COMBO_BLOCK& b) {
  FUZZ_CHECK(a.Alarms.AlarmLatch == b.Alarms.AlarmLatch);
  FUZZ_CHECK(a.LockKeyboard == b.LockKeyboard);
  FUZZ_CHECK(a.DateTime.TimeFormat == b.DateTime.TimeFormat);
  FUZZ_CHECK(a.DateTime.DateFormat == b.DateTime.DateFormat);
  FUZZ_CHECK(a.DateTime.Daylight == b.DateTime.Daylight);
  FUZZ_CHECK(a.DateTime.TimeZone == b.DateTime.TimeZone);
  FUZZ_CHECK(a.Display.CurrentTimeDate == b.Display.CurrentTimeDate);
  FUZZ_CHECK(a.Display.PlaybackTimeDate == b.Display.PlaybackTimeDate);
  FUZZ_CHECK(a.Display.RecordCapacity == b.Display.RecordCapacity);
  FUZZ_CHECK(a.Display.LastAlarm == b.Display.LastAlarm);
  FUZZ_CHECK(a.Display.RecordPlaySpeed == b.Display.RecordPlaySpeed);
  FUZZ_CHECK(a.Display.CameraTitle == b.Display.CameraTitle);
  FUZZ_CHECK(a.DateTime.Value == b.DateTime.Value);
  FUZZ_CHECK(a.Camera.Count == b.Camera.Count);
  for (int k = 1; k < kTitlesCompared && k < a.Camera.Title.size() && k < b.Camera.Title.size(); ++k)
    FUZZ_CHECK(a.Camera.Title[k] == b.Camera.Title[k]);
}

void RoundTrip(RawComboBlock raw) {
  const COMBO_BLOCK block = UnpackComboBlock(raw);
  FUZZ_CHECK(block.Camera.Title.size() == block.Camera.Count);
  const RawComboBlock before = raw;
  if (!PackComboBlock(block, raw)) {
    // A refused pack leaves the block as it was.
    FUZZ_CHECK(raw.working == before.working && raw.P == before.P && raw.D == before.D);
    return;
  }
  FUZZ_CHECK(raw.working.size() == raw.D);
  // Packing twice gives the same block.
  RawComboBlock again = raw;
  FUZZ_CHECK(PackComboBlock(block, again) && again.working == raw.working && again.D == raw.D);

  // What was packed reads back the same.
  RawComboBlock packed = raw;
  packed.data = raw.working;
  CheckSame(block, UnpackComboBlock(packed));

  // The send frame carries the packed block, and the unit reads it back.
  const QByteArray send = BuildComboBlockSend(raw);
  FUZZ_CHECK(!send.isEmpty());
  const auto parsed = ParseComboSend(send);
  FUZZ_CHECK(parsed.has_value());
  FUZZ_CHECK(parsed->data.startsWith(raw.working));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input = fuzz::Bytes(data, size);
  if (const auto raw = SplitComboResponse(input)) {
    FUZZ_CHECK(raw->header.size() == raw->H && raw->data.size() == raw->D);
    RoundTrip(*raw);
    return 0;
  }
  // Data blocks of any size, with a 16-byte header as units send.
  if (input.size() > 0xFFFF - 16) return 0;
  QByteArray header(16, '\0');
  const auto raw = SplitComboResponse(BuildComboResponse(header, input));
  FUZZ_CHECK(raw.has_value() && raw->data == input);
  RoundTrip(*raw);
  return 0;
}
