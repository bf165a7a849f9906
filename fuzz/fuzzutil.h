#pragma once
// Helpers shared by the fuzz targets: a check that stops the run with a
// message, and the Qt application object the widget targets need.
#include <QByteArray>
#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Reads the input front to back; past the end every read gives 0 / empty.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  QByteArray Take(size_t n) {
    n = n < size_ - at_ ? n : size_ - at_;
    QByteArray out = Bytes(data_ + at_, n);
    at_ += n;
    return out;
  }
  QByteArray Rest() { return Take(size_ - at_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Creates the application object once, on the offscreen platform.
template <typename App>
void StartApp() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_LOGGING_RULES", "*.debug=false;qt.qpa.*=false");
  static App* app = new App(argc, argv);
  (void)app;
}

}  // namespace fuzz
