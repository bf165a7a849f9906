#pragma once
// The two key code sets (V over RS-232, SPI4 over Ethernet) and the code
// pair each panel key sends.
#include <QString>

#include <optional>
#include <span>

namespace zam {

// SPI4 set (Ethernet).
enum : int {
  SPI4_NULL = 0x00, SPI4_ALARM_ACKNOWLEDGE = 0x01, SPI4_LIVE_MODE = 0x11,
  SPI4_RECORD_MODE = 0x12, SPI4_PLAY_MODE = 0x13, SPI4_AUX_MON_E = 0x1C,
  SPI4_AUX_MON_D = 0x1D, SPI4_AUX_MON_C = 0x1E, SPI4_AUX_MON_B = 0x1F,
  SPI4_MONITOR_SELECT = 0x20, SPI4_FREEZE = 0x21, SPI4_MULTISCREEN_DISPLAY_MODE = 0x22,
  SPI4_FUNCTION_KEY = 0x28, SPI4_SEQUENCE = 0x29, SPI4_CAM_1 = 0x30, SPI4_CAM_16 = 0x3F,
  SPI4_CAMERA_POWER = 0x40, SPI4_WASH = 0x41, SPI4_AUTO_PAN = 0x42, SPI4_LIGHTS = 0x43,
  SPI4_WIPE = 0x44, SPI4_PRESET = 0x45, SPI4_FOCUS_FAR = 0x46, SPI4_FOCUS_NEAR = 0x47,
  SPI4_IRIS_CLOSE = 0x48, SPI4_IRIS_OPEN = 0x49, SPI4_ELEC_ZOOM_SELECT = 0x50,
  SPI4_TELEMETRY_SELECT = 0x51, SPI4_ALARM_SEQ = 0x5F, SPI4_ALARM_CAM_1 = 0x60,
  SPI4_ALARM_CAM_16 = 0x6F, SPI4_MENU_SELECT = 0x70, SPI4_ENTER = 0x71, SPI4_SEARCH = 0x72,
  SPI4_FRAME_REVERSE = 0x73, SPI4_FRAME_ADVANCE = 0x74, SPI4_PLAY_REVERSE = 0x75,
  SPI4_PLAY_FORWARD = 0x76, SPI4_SKIP_FORWARD = 0x77, SPI4_FAST_FORWARD = 0x78,
  SPI4_SKIP_REVERSE = 0x79, SPI4_REWIND = 0x7A, SPI4_ZOOM_OUT = 0x81, SPI4_ZOOM_IN = 0x83,
  SPI4_PAN_LEFT = 0x84, SPI4_PAN_RIGHT = 0x8C, SPI4_TILT_UP = 0x90,
  SPI4_TILT_UP_PAN_LEFT = 0x94, SPI4_REMOTE_ALM_RELEASE_KEY = 0x98,
  SPI4_TILT_UP_PAN_RIGHT = 0x9C, SPI4_MON_A_KEY = 0xA0, SPI4_QUAD_2_KEY = 0xA1,
  SPI4_QUAD_4_KEY = 0xA2, SPI4_QUAD_6_KEY = 0xA3, SPI4_QUAD_7_KEY = 0xA4,
  SPI4_QUAD_9_KEY = 0xA5, SPI4_QUAD_10_KEY = 0xA6, SPI4_QUAD_13_KEY = 0xA7,
  SPI4_QUAD_16_KEY = 0xA8, SPI4_SS_PRINT_KEY = 0xA9, SPI4_SS_ARCHIVE_KEY = 0xAB,
  SPI4_SPEED_UP_KEY = 0xAC, SPI4_SPEED_DOWN_KEY = 0xAD, SPI4_TILT_DOWN = 0xB0,
  SPI4_IPCAM_1 = 0xB1, SPI4_IPCAM_2 = 0xB2, SPI4_IPCAM_3 = 0xB3,
  SPI4_TILT_DOWN_PAN_LEFT = 0xB4, SPI4_IPCAM_4 = 0xB4, SPI4_TILT_DOWN_PAN_RIGHT = 0xBC,
};

// V set (RS-232).
enum : int {
  VNO_KEY = 0x00, VRECORD_KEY = 0x01, VPLAY_KEY = 0x02, VLIVE_KEY = 0x03, VALARM_KEY = 0x04,
  VFREEZE_KEY = 0x05, VPAUSE_KEY = 0x05, VZOOM_KEY = 0x06, VSEQ_KEY = 0x07, VQUAD_KEY = 0x08,
  VCAM_1_KEY = 0x09, VCAM_32_KEY = 0x28, VSETUP_KEY = 0x29, VSELECT_KEY = 0x2A,
  VMACRO_KEY = 0x2C, VMON_B_KEY = 0x32, VCAMERA_POWER_KEY = 0x33, VWASH_KEY = 0x34,
  VAUTO_PAN_KEY = 0x35, VLIGHTS_KEY = 0x36, VWIPE_KEY = 0x37, VPRESET_KEY = 0x38,
  VFOCUS_FAR_KEY = 0x39, VFOCUS_NEAR_KEY = 0x3A, VIRIS_CLOSE_KEY = 0x3B,
  VIRIS_OPEN_KEY = 0x3C, VZOOM_IN_KEY = 0x3D, VZOOM_OUT_KEY = 0x3E, VTELEMETRY_KEY = 0x3F,
  VLEFT_ARROW_KEY = 0x40, VRIGHT_ARROW_KEY = 0x41, VUP_ARROW_KEY = 0x42,
  VDOWN_ARROW_KEY = 0x43, VUP_LEFT_KEY = 0x44, VDOWN_LEFT_KEY = 0x45, VUP_RIGHT_KEY = 0x46,
  VDOWN_RIGHT_KEY = 0x47, VALARM_SEQ_KEY = 0x4B, VALARM_CAM_1_KEY = 0x4C,
  VALARM_CAM_16_KEY = 0x5B, VSUB_MACRO_1_KEY = 0x5C, VSUB_MACRO_16_KEY = 0x6B,
  VMON_C_KEY = 0x6C, VMON_D_KEY = 0x6D, VMON_E_KEY = 0x6E, VSEARCH_KEY = 0x6F,
  VFRAME_REVERSE_KEY = 0x70, VFRAME_ADVANCE_KEY = 0x71, VPLAY_REVERSE_KEY = 0x72,
  VSTOP_KEY = 0x73, VPLAY_FORWARD_KEY = 0x74, VMON_B_REMOTE_KEY = 0x75, VMON_A_KEY = 0x82,
  VQUAD_2_KEY = 0x83, VQUAD_4_KEY = 0x84, VQUAD_6_KEY = 0x85, VQUAD_7_KEY = 0x86,
  VQUAD_9_KEY = 0x87, VQUAD_10_KEY = 0x88, VQUAD_13_KEY = 0x89, VQUAD_16_KEY = 0x8A,
  VSS_PRINT_KEY = 0x8B, VSS_ARCHIVE_KEY = 0x8C, VSPEED_UP_KEY = 0x96,
  VSPEED_DOWN_KEY = 0x97, VREMOTE_ALM_RELEASE_KEY = 0x98, VIPCAM_1_KEY = 0x99,
  VIPCAM_4_KEY = 0x9C,
};

// SPI4 name of a code, "" when unnamed or outside 0..255.
QString SPIKeyName(int code);
// V name of a code, "" when unnamed or outside 0..255.
QString VKeyName(int code);

// One panel key: the code sent over RS-232 and the one sent over Ethernet.
struct KeyPair {
  int v;
  int spi;
  friend bool operator==(const KeyPair&, const KeyPair&) = default;
};

namespace keys {
constexpr KeyPair Record{VRECORD_KEY, SPI4_RECORD_MODE};
constexpr KeyPair Play{VPLAY_FORWARD_KEY, SPI4_PLAY_FORWARD};
constexpr KeyPair PlayBackward{VPLAY_REVERSE_KEY, SPI4_PLAY_REVERSE};
constexpr KeyPair Stop{VSTOP_KEY, SPI4_LIVE_MODE};
constexpr KeyPair Pause{VPAUSE_KEY, SPI4_FREEZE};
constexpr KeyPair Search{VSEARCH_KEY, SPI4_SEARCH};
constexpr KeyPair SpeedUp{VSPEED_UP_KEY, SPI4_SPEED_UP_KEY};
constexpr KeyPair SpeedDown{VSPEED_DOWN_KEY, SPI4_SPEED_DOWN_KEY};
constexpr KeyPair Enter{VSELECT_KEY, SPI4_ENTER};
constexpr KeyPair Menu{VSETUP_KEY, SPI4_MENU_SELECT};
constexpr KeyPair Rewind{VLEFT_ARROW_KEY, SPI4_REWIND};
constexpr KeyPair StillAdvance{VUP_ARROW_KEY, SPI4_FRAME_ADVANCE};
constexpr KeyPair FastForward{VRIGHT_ARROW_KEY, SPI4_FAST_FORWARD};
constexpr KeyPair StillBack{VDOWN_ARROW_KEY, SPI4_FRAME_REVERSE};
constexpr KeyPair Zoom{VZOOM_KEY, SPI4_ZOOM_IN};
constexpr KeyPair Sequence{VSEQ_KEY, SPI4_SEQUENCE};
constexpr KeyPair AlarmSequence{VALARM_SEQ_KEY, SPI4_ALARM_SEQ};
constexpr KeyPair Quad{VQUAD_4_KEY, SPI4_QUAD_4_KEY};
constexpr KeyPair AlarmRelease{VREMOTE_ALM_RELEASE_KEY, SPI4_REMOTE_ALM_RELEASE_KEY};
constexpr KeyPair Alarm{VALARM_KEY, SPI4_ALARM_ACKNOWLEDGE};
// Camera n = 1..4; alarm mode set sends the alarm camera codes.
constexpr KeyPair Camera(int n, bool alarmMode) {
  return alarmMode ? KeyPair{0x4B + n, 0x5F + n} : KeyPair{0x08 + n, 0x2F + n};
}
// IP camera n = 1, 2.
constexpr KeyPair IpCamera(int n) { return KeyPair{0x98 + n, 0xB0 + n}; }
}  // namespace keys

// A panel key by its stable lower-case name ("record", "speed-up",
// "alarm-cam2"), as scripts give it.
struct NamedKey {
  const char* name;
  KeyPair pair;
};
// Every named key, in panel order.
std::span<const NamedKey> NamedKeys();
// The key of a name (exact, lower case); nullopt for any other text.
std::optional<KeyPair> KeyByName(const QString& name);

}  // namespace zam
