#include "pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPixmapCache>

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

bool LoadPicture(QLabel* label, const QString& relative) {
  if (!label) return false;
  if (label->property("picture").toString() == relative) return true;
  const QString path = PicturePath(relative);
  QPixmap pixmap;
  // The LEDs redraw every second: decode each file once.
  if (!QPixmapCache::find(path, &pixmap)) {
    if (!pixmap.load(path)) return false;
    QPixmapCache::insert(path, pixmap);
  }
  label->setPixmap(pixmap);
  label->setProperty("picture", relative);
  return true;
}

void SetPictureRoot(const QString& folder) { Root() = folder; }

}  // namespace zam
