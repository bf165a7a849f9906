#include "panelhostimpl.h"

#include "ModSPIKeys.h"
#include "frmZAMKeyboard.h"

namespace zam {

QWidget& WindowPanelHost::KeyboardWindow() { return window_; }

void WindowPanelHost::SendKey(const KeyPair& key) {
  SendPanelKey(window_.Session.Link(), window_.EthernetChosen() ? 1 : 0, key);
}

bool WindowPanelHost::IsConnected() const { return window_.IsConnected(); }

bool WindowPanelHost::KeyPollWanted() const { return window_.Session.IsConnected(); }

bool WindowPanelHost::ConnectUnderWay() const { return !window_.cmdConnect->isEnabled(); }

void WindowPanelHost::ShowStatus(const QString& text) { window_.lblStatus->setText(text); }

UnitInfoRecord& WindowPanelHost::UnitInfo() { return window_.Session.Unit(); }

std::optional<ComboBlockTarget> WindowPanelHost::ComboTarget() const {
  if (!window_.IsEthernet()) return std::nullopt;
  return ComboBlockTarget{window_.Target(), window_.txtPassword->text(), window_.txtPort->text()};
}

void WindowPanelHost::RefreshAlarmLeds() { window_.AlarmKeyLedRefresh(); }

void WindowPanelHost::RebootSequence() { window_.RebootSequence(); }

}  // namespace zam
