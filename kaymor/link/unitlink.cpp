#include "unitlink.h"

#include <QRegularExpression>

#include <algorithm>

#include "debuglog.h"
#include "eventpump.h"
#include "keycodes.h"
#include "settingsstore.h"
#include "zamserial.h"

namespace zam {

namespace {
constexpr int kConnectWaitMs = 5000;
constexpr int kDetectWaitMs = 5000;
constexpr int kLedSerialWaitMs = 300;
constexpr int kBaudRates[] = {57600, 38400, 19200, 9600, 4800, 2400, 1200};
// Frames nobody waits for (a unit may send some unasked) are kept this deep.
constexpr int kMaxQueuedFrames = 32;
}  // namespace

double VersionValue(const QString& version) {
  static const QRegularExpression number(QStringLiteral("^\\s*[0-9]*(\\.[0-9]*)?"));
  const QString head = number.match(version).captured(0).trimmed();
  return head.toDouble();
}

UnitLink::UnitLink(QObject* parent) : QObject(parent) {
  connect(&wskClient, &TcpAdapter::DataArrival, this, &UnitLink::wskClient_DataArrival);
}

bool UnitLink::SendTCPMsg(qint32 msgType, const QString& password) {
  const QByteArray frame = msgType == ZAM_CONNECTION_REQUEST
                               ? BuildConnectionRequest(kClientKeyboard, password)
                               : BuildFrame(msgType);
  if (frame.isEmpty()) return false;
  if (wskClient.State() != sckConnected) return false;
  // A frame still under way is kept: its end may share a read with the reply.
  RxFrames.clear();
  ReplyFrame.clear();
  return wskClient.SendData(frame);
}

bool UnitLink::SendCOMMsg(int kind, int code, quint8 param, const QByteArray& data) {
  if (!MSComm1.IsOpen()) return false;
  const QByteArray message = BuildSerialMessage(kind, code, param, data);
  const bool ok = MSComm1.Write(message);
  WriteDebugLog(QStringLiteral("SendCOMMsg: (%1, %2)").arg(code).arg(VKeyName(code)));
  return ok;
}

bool UnitLink::WaitForMsgType(qint32 msgType, double timeoutSeconds) {
  bool arrived = false;
  PumpUntil(
      [&] {
        if (RebootDone) return true;
        const auto match = std::find_if(RxFrames.cbegin(), RxFrames.cend(),
                                        [msgType](const QByteArray& f) { return FrameType(f) == msgType; });
        if (match == RxFrames.cend()) return false;
        if (msgType == ZAM_STATUS_RESPONSE) return UnitInfo.UnitType != 0;
        ReplyFrame = *match;
        RxFrames.erase(match);
        arrived = true;
        return true;
      },
      static_cast<int>(timeoutSeconds * 1000));
  return arrived && !RebootDone;
}

void UnitLink::wskClient_DataArrival(qint64 bytesTotal) {
  const QByteArray chunk = wskClient.GetData(bytesTotal);
  const QList<QByteArray> frames = RxUUTTCP.Feed(chunk);
  for (const QByteArray& frame : frames) {
    const auto type = FrameType(frame);
    if (!type) continue;
    RxFrames.append(frame);
    if (RxFrames.size() > kMaxQueuedFrames) RxFrames.removeFirst();
    if (*type == ZAM_STATUS_RESPONSE) {
      const StatusRecord status = ParseStatusReply(frame);
      UnitInfo.UnitType = status.unitType;
      UnitInfo.Version = status.version;
      UnitInfo.Name = status.name;
      UnitInfo.MacAddress = status.macAddress;
    }
  }
}

bool UnitLink::ConnectionRequest(const QString& host, const QString& password, const QString& port,
                                 QString& errMsg) {
  if (wskClient.State() != sckConnected) {
    wskClient.Close();
    // Nothing of an earlier connection's stream continues on a new one.
    RxUUTTCP.Reset();
    RxFrames.clear();
    bool ok = false;
    const uint portNumber = port.trimmed().toUInt(&ok);
    wskClient.Connect(host, ok && portNumber <= 0xFFFF ? static_cast<quint16>(portNumber) : 0);
    const bool settled = PumpUntil(
        [&] {
          const int s = wskClient.State();
          return s == sckConnected || s == sckClosing || s == sckError;
        },
        kConnectWaitMs);
    if (!settled) return false;
  }
  bool result = false;
  if (SendTCPMsg(ZAM_CONNECTION_REQUEST, password))
    result = WaitForMsgType(ZAM_CONNECTION_RESPONSE, UnitLink::kLoginWaitS);
  if (!result) return false;
  const auto reply = ParseLoginReply(ReplyFrame);
  if (!reply) return false;
  if (!IsKeyboardUnitClass(reply->unitClass)) {
    errMsg = QStringLiteral("The unit is not Marlox");
    return false;
  }
  if (reply->result == 0) {
    errMsg = QStringLiteral("Connection was rejected");
    return false;
  }
  if (reply->result == 2) {
    errMsg = QStringLiteral("Invalid password");
    return false;
  }
  return true;
}

std::optional<QByteArray> UnitLink::ReadSerialReply(int timeoutMs) {
  if (!PumpUntil([&] { return MSComm1.InBufferCount() == kSerialReplySize; }, timeoutMs))
    return std::nullopt;
  return MSComm1.Read(kSerialReplySize);
}

void UnitLink::ReadUnitInfo() {
  int baud = GetSetting(setting::WindowBaudRate).toInt();
  auto tryRate = [&](int rate, int waitMs) {
    MSComm1.ClearBuffers();
    MSComm1.SetSettings(QStringLiteral("%1,n,8,1").arg(rate));
    SendCOMMsg(SerialReadInfo, 0, kBlockInfo);
    // A fixed pause at each rate; a complete reply ends it early.
    return PumpUntil([&] { return MSComm1.InBufferCount() == kSerialReplySize; }, waitMs);
  };
  bool answered = tryRate(baud, 500);
  if (!answered) {
    for (int rate : kBaudRates) {
      if (rate == baud) continue;
      if (tryRate(rate, 1000)) {
        baud = rate;
        answered = true;
        break;
      }
    }
  }
  if (answered) {
    if (const auto info = ParseInfoBlock(MSComm1.Read(kSerialReplySize))) {
      UnitInfo.MacAddress = info->macAddress;
      UnitInfo.Version = info->version;
      UnitInfo.ModelID = info->modelId;
    }
  }
  if (BaudRateMemory == RateMemory::Save) SaveSetting(setting::WindowBaudRate, QString::number(baud));
}

void UnitLink::DetectUnit(bool ethernet) {
  if (ethernet) {
    if (SendTCPMsg(ZAM_STATUS_REQUEST)) WaitForMsgType(ZAM_STATUS_RESPONSE, UnitLink::kStatusWaitS);
    return;
  }
  ReadUnitInfo();
  if (UnitInfo.ModelID != QLatin1String("0169") && UnitInfo.ModelID != QLatin1String("0175")) {
    UnitInfo.Message = UnitInfo.ModelID.isEmpty() ? QStringLiteral("Could not detect the unit")
                                                  : QStringLiteral("The unit is not Marlox");
    return;
  }
  if (VersionValue(UnitInfo.Version) < 1.2) {
    UnitInfo.Message = QStringLiteral("Require V1.20 or greater. The unit's version is ") + UnitInfo.Version;
    return;
  }
  MSComm1.ClearBuffers();
  SendCOMMsg(SerialReadBlock, 0, kBlockUnit);
  const auto unitBlock = ReadSerialReply(kDetectWaitMs);
  const auto parsedUnit = unitBlock ? ParseUnitBlock(*unitBlock) : std::nullopt;
  if (!parsedUnit) {
    UnitInfo.Message = QStringLiteral("Could not detect the unit");
    return;
  }
  UnitInfo.UnitType = parsedUnit->unitType;
  UnitInfo.Name = parsedUnit->name;
  // A unit that names no type is not usable: say so instead of an empty reason.
  if (UnitInfo.UnitType == 0) UnitInfo.Message = QStringLiteral("Could not detect the unit");

  MSComm1.ClearBuffers();
  SendCOMMsg(SerialReadBlock, 0, kBlockAlarm);
  const auto alarmBlock = ReadSerialReply(kDetectWaitMs);
  const auto alarm = alarmBlock ? ParseAlarmBlock(*alarmBlock) : std::nullopt;
  if (alarm)
    UnitInfo.AlarmMode = *alarm;
  else
    UnitInfo.Message = QStringLiteral("Could not detect the unit");
}

UnitLink::LedReply UnitLink::RequestLedTcp() {
  LedReply r;
  if (!SendTCPMsg(ZAM_LED_STATUS_REQUEST)) return r;
  r.outcome = LedReply::NoReply;
  if (!WaitForMsgType(ZAM_LED_STATUS_RESPONSE, UnitLink::kLedWaitS)) return r;
  const auto bits = ParseLedReply(ReplyFrame);
  if (!bits) return r;
  r.outcome = LedReply::Reply;
  r.bits = *bits;
  return r;
}

UnitLink::LedReply UnitLink::RequestLedSerial() {
  LedReply r;
  const bool newFormat = VersionValue(UnitInfo.Version) >= 1.4;
  MSComm1.ClearBuffers();
  if (!SendCOMMsg(SerialReadBlock, 0, newFormat ? kBlockLed : kBlockLedOld)) return r;
  r.outcome = LedReply::NoReply;
  const auto reply = ReadSerialReply(kLedSerialWaitMs);
  if (!reply) return r;
  const auto bits = ParseLedBlock(*reply, newFormat);
  if (!bits) return r;
  r.outcome = LedReply::Reply;
  r.bits = *bits;
  return r;
}

bool UnitLink::RebootUnit(bool ethernet) {
  if (!ethernet) {
    QByteArray data(16, '\0');
    data[0] = 1;
    return SendCOMMsg(SerialWriteBlock, 0, kBlockReboot, data);
  }
  if (!SendTCPMsg(ZAM_REBOOT_REQUEST)) return false;
  return WaitForMsgType(ZAM_REBOOT_RESPONSE, UnitLink::kRebootWaitS);
}

}  // namespace zam
