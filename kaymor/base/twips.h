#pragma once
// Sizes and positions of the windows are given in twips, 15 to a pixel at
// the 96 dpi the layouts were drawn for.
namespace zam {

inline constexpr int kTwipsPerPixel = 15;

// The nearest pixel; every size in the layout tables is a whole number of pixels.
constexpr int Px(int twips) {
  return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

}  // namespace zam
