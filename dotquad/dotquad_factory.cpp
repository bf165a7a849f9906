// The library's entry point: hosts create its control by class identifier.
#include <dotquad/dotquad.h>

QWidget* CreateDotquadControl(const QString& classId, QWidget* parent) {
  if (classId == QLatin1String("DotquadLib.Dotquad")) return new DotquadLib::Dotquad(parent);
  return nullptr;
}
