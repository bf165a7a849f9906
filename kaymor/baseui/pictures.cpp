#include "pictures.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPixmapCache>

namespace zam {

namespace {

constexpr const char* kPendingPath = "picturePending";

bool ShowDecoded(QLabel* label, const QString& path) {
  QPixmap pixmap;
  // The LEDs redraw every second: decode each file once.
  if (!QPixmapCache::find(path, &pixmap)) {
    if (!pixmap.load(path)) return false;
    QPixmapCache::insert(path, pixmap);
  }
  label->setPixmap(pixmap);
  label->setProperty(kPendingPath, QVariant());
  return true;
}

// Decodes a hidden label's picture when the label is first shown, so that a
// start decodes only the pictures of the keyboard on show.
class DeferredPictures : public QObject {
 public:
  static DeferredPictures& Instance() {
    static DeferredPictures* instance = new DeferredPictures(QCoreApplication::instance());
    return *instance;
  }
  void Watch(QLabel* label) {
    if (label->property(kPendingPath).isValid()) return;  // watched already
    label->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* label = static_cast<QLabel*>(watched);
      const QString path = label->property(kPendingPath).toString();
      label->removeEventFilter(this);
      if (!path.isEmpty()) ShowDecoded(label, path);
      label->setProperty(kPendingPath, QVariant());
    }
    return false;
  }

 private:
  using QObject::QObject;
};

}  // namespace

bool LoadPicture(QLabel* label, const QString& relative) {
  if (!label) return false;
  if (label->property("picture").toString() == relative) return true;
  const QString path = PicturePath(relative);
  QPixmap cached;
  if (!QPixmapCache::find(path, &cached) && !label->isVisibleTo(label->window()) &&
      QCoreApplication::instance()) {
    // Not on show yet (the other keyboard, a hidden panel): decoded when shown.
    if (!QFileInfo(path).isReadable()) return false;
    DeferredPictures::Instance().Watch(label);
    label->setProperty(kPendingPath, path);
    label->setProperty("picture", relative);
    return true;
  }
  if (!ShowDecoded(label, path)) return false;
  label->setProperty("picture", relative);
  return true;
}

}  // namespace zam
