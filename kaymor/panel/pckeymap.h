#pragma once
// Which PC key presses which pictured key, on each of the two keyboards.
// The key poll acts from this table and the keyboard map window lists it,
// so the two cannot disagree.
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace zam {

enum class PcKeyAction {
  Click,  // press and release the pictured key (at an arrow region when given)
  Arrow,  // press the arrow pad's region, repeating while the PC key is held
  Alarm,  // the Alarm key's hold rule
};

struct PcKeyBinding {
  int virtualKey;
  const char* pcKey;      // the PC key as the map shows it
  PcKeyAction action;
  const char* keyType1;   // objectName of the pictured key on the type 1 keyboard, nullptr: none
  const char* keyType4;   // on the type 4 keyboard
  int arrowRegion;        // direction of the arrow pad region, -1 when not the pad
};

// How long an arrow or A must be held before it counts as held.
inline constexpr int kPcKeyHoldMs = 400;

// clang-format off
inline constexpr auto kPcKeyBindings = std::to_array<PcKeyBinding>({
  {13, "Enter", PcKeyAction::Click, "imgEnter(0)", "imgEnter(0)", -1},
  {19, "Pause/Break", PcKeyAction::Click, "imgPause(0)", "imgPause(1)", -1},
  {33, "Page Up", PcKeyAction::Click, "imgRecSpeedUp(0)", "imgRecSpeedUp(1)", -1},
  {34, "Page Down", PcKeyAction::Click, "imgRecSpeedDown(0)", "imgRecSpeedDown(1)", -1},
  {37, "Left Arrow", PcKeyAction::Arrow, "imgArrow(0)", "imgArrow(1)", 1},
  {38, "Up Arrow", PcKeyAction::Arrow, "imgArrow(0)", "imgArrow(1)", 2},
  {39, "Right Arrow", PcKeyAction::Arrow, "imgArrow(0)", "imgArrow(1)", 3},
  {40, "Down Arrow", PcKeyAction::Arrow, "imgArrow(0)", "imgArrow(1)", 4},
  {49, "1", PcKeyAction::Click, "imgCam1", "imgCam(0)", -1},
  {50, "2", PcKeyAction::Click, "imgCam1", "imgCam(1)", -1},
  {51, "3", PcKeyAction::Click, "imgCam1", "imgCam(2)", -1},
  {52, "4", PcKeyAction::Click, "imgCam1", "imgCam(3)", -1},
  {53, "5", PcKeyAction::Click, "imgIPCam1", "imgIPCam(0)", -1},
  {65, "A", PcKeyAction::Alarm, nullptr, "imgAlarm", -1},
  {66, "B", PcKeyAction::Click, "imgPlayRev(0)", "imgPlayRev(1)", -1},
  {67, "C", PcKeyAction::Click, nullptr, "imgSeq", -1},
  {70, "F", PcKeyAction::Click, "imgSearch(0)", "imgSearch(1)", -1},
  {77, "M", PcKeyAction::Click, "imgArrow(0)", "imgArrow(1)", 0},
  {80, "P", PcKeyAction::Click, "imgPlay(0)", "imgPlay(1)", -1},
  {81, "Q", PcKeyAction::Click, nullptr, "imgCam(132)", -1},
  {82, "R", PcKeyAction::Click, "imgRec(0)", "imgRec(1)", -1},
  {83, "S", PcKeyAction::Click, "imgStop(0)", "imgStop(1)", -1},
  {97, "Keypad 1", PcKeyAction::Click, "imgCam1", "imgCam(0)", -1},
  {98, "Keypad 2", PcKeyAction::Click, "imgCam1", "imgCam(1)", -1},
  {99, "Keypad 3", PcKeyAction::Click, "imgCam1", "imgCam(2)", -1},
  {100, "Keypad 4", PcKeyAction::Click, "imgCam1", "imgCam(3)", -1},
  {101, "Keypad 5", PcKeyAction::Click, "imgIPCam1", "imgIPCam(0)", -1},
});
// clang-format on

// The binding of a virtual key, nullptr when the poll does not act on it.
const PcKeyBinding* FindPcKeyBinding(int virtualKey);
// The pictured key a binding presses on the keyboard of unitType (1 or 4):
// its objectName, nullptr when the key does nothing there.
const char* PcKeyTarget(const PcKeyBinding& binding, int unitType);

// One line of the keyboard map: the PC key and the name of the pictured key.
struct PcKeyMapRow {
  QString pcKey;
  QString picturedKey;
};
// Every PC key that presses a key of the keyboard of unitType, in table order.
QList<PcKeyMapRow> PcKeyMap(int unitType);
// The hold rules, one sentence each.
QStringList PcKeyHoldRules(int unitType);

}  // namespace zam
