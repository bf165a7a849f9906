#include "appinfo.h"

#include "version.h"

namespace zam {

QString VersionText(bool withRevision) {
  QString text = QStringLiteral("%1.%2")
                     .arg(KAYMOR_VERSION_MAJOR)
                     .arg(KAYMOR_VERSION_MINOR, 2, 10, QLatin1Char('0'));
  if (withRevision) text += QStringLiteral(".%1").arg(KAYMOR_VERSION_REVISION, 4, 10, QLatin1Char('0'));
  return text;
}

}  // namespace zam
