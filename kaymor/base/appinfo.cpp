#include "appinfo.h"

#include <QGuiApplication>
#include <QScreen>

#include "version.h"

namespace zam {

namespace {
int (*dpiSource)() = nullptr;
}

QString VersionText(bool withRevision) {
  QString text = QStringLiteral("%1.%2")
                     .arg(KAYMOR_VERSION_MAJOR)
                     .arg(KAYMOR_VERSION_MINOR, 2, 10, QLatin1Char('0'));
  if (withRevision) text += QStringLiteral(".%1").arg(KAYMOR_VERSION_REVISION, 4, 10, QLatin1Char('0'));
  return text;
}

int GetScreenDPI() {
  if (dpiSource) return dpiSource();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? qRound(screen->logicalDotsPerInchX()) : 96;
}

void SetScreenDpiSource(int (*source)()) { dpiSource = source; }

}  // namespace zam
