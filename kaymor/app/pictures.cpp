#include "pictures.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QPixmapCache>

namespace zam {

namespace {
QString& Root() {
  static QString root;
  return root;
}
}  // namespace

QString PicturePath(const QString& relative) {
  const QString root = Root().isEmpty() ? QCoreApplication::applicationDirPath() : Root();
  return root + '/' + relative;
}

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
