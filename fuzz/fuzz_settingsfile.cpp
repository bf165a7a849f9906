// The unit settings backup file reader: any bytes give a backup or a reason,
// and a backup read is written back to the same fields.
#include "fuzzutil.h"
#include "settingsfile.h"
#include "unitfields.h"

using namespace zam;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input = fuzz::Bytes(data, size);
  QString why;
  const auto backup = settingsfile::Parse(input, QStringLiteral("f"), &why);
  if (!backup) {
    FUZZ_CHECK(!why.isEmpty());
    return 0;
  }
  FUZZ_CHECK(backup->fields.contains(unitfields::kClock));
  const auto again = settingsfile::Parse(settingsfile::Write(*backup), QStringLiteral("f"), &why);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(again->fields == backup->fields);
  FUZZ_CHECK(again->serial == backup->serial && again->address == backup->address);
  return 0;
}
