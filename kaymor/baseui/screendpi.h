#pragma once
// The screen's resolution, which the layouts were drawn for at 96 dpi.
namespace zam {

// Horizontal logical dots per inch of the primary screen; tests may replace it.
int GetScreenDPI();
void SetScreenDpiSource(int (*source)());

}  // namespace zam
