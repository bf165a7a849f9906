#include "datafolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zam {

namespace {
QString& Root() {
  static QString root;
  return root;
}

struct Located {
  QString root;
  bool installed = false;
};

// Beside the program first, then the installed tree's share/kaymor. When
// neither holds Images/ the program's folder is kept, as before.
Located Locate() {
  const QString programDir = QCoreApplication::applicationDirPath();
  if (QFileInfo(programDir + QStringLiteral("/Images")).isDir()) return {programDir, false};
  const QString shared = QDir::cleanPath(programDir + QStringLiteral("/../share/kaymor"));
  if (QFileInfo(shared + QStringLiteral("/Images")).isDir()) return {shared, true};
  return {programDir, false};
}

const Located& Found() {
  static const Located found = Locate();
  return found;
}
}  // namespace

QString PictureRoot() { return Root().isEmpty() ? Found().root : Root(); }

bool RunsFromInstalledTree() { return Found().installed; }

QString PicturePath(const QString& relative) { return PictureRoot() + '/' + relative; }

void SetPictureRoot(const QString& folder) { Root() = folder; }

}  // namespace zam
