#pragma once
// The conversation with one unit over TCP or the serial line: sends, the
// receive path, reply waits, login, detection and the LED and reboot
// requests. The keyboard window owns one and decides what the results mean
// for its status line and state.
#include <QObject>
#include <QString>
#include <optional>

#include "serialadapter.h"
#include "tcpadapter.h"
#include "zamtcp.h"

namespace zam {

// What is known of the connected unit.
struct UnitInfoRecord {
  QString Name;
  QString MacAddress;
  QString Version;
  quint8 UnitType = 0;  // 1 or 4; 0 until a unit has answered
  QString ModelID;      // serial only, "0169"
  qint32 AlarmMode = 0;
  QString Message;      // last detection failure text
  // The alarm mode was read for the current run of alarm key presses.
  bool AlarmModeRead = false;
  void Reset() { *this = UnitInfoRecord(); }
};

// Leading number of a version text as the link compares it ("1.20" is 1.2).
double VersionValue(const QString& version);

// Serial message kinds of SendCOMMsg.
enum SerialKind : int { SerialKey = 1, SerialReadBlock = 2, SerialReadInfo = 3, SerialWriteBlock = 5 };

class UnitLink : public QObject {
  Q_OBJECT
 public:
  explicit UnitLink(QObject* parent = nullptr);

  // How long each TCP request waits for its reply, in seconds.
  static constexpr int kLoginWaitS = 5;
  static constexpr int kStatusWaitS = 5;
  static constexpr int kLedWaitS = 2;
  static constexpr int kRebootWaitS = 5;

  // Whether the serial baud search stores the rate it found (the window
  // does; a command-line run leaves the settings file alone).
  enum class RateMemory { Save, ReadOnly };
  RateMemory BaudRateMemory = RateMemory::Save;

  TcpAdapter wskClient;
  SerialAdapter MSComm1;
  FrameAssembler RxUUTTCP{FrameAssembler::Rule::Keyboard};
  // Complete frames received since the last request went out, oldest first.
  // TCP joins and splits the unit's writes freely, so one read may complete
  // several frames; each wait looks for its type among all of them.
  QList<QByteArray> RxFrames;
  // The frame the last successful wait took from RxFrames.
  QByteArray ReplyFrame;
  UnitInfoRecord UnitInfo;
  // Result of the last reboot; while true every TCP wait ends at once.
  bool RebootDone = false;

  // Sends a frame of msgType (the login request carries password's code)
  // when the socket is connected; forgets the frames received before.
  bool SendTCPMsg(qint32 msgType, const QString& password = QString());
  // Writes one serial message when the port is open, then logs it.
  bool SendCOMMsg(int kind, int code, quint8 param, const QByteArray& data = QByteArray());
  // Waits, running events, for a complete frame of msgType among the frames
  // received since the request; on success ReplyFrame holds it. A status
  // wait returns false early once the status record named a unit type.
  bool WaitForMsgType(qint32 msgType, double timeoutSeconds);

  // Connects the socket when needed and logs in; errMsg gets the reason of
  // a refusal and keeps its value on a time-out.
  bool ConnectionRequest(const QString& host, const QString& password, const QString& port,
                         QString& errMsg);
  // Identifies the unit over the link of the window: ethernet or serial.
  void DetectUnit(bool ethernet);
  // Serial: finds the baud rate (the stored one first) and reads the info
  // block into UnitInfo.
  void ReadUnitInfo();

  // Serial: waits at most timeoutMs for exactly 16 bytes and reads them.
  std::optional<QByteArray> ReadSerialReply(int timeoutMs);
  // One LED request and its reply.
  struct LedReply {
    enum Outcome { NotSent, NoReply, Reply } outcome = NotSent;
    quint8 bits = 0;
  };
  LedReply RequestLedTcp();
  LedReply RequestLedSerial();
  // Sends the reboot command; true when it went out (serial) or was
  // acknowledged (TCP).
  bool RebootUnit(bool ethernet);

 private slots:
  void wskClient_DataArrival(qint64 bytesTotal);
};

}  // namespace zam
