#pragma once
// The debug log shown in a text box of the window as well, newest line first.
class QPlainTextEdit;

namespace zam {

// OpenDebugLog() with the box as its echo; a box that is deleted stops the echo.
void OpenDebugLogInBox(QPlainTextEdit* box);

}  // namespace zam
