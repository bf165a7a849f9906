#pragma once
// Every key of the settings store with the value read when it is missing.
// A key read with two different defaults has two entries.
namespace zam {

// What a unit accepts until its password is changed; sent as no password.
constexpr auto kDefaultPassword = "qmpv";
constexpr auto kDefaultPort = "1024";

struct SettingKey {
  const char* section;
  const char* key;
  const char* fallback;  // the value read when the key is missing
};

namespace setting {
// The link chosen in the window: 0 RS-232, 1 Ethernet.
inline constexpr SettingKey CommType{"IPAddressList", "CommType", "0"};
// The password box's text at start-up; removed at each Ethernet connect.
inline constexpr SettingKey Password{"IPAddressList", "Password", ""};
// The address list: Total entries in slots IP0, IP1, ...; the entry last chosen.
inline constexpr SettingKey AddressCount{"IPAddressList", "Total", "0"};
inline constexpr SettingKey LastAddress{"IPAddressList", "LastUsed", ""};
inline constexpr auto kAddressSection = "IPAddressList";
// The unit type of the keyboard last shown; 0 stands for 4.
inline constexpr SettingKey LastKeyboard{"Keyboard", "LastUsed", "4"};
// "Yes" while a copy of the program runs.
inline constexpr SettingKey Running{"Options", "Running", ""};
// The version that last ran; missing on the first start.
inline constexpr SettingKey Version{"Options", "Version", ""};
// Timed discovery: "0" on, "1" off; the UDP port of discovery.
inline constexpr SettingKey DiscoveryOption{"Options", "DisOption", "0"};
inline constexpr SettingKey DiscoveryPort{"Options", "DisPort", "8092"};
// The profile last chosen in the Options dialog.
inline constexpr SettingKey Profile{"Options", "IPProfile", ""};
// The video pane's switch: "-1" on, "0" off.
inline constexpr SettingKey VideoPane{"Options", "EnableVideo", "0"};
// The COM port last chosen: the window lists it when present, the Options
// dialog offers COM1 when none was chosen.
inline constexpr SettingKey WindowComPort{"RS-232", "Port", "0"};
inline constexpr SettingKey DialogComPort{"RS-232", "Port", "COM1"};
// The baud rate the unit was last found at: the window's search starts at
// 9600 without one, the Options dialog opens the port at 57600.
inline constexpr SettingKey WindowBaudRate{"RS-232", "BaudRate", "9600"};
inline constexpr SettingKey DialogBaudRate{"RS-232", "BaudRate", "57600"};
// COM port names mapped to devices ("COM1" = "/dev/ttyUSB0").
inline constexpr auto kPortsSection = "Ports";
}  // namespace setting

}  // namespace zam
