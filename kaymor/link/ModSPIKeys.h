#pragma once
// Sending one panel key to the unit: the Ethernet key frame, and the rule
// that picks the code of a key pair for the current link.
#include "keycodes.h"

namespace zam {

class TcpAdapter;
class UnitLink;

// Sends the key frame FF FF 04 02 00 00 00 01 code when the socket is
// connected; true when the socket took it. Writes the "SendSPIKey: (0x.."
// debug line after a send attempt, also a failed one. The receive record is
// left as it is: no reply is awaited.
bool SendSPIKey(int code, TcpAdapter& socket);

// Sends a key pair over the link chosen in cboCommType: index 0 (RS-232)
// the V code as a serial key message, index 1 (Ethernet) the SPI4 code;
// any other index sends nothing. Results are not reported.
void SendPanelKey(UnitLink& link, int commTypeIndex, const KeyPair& key);

}  // namespace zam
