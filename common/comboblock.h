#pragma once
// The combo block: a unit's settings block carried in ZAM_COMBO_BLOCK_*
// frames. Unpacked into COMBO_BLOCK and packed back here only.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace zam {

enum ALARM_MODE : qint32 { Latched = 0, Transparent = 1, Timeout = 2, Invalid = 255 };
enum SET_OPTIONS : qint32 { Disabled = 0, Enabled = 1 };
enum TIME_FORMAT : qint32 { TIME_12HR = 0, TIME_24HR = 1 };
enum DATE_FORMAT : qint32 { MMDDYY = 0, DDMMYY = 1, YYMMDD = 2 };
enum DAYLIGHT_SAVING : qint32 { OFF = 0, USA = 1, EUR = 2, AUS = 3 };
enum TIME_ZONE : qint32 {
  GMT_1200N = 0, GMT_1100N, GMT_1000N, GMT_0900N, GMT_0800N, GMT_0700N, GMT_0600N,
  GMT_0500N, GMT_0400N, GMT_0300N, GMT_0330N, GMT_0200N, GMT_0100N, GMT_0000,
  GMT_0100P, GMT_0200P, GMT_0300P, GMT_0330P, GMT_0400P, GMT_0430P, GMT_0500P,
  GMT_0530P, GMT_0600P, GMT_0630P, GMT_0700P, GMT_0080P, GMT_0090P, GMT_0930P,
  GMT_1000P, GMT_1100P, GMT_1200P
};
QString TimeZoneText(qint32 zone);  // "GMT-12:00" ... "GMT+12:00", "" outside

struct ALARM_OPTIONS { qint32 AlarmLatch = Invalid; };
struct CAMERA_INFO { QStringList Title; quint8 Count = 0; };
struct DATE_TIME {
  qint32 TimeFormat = 0, DateFormat = 0;
  QString Value;
  qint32 Daylight = 0, TimeZone = 0;
};
struct DISPLAY_OPTIONS {
  qint32 CurrentTimeDate = 0, PlaybackTimeDate = 0, RecordCapacity = 0, LastAlarm = 0,
         RecordPlaySpeed = 0, CameraTitle = 0;
};
struct PASSWORDS { QString EthernetOld, EthernetNew; };

struct COMBO_BLOCK {
  ALARM_OPTIONS Alarms;
  CAMERA_INFO Camera;
  DATE_TIME DateTime;
  DISPLAY_OPTIONS Display;
  PASSWORDS Password;
  qint32 LockKeyboard = 0;
  QVariant Tag;
};

// Data block offsets.
namespace cbo {
constexpr int RecordCapacity = 698, LastAlarm = 699, RecordPlaySpeed = 700,
              PlaybackTimeDate = 701, Daylight = 713, TimeZone = 714, CurrentTimeDate = 928,
              TimeFormat = 929, DateFormat = 930, CameraTitle = 936, AlarmLatch = 938,
              LockKeyboard = 949, Hour = 960, Minute = 961, Second = 962, Month = 963,
              Day = 964, Year = 965, CameraCount = 2944, EthernetPassword = 3840;
constexpr int Rows240 = 240 * 16;  // 3840 bytes
}  // namespace cbo

// The block as received, kept between a get and a set.
struct RawComboBlock {
  QByteArray header;   // H bytes: payload bytes 0 .. H-1
  QByteArray data;     // D bytes as received
  QByteArray working;  // data block being packed
  qint32 P = 0;        // payload length (grown by 16 with the block)
  // Unsigned 16-bit on the wire; held wider so that no length goes negative.
  qint32 H = 0, D = 0;
  int rows = 0;        // D / 16 as received (a byte would wrap at 4096 bytes)
};

// Splits a ZAM_COMBO_BLOCK_REQUEST_RESPONSE frame; nullopt when the frame
// cannot hold the H and D it announces.
std::optional<RawComboBlock> SplitComboResponse(const QByteArray& frame);
// Fills a fresh COMBO_BLOCK. A field whose byte lies past the end of the data
// block keeps its fresh value (AlarmLatch Invalid, others 0); Value stays
// empty when the block does not reach the date bytes, and a title past the
// end is empty.
COMBO_BLOCK UnpackComboBlock(const RawComboBlock& raw);
// Packs into raw.working (always from raw.data, so packing twice is safe) and
// grows P/D by 16 when a new password goes into a 240-row block. False, with
// raw unchanged, when Value is not a date ("M/D/YYYY H:m:s", seconds
// optional), the block is too short for the date bytes, or a new password
// has no place (fewer than 240 rows). A 3-character password gets a 00 as
// its 4th byte.
bool PackComboBlock(const COMBO_BLOCK& block, RawComboBlock& raw);
// The ZAM_COMBO_BLOCK_SEND frame from a packed block; empty when raw holds
// no block.
QByteArray BuildComboBlockSend(const RawComboBlock& raw);

// Unit side (simulator). The reply frame of a block: header bytes 0-3 are
// set to H and D; a header shorter than 6 bytes is padded with zeros.
QByteArray BuildComboResponse(const QByteArray& header, const QByteArray& data);
// Reads a ZAM_COMBO_BLOCK_SEND frame: H, the 16-bit P of bytes 2-3, header
// bytes 6 .. H-1, the data block (payload bytes H .. P-1).
struct ComboSend { qint32 H = 0; quint16 P16 = 0; QByteArray header; QByteArray data; };
std::optional<ComboSend> ParseComboSend(const QByteArray& frame);
// A plausible block of the given rows: titles "Camera n" and the count of
// `cameras`, 12/7/2023 14:30:5, latched alarms, and at more than 240 rows
// the password "qmpv".
QByteArray DefaultComboData(int rows, int cameras);

}  // namespace zam
