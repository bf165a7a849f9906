#include "screendpi.h"

#include <QGuiApplication>
#include <QScreen>

namespace zam {

namespace {
int (*dpiSource)() = nullptr;
}

int GetScreenDPI() {
  if (dpiSource) return dpiSource();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? qRound(screen->logicalDotsPerInchX()) : 96;
}

void SetScreenDpiSource(int (*source)()) { dpiSource = source; }

}  // namespace zam
