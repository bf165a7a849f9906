#pragma once
// The combo block: a unit's settings block carried in ZAM_COMBO_BLOCK_*
// frames. Unpacked into COMBO_BLOCK and packed back here only.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

#include "zamrecords.h"

namespace zam {

QString TimeZoneText(qint32 zone);  // "GMT-12:00" ... "GMT+12:00", "" outside

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
