#pragma once
// What the unit must receive for each pictured key, written from the unit's
// two code sets rather than taken from the program's own tables.

namespace paneltest {

struct Expected {
  const char* key;
  int v, spi;  // -1: nothing is sent
};

// The codes each key sends, as the unit's two code sets number them.
// clang-format off
constexpr Expected kPlainCodes[] = {
  {"imgRec(0)", 0x01, 0x12}, {"imgRec(1)", 0x01, 0x12},
  {"imgPlayRev(0)", 0x72, 0x75}, {"imgPlayRev(1)", 0x72, 0x75},
  {"imgStop(0)", 0x73, 0x11}, {"imgStop(1)", 0x73, 0x11},
  {"imgPlay(0)", 0x74, 0x76}, {"imgPlay(1)", 0x74, 0x76},
  {"imgPause(0)", 0x05, 0x21}, {"imgPause(1)", 0x05, 0x21},
  {"imgSearch(0)", 0x6F, 0x72}, {"imgSearch(1)", 0x6F, 0x72},
  {"imgRecSpeedUp(0)", 0x96, 0xAC}, {"imgRecSpeedUp(1)", 0x96, 0xAC},
  {"imgRecSpeedDown(0)", 0x97, 0xAD}, {"imgRecSpeedDown(1)", 0x97, 0xAD},
  {"imgEnter(0)", 0x2A, 0x71}, {"imgEnter(1)", 0x2A, 0x71},
  {"imgCam1", 0x09, 0x30}, {"imgIPCam1", 0x99, 0xB1},
  {"imgCam(0)", 0x09, 0x30}, {"imgCam(1)", 0x0A, 0x31}, {"imgCam(2)", 0x0B, 0x32}, {"imgCam(3)", 0x0C, 0x33},
  {"imgCam(132)", 0x84, 0xA2},
  {"imgIPCam(0)", 0x99, 0xB1}, {"imgIPCam(1)", 0x9A, 0xB2},
  {"imgSeq", 0x07, 0x29}, {"imgZoom", 0x06, 0x83}, {"imgFunc", -1, -1},
};
// With alarm mode on.
constexpr Expected kAlarmCodes[] = {
  {"imgCam(0)", 0x4C, 0x60}, {"imgCam(1)", 0x4D, 0x61}, {"imgCam(2)", 0x4E, 0x62}, {"imgCam(3)", 0x4F, 0x63},
  {"imgCam(132)", 0x84, 0xA2}, {"imgSeq", 0x4B, 0x5F}, {"imgCam1", 0x09, 0x30},
};
// clang-format on

struct ArrowPoint {
  const char* name;
  float x, y;
  int v, spi;
};
constexpr ArrowPoint kArrowPoints[] = {
    {"left", 195, 822, 0x40, 0x7A},     {"left corner low", 75, 490, 0x40, 0x7A},
    {"left corner high", 315, 1155, 0x40, 0x7A},
    {"up", 817, 195, 0x42, 0x74},       {"right", 1422, 822, 0x41, 0x78},
    {"down", 817, 1410, 0x43, 0x73},    {"centre", 817, 822, 0x29, 0x70},
    {"centre corner", 1155, 1155, 0x29, 0x70},
};

}  // namespace paneltest
