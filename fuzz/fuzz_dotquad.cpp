// The Dotquad address setter: any text in, four parts out.
#include <QApplication>

#include <dotquad/dotquad.h>
#include "fuzzutil.h"

namespace {

DotquadLib::Dotquad& Field() {
  static DotquadLib::Dotquad* field = [] {
    fuzz::StartApp<QApplication>();
    // A warning would open a modal box; the fuzzer only counts them.
    DotquadLib::Dotquad::SetWarningHandler([](const QString&, const QString&) {});
    return new DotquadLib::Dotquad;
  }();
  return *field;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Field();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  DotquadLib::Dotquad& field = Field();
  field.SetSubnetMask(data[0] & 1);
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  field.SetFullAddress(text);
  const QStringList parts = field.PartAddress();
  FUZZ_CHECK(parts.size() == 4);
  for (const QString& part : parts) FUZZ_CHECK(!part.contains(u'.'));
  for (int i = 0; i < 4; ++i) FUZZ_CHECK(field.PartAddress(i) == parts[i]);
  field.Clear();
  for (const QString& part : field.PartAddress()) FUZZ_CHECK(part.isEmpty());
  return 0;
}
