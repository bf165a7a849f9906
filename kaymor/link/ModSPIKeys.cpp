#include "ModSPIKeys.h"

#include "debuglog.h"
#include "tcpadapter.h"
#include "unitlink.h"
#include "zamtcp.h"

namespace zam {

bool SendSPIKey(int code, TcpAdapter& socket) {
  if (socket.State() != sckConnected) return false;
  // Only a byte travels: a code outside it is refused before anything is sent.
  if (code < 0 || code > 0xFF) return false;
  const QByteArray frame = BuildSpiKeyFrame(static_cast<quint8>(code));
  const bool sent = socket.SendData(frame);
  WriteDebugLog(QStringLiteral("SendSPIKey: (0x%1, %2)")
                    .arg(QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0')),
                         SPIKeyName(code)));
  return sent;
}

void SendPanelKey(UnitLink& link, int commTypeIndex, const KeyPair& key) {
  if (commTypeIndex == 0) link.SendCOMMsg(SerialKey, key.v, 0);
  if (commTypeIndex == 1) SendSPIKey(key.spi, link.wskClient);
}

}  // namespace zam
