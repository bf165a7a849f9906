// Profile.dat as the Options dialog reads it: the lines, their names, and
// the list and apply steps that fill the settings tab from it. Reading must
// never change the file.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "frmOptions.h"
#include "fuzzutil.h"
#include "profiles.h"

using namespace zam;

namespace {

struct Fixture {
  QTemporaryDir dir;
  std::unique_ptr<frmOptions> dialog;
  QString path;
};

Fixture& Fix() {
  static Fixture* f = [] {
    auto* fix = new Fixture;
    qputenv("XDG_CONFIG_HOME", fix->dir.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", fix->dir.filePath(QStringLiteral("data")).toLocal8Bit());
    fuzz::StartApp<QApplication>();
    SetProfileFolder(fix->dir.path());
    fix->path = ProfileFilePath();
    fix->dialog = std::make_unique<frmOptions>();
    return fix;
  }();
  return *f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Fix();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fixture& f = Fix();
  const QByteArray bytes = fuzz::Bytes(data, size);
  {
    QFile file(f.path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
  }
  QStringList lines;
  FUZZ_CHECK(ReadProfileLines(f.path, &lines));
  for (const QString& line : lines) {
    FUZZ_CHECK(!line.isEmpty());
    const QString name = ProfileName(line);
    FUZZ_CHECK(name == name.trimmed());
  }
  f.dialog->ProfileAction(ListProfiles, QStringLiteral(" "));
  QFile file(f.path);
  FUZZ_CHECK(file.open(QIODevice::ReadOnly));
  FUZZ_CHECK(file.readAll() == bytes);
  return 0;
}
