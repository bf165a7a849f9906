// The records a host exchanges with the Corvel controls: what discovery
// lists, what a set-IP request carries, and a unit's settings block with its
// enumerations. Plain values only; how they travel is the business of the
// library.
#ifndef ZAM_RECORDS_H
#define ZAM_RECORDS_H

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>

namespace zam {

/// One unit found by discovery.
struct DISCOVER_UDP_INFO {
  quint8 UnitIDVal = 0;     ///< Unit type byte (0x80 .. 0x83 for the known types).
  QString UnitIDStr;        ///< Unit type name ("ZAM1" ...), empty when unknown.
  QString IPAddress;        ///< Dotted IPv4 address of the unit.
  QString ModelName;        ///< Model name as the unit reports it.
  QString SerialNo;         ///< Serial number; one entry per serial number is listed.
  QString MACAddress;       ///< "XX-XX-XX-XX-XX-XX", "N/A" when the reply holds none.
  quint8 StreamModeVal = 0; ///< Stream mode byte.
  QString StreamModeStr;    ///< Stream mode name, empty when unknown.
  QString Version;          ///< Firmware version text.
  qint32 ListenPort = 0;    ///< Control port the unit listens on.
  QVariant Tag;             ///< Free for the host.
};

/// New IP settings for one unit, sent by UDP::DiscoverySetIP.
struct DISCOVER_SET_IP_REQ {
  QString MACAddress;       ///< The unit addressed, "XX-XX-XX-XX-XX-XX".
  QString Password;         ///< The unit's network password.
  quint8 DHCP = 0;          ///< 1: the unit takes its address by DHCP.
  QString IPAddress;        ///< New dotted IPv4 address.
  QString SubnetMask;       ///< New dotted subnet mask.
  QString Gateway;          ///< New dotted gateway address.
  qint32 CtrlPort_Rx = 0;   ///< Control port the unit listens on.
  qint32 CtrlPort_Tx = 0;   ///< Port the unit answers to; 0: the sending socket's port.
  QVariant Tag;             ///< On failure, the unit's reply text (empty: no answer).
};

/// Alarm latch modes.
enum ALARM_MODE : qint32 { Latched = 0, Transparent = 1, Timeout = 2, Invalid = 255 };
/// Off/on settings of the block.
enum SET_OPTIONS : qint32 { Disabled = 0, Enabled = 1 };
/// Clock formats.
enum TIME_FORMAT : qint32 { TIME_12HR = 0, TIME_24HR = 1 };
/// Date formats.
enum DATE_FORMAT : qint32 { MMDDYY = 0, DDMMYY = 1, YYMMDD = 2 };
/// Daylight saving rules.
enum DAYLIGHT_SAVING : qint32 { OFF = 0, USA = 1, EUR = 2, AUS = 3 };
/// Time zones, GMT-12:00 (0) to GMT+12:00 (30).
enum TIME_ZONE : qint32 {
  GMT_1200N = 0, GMT_1100N, GMT_1000N, GMT_0900N, GMT_0800N, GMT_0700N, GMT_0600N,
  GMT_0500N, GMT_0400N, GMT_0300N, GMT_0330N, GMT_0200N, GMT_0100N, GMT_0000,
  GMT_0100P, GMT_0200P, GMT_0300P, GMT_0330P, GMT_0400P, GMT_0430P, GMT_0500P,
  GMT_0530P, GMT_0600P, GMT_0630P, GMT_0700P, GMT_0080P, GMT_0090P, GMT_0930P,
  GMT_1000P, GMT_1100P, GMT_1200P
};

/// Alarm settings of the block.
struct ALARM_OPTIONS {
  qint32 AlarmLatch = Invalid;  ///< An ALARM_MODE; Invalid when the block does not hold it.
};
/// Camera settings of the block.
struct CAMERA_INFO {
  QStringList Title;  ///< One title per camera.
  quint8 Count = 0;   ///< Number of cameras.
};
/// Clock settings of the block.
struct DATE_TIME {
  qint32 TimeFormat = 0;  ///< A TIME_FORMAT.
  qint32 DateFormat = 0;  ///< A DATE_FORMAT.
  QString Value;          ///< "M/D/YYYY H:m:s"; empty when the block holds no date.
  qint32 Daylight = 0;    ///< A DAYLIGHT_SAVING.
  qint32 TimeZone = 0;    ///< A TIME_ZONE.
};
/// What the unit shows on screen (SET_OPTIONS each).
struct DISPLAY_OPTIONS {
  qint32 CurrentTimeDate = 0, PlaybackTimeDate = 0, RecordCapacity = 0, LastAlarm = 0,
         RecordPlaySpeed = 0, CameraTitle = 0;
};
/// Network password change: empty EthernetNew keeps the password.
struct PASSWORDS { QString EthernetOld, EthernetNew; };

/// A unit's settings block, read by ComboBlock::GetComboBlock and written
/// back by ComboBlock::SetComboBlock.
struct COMBO_BLOCK {
  ALARM_OPTIONS Alarms;
  CAMERA_INFO Camera;
  DATE_TIME DateTime;
  DISPLAY_OPTIONS Display;
  PASSWORDS Password;
  qint32 LockKeyboard = 0;  ///< A SET_OPTIONS.
  QVariant Tag;             ///< Free for the host.
};

}  // namespace zam

#endif  // ZAM_RECORDS_H
