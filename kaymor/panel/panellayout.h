#pragma once
// Geometry of the two keyboard panels and the picture files of their keys and
// LEDs. Pure data: the main window places its widgets from it and the artwork
// generator draws every picture at these sizes, so the two cannot drift apart.
// Positions and sizes are twips relative to the panel; hit regions are twips
// relative to the key picture, both bounds included.
#include <array>
#include <string_view>
#include <vector>

#include "twips.h"

namespace zam::layout {

using zam::kTwipsPerPixel;
using zam::PixelsToTwips;
using zam::Px;

// picKeyboard(0) shows a unit of type 1, picKeyboard(1) one of type 4.
inline constexpr int kPanelLeft = 120;
inline constexpr int kPanelWidth = 11340;
inline constexpr int kPanelHeight = 2340;
inline constexpr std::array<const char*, 2> kPanelPictures = {"Images/zam_panel1.jpg",
                                                              "Images/zam_panel4.jpg"};

struct HitRegion {
  int x1, x2, y1, y2;
  constexpr bool Contains(double x, double y) const {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
  }
};

struct KeyPicture {
  const char* objectName;  // "imgRec(0)", "imgCam(132)", "imgCam1"
  const char* control;     // "imgRec"
  int index;               // element of the control array, -1 for a single control
  int panel;               // 0 or 1
  int left, top, width, height;
  HitRegion hit;           // imgArrow: the whole picture, kArrowRegions decide
  const char* tooltip;     // "" when none (imgArrow sets its own while the mouse moves)
  const char* normal;      // "Images/zam_rec.jpg"
  const char* pressed;     // "" for imgArrow: the picture depends on the region
  bool hidden;
};

// clang-format off
inline constexpr auto kKeys = std::to_array<KeyPicture>({
  // Keys on both panels: element 0 on picKeyboard(0), element 1 on picKeyboard(1).
  {"imgRec(0)", "imgRec", 0, 0, 680, 1320, 555, 555, {75, 465, 120, 435}, "Record [R]", "Images/zam_rec.jpg", "Images/zam_rec_d.jpg", false},
  {"imgRec(1)", "imgRec", 1, 1, 6240, 1440, 555, 555, {75, 465, 120, 435}, "Record [R]", "Images/zam_rec.jpg", "Images/zam_rec_d.jpg", false},
  {"imgPlayRev(0)", "imgPlayRev", 0, 0, 1680, 1320, 555, 555, {75, 465, 60, 465}, "Play Backward [B]", "Images/zam_play_r.jpg", "Images/zam_play_rd.jpg", false},
  {"imgPlayRev(1)", "imgPlayRev", 1, 1, 6240, 600, 555, 555, {75, 465, 60, 465}, "Play Backward [B]", "Images/zam_play_r.jpg", "Images/zam_play_rd.jpg", false},
  {"imgStop(0)", "imgStop", 0, 0, 2580, 1320, 555, 555, {60, 480, 60, 480}, "Stop [S]", "Images/zam_stop.jpg", "Images/zam_stop_d.jpg", false},
  {"imgStop(1)", "imgStop", 1, 1, 6990, 600, 555, 555, {60, 480, 60, 480}, "Stop [S]", "Images/zam_stop.jpg", "Images/zam_stop_d.jpg", false},
  {"imgPlay(0)", "imgPlay", 0, 0, 3440, 1320, 555, 555, {60, 480, 60, 480}, "Play [P]", "Images/zam_play.jpg", "Images/zam_play_d.jpg", false},
  {"imgPlay(1)", "imgPlay", 1, 1, 7755, 600, 555, 555, {60, 480, 60, 480}, "Play [P]", "Images/zam_play.jpg", "Images/zam_play_d.jpg", false},
  {"imgPause(0)", "imgPause", 0, 0, 4395, 1320, 555, 555, {60, 480, 60, 480}, "Pause [Pause/Break]", "Images/zam_pause.jpg", "Images/zam_pause_d.jpg", false},
  {"imgPause(1)", "imgPause", 1, 1, 6990, 1440, 555, 555, {60, 480, 60, 480}, "Pause [Pause/Break]", "Images/zam_pause.jpg", "Images/zam_pause_d.jpg", false},
  {"imgSearch(0)", "imgSearch", 0, 0, 5280, 1320, 645, 555, {105, 510, 105, 465}, "Search [F]", "Images/zam_srch.jpg", "Images/zam_srch_d.jpg", false},
  {"imgSearch(1)", "imgSearch", 1, 1, 7680, 1440, 645, 555, {105, 510, 105, 465}, "Search [F]", "Images/zam4_srch.jpg", "Images/zam4_srch_d.jpg", false},
  {"imgRecSpeedUp(0)", "imgRecSpeedUp", 0, 0, 6550, 1200, 390, 390, {60, 360, 45, 345}, "Speed Up [Page Up]", "Images/zam_recspd_u.jpg", "Images/zam_recspd_ud.jpg", false},
  {"imgRecSpeedUp(1)", "imgRecSpeedUp", 1, 1, 5650, 840, 390, 390, {60, 360, 45, 345}, "Speed Up [Page Up]", "Images/zam_recspd_u.jpg", "Images/zam_recspd_ud.jpg", false},
  {"imgRecSpeedDown(0)", "imgRecSpeedDown", 0, 0, 6550, 1680, 390, 390, {45, 360, 45, 345}, "Speed Down [Page Down]", "Images/zam_recspd_d.jpg", "Images/zam_recspd_dd.jpg", false},
  {"imgRecSpeedDown(1)", "imgRecSpeedDown", 1, 1, 5650, 1320, 390, 390, {45, 360, 45, 345}, "Speed Down [Page Down]", "Images/zam_recspd_d.jpg", "Images/zam_recspd_dd.jpg", false},
  {"imgEnter(0)", "imgEnter", 0, 0, 10350, 1440, 555, 555, {105, 450, 105, 450}, "Enter [Enter]", "Images/zam_enter.jpg", "Images/zam_enter_d.jpg", false},
  {"imgEnter(1)", "imgEnter", 1, 1, 10470, 1455, 555, 555, {105, 450, 105, 450}, "Enter [Enter]", "Images/zam4_enter.jpg", "Images/zam4_enter_d.jpg", false},
  {"imgArrow(0)", "imgArrow", 0, 0, 8450, 360, 1635, 1620, {0, 1635, 0, 1620}, "", "Images/zam_arrow.jpg", "", false},
  {"imgArrow(1)", "imgArrow", 1, 1, 8640, 360, 1635, 1620, {0, 1635, 0, 1620}, "", "Images/zam_arrow.jpg", "", false},
  // Keys of picKeyboard(0) only.
  {"imgCam1", "imgCam1", -1, 0, 7440, 1200, 645, 360, {50, 560, 50, 560}, "Camera 1 [1]", "Images/zam_cam_1.jpg", "Images/zam_cam_1d.jpg", false},
  {"imgIPCam1", "imgIPCam1", -1, 0, 7440, 1680, 645, 360, {50, 560, 50, 560}, "IP Camera [5]", "Images/zam_cam_ip1.jpg", "Images/zam_cam_ip1d.jpg", false},
  // Keys of picKeyboard(1) only; imgCam(132) is the Quad key.
  {"imgCam(0)", "imgCam", 0, 1, 525, 1485, 645, 360, {50, 560, 50, 560}, "Camera 1 [1]", "Images/zam_cam_1.jpg", "Images/zam_cam_1d.jpg", false},
  {"imgCam(1)", "imgCam", 1, 1, 1320, 1485, 645, 360, {50, 560, 50, 560}, "Camera 2 [2]", "Images/zam_cam_2.jpg", "Images/zam_cam_2d.jpg", false},
  {"imgCam(2)", "imgCam", 2, 1, 2160, 1485, 645, 360, {50, 560, 50, 560}, "Camera 3 [3]", "Images/zam_cam_3.jpg", "Images/zam_cam_3d.jpg", false},
  {"imgCam(3)", "imgCam", 3, 1, 3000, 1485, 645, 360, {50, 560, 50, 560}, "Camera 4 [4]", "Images/zam_cam_4.jpg", "Images/zam_cam_4d.jpg", false},
  {"imgCam(132)", "imgCam", 132, 1, 2535, 720, 450, 450, {50, 560, 50, 560}, "Quad [Q]", "Images/zam_quad.jpg", "Images/zam_quad_d.jpg", false},
  {"imgIPCam(0)", "imgIPCam", 0, 1, 3885, 1485, 645, 360, {50, 560, 50, 560}, "IP Camera [5]", "Images/zam_cam_ip1.jpg", "Images/zam_cam_ip1d.jpg", false},
  {"imgIPCam(1)", "imgIPCam", 1, 1, 4680, 1485, 645, 360, {50, 560, 50, 560}, "IP Camera 2", "Images/zam_cam_ip2.jpg", "Images/zam_cam_ip2d.jpg", true},
  {"imgAlarm", "imgAlarm", -1, 1, 3165, 600, 405, 555, {60, 350, 60, 480}, "Alarm [A]", "Images/zam_Alarm.jpg", "Images/zam_Alarm_d.jpg", false},
  {"imgSeq", "imgSeq", -1, 1, 3765, 600, 405, 555, {60, 350, 60, 480}, "Seq [C]", "Images/zam_Seq.jpg", "Images/zam_Seq_d.jpg", false},
  {"imgZoom", "imgZoom", -1, 1, 4365, 600, 405, 555, {60, 350, 60, 480}, "", "Images/zam_Zoom.jpg", "Images/zam_Zoom_d.jpg", true},
  {"imgFunc", "imgFunc", -1, 1, 4920, 600, 405, 555, {60, 350, 60, 480}, "", "Images/zam_Func.jpg", "Images/zam_Func_d.jpg", true},
});
// clang-format on

// The arrow pad's regions (both panels alike). direction is SendArrowKey's
// direction number; 0 is the centre, which sends Menu once.
struct ArrowRegion {
  int direction;
  HitRegion hit;
  const char* pressed;
  const char* tooltip;
};

// clang-format off
inline constexpr auto kArrowRegions = std::to_array<ArrowRegion>({
  {1, {75, 315, 490, 1155}, "Images/zam_arrow_l.jpg", "Rewind [Left Arrow]"},
  {2, {480, 1155, 90, 300}, "Images/zam_arrow_u.jpg", "Still Adv [Up Arrow]"},
  {3, {1300, 1545, 490, 1155}, "Images/zam_arrow_r.jpg", "Fast Fwd [Right Arrow]"},
  {4, {480, 1155, 1305, 1515}, "Images/zam_arrow_d.jpg", "Still Back [Down Arrow]"},
  {0, {480, 1155, 490, 1155}, "Images/zam_arrow_m.jpg", "Menu [M]"},
});
// clang-format on

// The region under (x, y) in twips within the pad, nullptr between regions.
constexpr const ArrowRegion* ArrowRegionAt(double x, double y) {
  for (const ArrowRegion& r : kArrowRegions)
    if (r.hit.Contains(x, y)) return &r;
  return nullptr;
}

inline constexpr const char* kLedLit = "Images/zam_led_r.jpg";
inline constexpr const char* kLedUnlit = "Images/zam_led_w.jpg";
inline constexpr int kLedSize = 150;
inline constexpr int kLinkLed = 255;

struct LedPicture {
  const char* objectName;  // "imgLED(0)", "imgLED4(255)"
  const char* control;     // imgLED on panel 0, imgLED4 on panel 1
  int index;               // bit of the LED byte, 255 for the link LED
  int panel;
  int left, top;           // kLedSize square
  const char* key;         // objectName of the key the LED sits by, "" for a status LED
  const char* label;       // printed beside a status LED on the panel, "" otherwise
};

// Which key each bit of the LED byte belongs to (the units do not document it):
// bit 0 Record, 1 Play, 2 Play backward, 3 Pause, 4 Search, 5 Alarm (type 4 by
// the Alarm key, type 1 a status LED "ALARM"), 6 Sequence on type 4 / Camera 1
// on type 1, 7 Quad on type 4 / IP camera on type 1. 255 is the link LED.
// clang-format off
inline constexpr auto kLeds = std::to_array<LedPicture>({
  {"imgLED(0)", "imgLED", 0, 0, 885, 1095, "imgRec(0)", ""},
  {"imgLED(1)", "imgLED", 1, 0, 3645, 1095, "imgPlay(0)", ""},
  {"imgLED(2)", "imgLED", 2, 0, 1890, 1095, "imgPlayRev(0)", ""},
  {"imgLED(3)", "imgLED", 3, 0, 4605, 1095, "imgPause(0)", ""},
  {"imgLED(4)", "imgLED", 4, 0, 5535, 1095, "imgSearch(0)", ""},
  {"imgLED(5)", "imgLED", 5, 0, 5535, 420, "", "ALARM"},
  {"imgLED(6)", "imgLED", 6, 0, 7695, 975, "imgCam1", ""},
  {"imgLED(7)", "imgLED", 7, 0, 7695, 2115, "imgIPCam1", ""},
  {"imgLED(255)", "imgLED", 255, 0, 4605, 420, "", "LINK"},
  {"imgLED4(0)", "imgLED4", 0, 1, 6435, 2070, "imgRec(1)", ""},
  {"imgLED4(1)", "imgLED4", 1, 1, 7965, 375, "imgPlay(1)", ""},
  {"imgLED4(2)", "imgLED4", 2, 1, 6435, 375, "imgPlayRev(1)", ""},
  {"imgLED4(3)", "imgLED4", 3, 1, 7200, 2070, "imgPause(1)", ""},
  {"imgLED4(4)", "imgLED4", 4, 1, 7935, 2070, "imgSearch(1)", ""},
  {"imgLED4(5)", "imgLED4", 5, 1, 3300, 375, "imgAlarm", ""},
  {"imgLED4(6)", "imgLED4", 6, 1, 3900, 375, "imgSeq", ""},
  {"imgLED4(7)", "imgLED4", 7, 1, 2685, 495, "imgCam(132)", ""},
  {"imgLED4(255)", "imgLED4", 255, 1, 525, 900, "", "LINK"},
});
// clang-format on

// The About box's logo and the program's window icon, in pixels.
inline constexpr const char* kLogoPicture = "Images/zam_logo.png";
inline constexpr int kLogoWidthPx = 240, kLogoHeightPx = 72;
inline constexpr const char* kIconPicture = "Images/kaymor.png";
inline constexpr int kIconSizePx = 128;

constexpr bool SameText(const char* a, const char* b) {
  return std::string_view(a) == std::string_view(b);
}

constexpr const KeyPicture* FindKey(std::string_view objectName) {
  for (const KeyPicture& k : kKeys)
    if (objectName == k.objectName) return &k;
  return nullptr;
}

constexpr const LedPicture* FindLed(int panel, int index) {
  for (const LedPicture& l : kLeds)
    if (l.panel == panel && l.index == index) return &l;
  return nullptr;
}

// Every picture file the program loads, once each, with its size in pixels.
struct PictureFile {
  const char* path;
  int width, height;
};

inline std::vector<PictureFile> PictureFiles() {
  std::vector<PictureFile> files;
  auto add = [&files](const char* path, int w, int h) {
    if (!*path) return;
    for (const PictureFile& f : files)
      if (SameText(f.path, path)) return;
    files.push_back({path, w, h});
  };
  for (const KeyPicture& k : kKeys) {
    const int w = Px(k.width), h = Px(k.height);
    add(k.normal, w, h);
    add(k.pressed, w, h);
    if (SameText(k.control, "imgArrow"))
      for (const ArrowRegion& r : kArrowRegions) add(r.pressed, w, h);
  }
  add(kLedLit, Px(kLedSize), Px(kLedSize));
  add(kLedUnlit, Px(kLedSize), Px(kLedSize));
  for (const char* p : kPanelPictures) add(p, Px(kPanelWidth), Px(kPanelHeight));
  add(kLogoPicture, kLogoWidthPx, kLogoHeightPx);
  add(kIconPicture, kIconSizePx, kIconSizePx);
  return files;
}

}  // namespace zam::layout
