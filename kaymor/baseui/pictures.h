#pragma once
// Pictures are files under Images/ (see datafolders.h), loaded when shown.
#include <QString>

#include "datafolders.h"

class QLabel;

namespace zam {

// Shows the picture in the label and records it in the label's "picture"
// property; a missing or unreadable file leaves the previous picture. A label
// that is not on show (inside a hidden panel) decodes its picture when it is
// first shown.
bool LoadPicture(QLabel* label, const QString& relative);

}  // namespace zam
