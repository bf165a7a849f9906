#pragma once
// Serial messages to a unit and its 16-byte replies, for the keyboard
// window, the network settings page and the unit simulator.
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace zam {

constexpr int kSerialReplySize = 16;

// Block numbers the program reads or writes.
constexpr quint8 kBlockInfo = 0x01;      // kind 3
constexpr quint8 kBlockReboot = 0x05;    // kind 5, d0 = 1
constexpr quint8 kBlockUnit = 0xB9;      // unit type and name
constexpr quint8 kBlockAlarm = 0x3B;     // alarm mode at byte 10
constexpr quint8 kBlockLed = 0xB6;       // LED bits at byte 9 (version 1.4 on)
constexpr quint8 kBlockLedOld = 0xC2;    // LED bits at byte 15 (before 1.4)
constexpr quint8 kBlockSettings = 0xC2;  // the settings page's network block

// Main window messages (SendCOMMsg): kind 1 FF 55 k (3 bytes); kind 2
// FF BB 11 FF b + 17 zeros; kind 3 FF DD 11 FF b + 17 zeros; kind 5
// FF CC 11 FF b d0..d15 00 (22 bytes). Any other kind, or a kind 1 code
// outside 0..255, gives an empty array. data holds up to 16 bytes for kind
// 5, missing ones are 0.
QByteArray BuildSerialMessage(int kind, int code, quint8 block, const QByteArray& data = {});

// Network settings page messages (SendPortMsg): kind 1 FF 55 c (3 bytes);
// kind 2 FF BB 11 FF b; kind 3 FF DD 11 FF b; kind 4 FF AA 11 FE b c;
// kind 5 FF CC 11 FE b c; all but kind 1 zero-filled to 22 bytes.
QByteArray BuildPortMessage(int kind, quint8 code, quint8 block);

// Settings write: FF AA 11 FE C2, modes, address, mask, gateway, 00 00 00.
QByteArray BuildSettingsWrite(quint8 ethernetMode, quint8 dhcpMode,
                              const std::array<quint8, 4>& ip,
                              const std::array<quint8, 4>& mask,
                              const std::array<quint8, 4>& gateway);

// What the unit reads from a request (simulator side).
struct SerialRequest {
  enum class Kind { Key, ReadBlock, ReadInfo, WriteBlock, WriteSettings, PortCommand, Unknown };
  Kind kind = Kind::Unknown;
  quint8 code = 0;     // key code (Key) or command byte c (PortCommand)
  quint8 block = 0;
  QByteArray data;     // 16 data bytes of WriteBlock; 14 settings bytes of WriteSettings
                       // (modes, address, mask, gateway)
  bool settingsPage = false;  // byte 3 was 0xFE
};
// Splits a stream head into one request; returns how many bytes it used:
// 0 when more bytes are needed; for bytes that begin no request, the count
// up to the next FF, with kind Unknown.
int ParseSerialRequest(const QByteArray& stream, SerialRequest& out);

// Replies (exactly 16 bytes, or nullopt).
struct InfoBlock {
  QString macAddress;  // bytes 0-5
  quint8 versionMajor = 0, versionMinor = 0;
  QString version;     // "1.20": minor as two digits
  QString modelId;     // bytes 10, 11 as upper-case hex, "0169"
};
std::optional<InfoBlock> ParseInfoBlock(const QByteArray& reply);

struct UnitBlock {
  quint8 unitType = 0;  // byte 0
  QString name;         // bytes 2-15 up to the first 0, trimmed
};
std::optional<UnitBlock> ParseUnitBlock(const QByteArray& reply);
std::optional<quint8> ParseAlarmBlock(const QByteArray& reply);  // byte 10
// LED byte: block 0xB6 byte 9 when newFormat (version 1.4 on), else 0xC2 byte 15.
std::optional<quint8> ParseLedBlock(const QByteArray& reply, bool newFormat);

struct EthernetSettingsBlock {
  quint8 ethernetMode = 0, dhcpMode = 0;
  QString ipAddress, subnetMask, gateway;  // dotted decimal
};
std::optional<EthernetSettingsBlock> ParseSettingsBlock(const QByteArray& reply);

// Unit side: the 16-byte replies.
QByteArray BuildInfoBlock(const QByteArray& mac6, quint8 major, quint8 minor, quint16 modelId);
QByteArray BuildUnitBlock(quint8 unitType, const QByteArray& name);
QByteArray BuildAlarmBlock(quint8 alarmMode);
QByteArray BuildLedBlock(quint8 ledBits, bool newFormat);
// Byte 15, unused by the settings page, holds the LED bits for the LED poll
// of units before 1.4, which reads this same block.
QByteArray BuildSettingsBlock(quint8 ethernetMode, quint8 dhcpMode,
                              const std::array<quint8, 4>& ip,
                              const std::array<quint8, 4>& mask,
                              const std::array<quint8, 4>& gateway, quint8 ledBits = 0);

}  // namespace zam
