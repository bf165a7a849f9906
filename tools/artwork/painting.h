#pragma once
// Drawing of the keyboard pictures. Every picture is drawn from scratch with
// QPainter; the output is the same on every run, so builds are reproducible.
#include <QImage>

#include "panellayout.h"

namespace artwork {

// While alive, every picture is drawn at factor device pixels to a layout
// pixel (2 for the @2x pictures of scaled desktops), with that device pixel
// ratio; the drawing itself is the same.
class ScaleScope {
 public:
  explicit ScaleScope(int factor);
  ~ScaleScope();
  ScaleScope(const ScaleScope&) = delete;
  ScaleScope& operator=(const ScaleScope&) = delete;

 private:
  int before_;
};

// A key picture of the layout; false when the generator has no face for it.
bool CanDrawKey(const zam::layout::KeyPicture& key);
QImage DrawKey(const zam::layout::KeyPicture& key, bool pressed);

// The arrow pad with nothing pressed (region nullptr) or one region pressed.
QImage DrawArrowPad(int width, int height, const zam::layout::ArrowRegion* pressed);

QImage DrawLed(bool lit);

// The background of picKeyboard(panel), with key wells, LED bezels and the
// printed labels.
QImage DrawPanel(int panel);

QImage DrawLogo();
// The window icon, size x size pixels (the window uses kIconSizePx).
QImage DrawIcon(int size);

}  // namespace artwork
