#pragma once
// TCP frames between the PC and a unit: FF FF, two type bytes, 32-bit
// big-endian payload length, payload. Built and read only here, by the
// keyboard program, the combo-block control and the unit simulator alike.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace zam {

enum ZAM_TCP_MSG : qint32 {
  ZAM_CLEAR_MSG = 0x00000000,
  ZAM_SPI_KEY = 0x04020000,
  ZAM_COMBO_BLOCK_REQUEST = 0x04030000,
  ZAM_COMBO_BLOCK_SEND = 0x04040000,
  ZAM_CONNECTION_REQUEST = 0x05000000,
  ZAM_STATUS_REQUEST = 0x05010000,
  ZAM_LED_STATUS_REQUEST = 0x05020000,
  ZAM_REBOOT_REQUEST = 0x100A0000,
  ZAM_COMBO_BLOCK_REQUEST_RESPONSE = 0x68030000,
  ZAM_COMBO_BLOCK_SEND_RESPONSE = 0x68040000,
  ZAM_CONNECTION_RESPONSE = 0x69000000,
  ZAM_STATUS_RESPONSE = 0x69010000,
  ZAM_LED_STATUS_RESPONSE = 0x69020000,
  ZAM_REBOOT_RESPONSE = 0x740A0000,
};

// Client bytes of the login request.
constexpr quint8 kClientKeyboard = 0x14;
constexpr quint8 kClientComboBlock = 0x02;

// No real reply comes near this; a larger length field is refused unread.
constexpr qint64 kMaxFramePayload = 1 << 20;

// Reply type of a request: high byte + 0x64, second byte unchanged.
qint32 ReplyType(qint32 requestType);

// Sum of character code^position for a 3- or 4-character password, 0 when
// the length differs or the sum leaves the signed 32-bit range.
qint32 PasswordToCode(const QByteArray& password);
qint32 PasswordToCode(const QString& password);  // Latin-1 characters

// "00000101" for 5: eight characters, most significant bit first.
QString ByteToBits(quint8 value);

// A frame of the given type with the given payload (length from the payload).
QByteArray BuildFrame(qint32 msgType, const QByteArray& payload = {});
// Login request: 13 bytes, client byte and password code big-endian.
QByteArray BuildConnectionRequest(quint8 clientByte, const QString& password);
// Key frame FF FF 04 02 00 00 00 01 k.
QByteArray BuildSpiKeyFrame(quint8 code);

// Type code of a frame, (byte2 << 24) | (byte3 << 16); nullopt when shorter than 4.
std::optional<qint32> FrameType(const QByteArray& frame);
// Payload length from header bytes 4-7; nullopt when shorter than 8.
std::optional<quint32> FramePayloadLength(const QByteArray& frame);

// The receive record of one connection (RxUUTTCP).
// Data and MsgType describe the last complete frame; the counts describe the
// frame being assembled, whose bytes the assembler keeps apart, so that the
// start of a following frame never overwrites a frame already complete.
struct RxRecord {
  QByteArray Data;          // the last complete frame, header included
  qint32 Received = 0;      // bytes of the current frame so far
  qint32 TotalLength = 0;   // 8 + payload length
  qint32 PayloadLength = 0;
  qint32 MsgType = ZAM_CLEAR_MSG;  // type of the last complete frame
  void Reset() { *this = RxRecord(); }
};

// Assembles arriving chunks into frames.
//  Keyboard rule: a chunk starting FF FF starts a new frame.
//  ComboBlock rule: a chunk starts a frame only when it starts FF FF, its
//  third byte is 0x64..0x74 and its fourth is not 0xFF.
// A header split over chunks is buffered until all 8 bytes are there, bytes
// after a complete frame are taken as the start of the next chunk, and a
// length field above kMaxFramePayload drops the frame without allocating and
// resets the record. Bytes that continue no frame are dropped.
class FrameAssembler {
 public:
  enum class Rule { Keyboard, ComboBlock };
  explicit FrameAssembler(Rule rule = Rule::Keyboard) : rule_(rule) {}

  RxRecord& Record() { return rx_; }
  const RxRecord& Record() const { return rx_; }
  void Reset();

  // True when this chunk would start a new frame under the rule.
  bool StartsFrame(const QByteArray& chunk) const;

  // Feeds one chunk. Returns the frames completed by this chunk, in order;
  // Record().MsgType holds the last one's type and Record().Data its bytes.
  // An unfinished frame at the end of the chunk is kept for the next one.
  QList<QByteArray> Feed(const QByteArray& chunk);

 private:
  bool MayStartFrame(const QByteArray& bytes) const;

  Rule rule_;
  RxRecord rx_;
  QByteArray building_;           // the frame being assembled
  QByteArray pendingHeader_;      // a frame start shorter than 8 bytes
  bool pendingAccepted_ = false;  // its start was already taken (not yet decidable otherwise)
  bool inFrame_ = false;
};

// What the keyboard program reads from replies (offsets are frame offsets).
struct LoginReply {
  quint8 result = 0;     // byte 8: 0 rejected, 1 accepted, 2 wrong password
  quint8 unitClass = 0;  // byte 11: 0x80/0x81 for a keyboard-protocol unit
};
std::optional<LoginReply> ParseLoginReply(const QByteArray& frame);
bool IsKeyboardUnitClass(quint8 unitClass);

struct StatusRecord {
  // Each field is there only when the frame holds all of its bytes.
  std::optional<quint8> unitType;    // byte 107
  std::optional<QString> version;    // byte 35 "." byte 36, decimal
  std::optional<QString> name;       // bytes 60-79 up to the first 0, trimmed
  std::optional<QString> name2;      // bytes 80-99, same form
  std::optional<QString> macAddress; // bytes 100-105, "00-0A-1B-2C-3D-4E"
  // The frame holds every field.
  bool complete = false;
};
StatusRecord ParseStatusReply(const QByteArray& frame);
// Size of a whole status reply frame.
inline constexpr int kStatusReplySize = 108;
// LED bits at frame byte 9.
std::optional<quint8> ParseLedReply(const QByteArray& frame);

// Unit side (simulator): replies as a unit sends them.
QByteArray BuildLoginReply(quint8 result, quint8 unitClass);
struct StatusFields {
  quint8 versionMajor = 1, versionMinor = 40;
  QByteArray name, name2;
  QByteArray mac = QByteArray(6, '\0');
  quint8 unitType = 4;
};
QByteArray BuildStatusReply(const StatusFields& fields);  // 108-byte frame
QByteArray BuildLedReply(quint8 ledBits);
QByteArray BuildRebootReply();
// What a unit reads from a login request: client byte and password code
// (payload bytes 0 and 1-4); nullopt for another type or a short payload.
struct LoginRequest {
  quint8 clientByte = 0;
  qint32 code = 0;
};
std::optional<LoginRequest> ParseConnectionRequest(const QByteArray& frame);
// The key code of a ZAM_SPI_KEY frame (payload byte 0); nullopt without one.
std::optional<quint8> ParseSpiKeyFrame(const QByteArray& frame);

// "00-0A-1B-2C-3D-4E" from six bytes.
QString MacToText(const QByteArray& sixBytes);

}  // namespace zam
