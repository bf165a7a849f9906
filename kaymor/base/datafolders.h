#pragma once
// Where the program's data files are: Images/ is looked for beside the
// program (a build folder) and then in ../share/kaymor relative to the
// program's folder (an installed tree, whatever its prefix).
#include <QString>

namespace zam {

// Absolute path of a picture given as "Images/zam_led_r.jpg".
QString PicturePath(const QString& relative);

// The folder that holds Images/ (tests point it at their own pictures).
void SetPictureRoot(const QString& folder);

// The folder PicturePath() resolves against.
QString PictureRoot();

// True when the pictures come from ../share/kaymor: the program runs from an
// installed tree, whose bin folder is no place for data files.
bool RunsFromInstalledTree();

}  // namespace zam
