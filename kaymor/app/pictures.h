#pragma once
// Pictures are files under Images/ beside the program, loaded when shown.
#include <QString>

class QLabel;

namespace zam {

// Absolute path of a picture given as "Images/zam_led_r.jpg".
QString PicturePath(const QString& relative);

// Shows the picture in the label and records it in the label's "picture"
// property; a missing or unreadable file leaves the previous picture.
bool LoadPicture(QLabel* label, const QString& relative);

// The folder that holds Images/ (tests point it at their own pictures).
void SetPictureRoot(const QString& folder);

}  // namespace zam
