#pragma once
// The keyboard window as the host of the pictured keys and the PC keyboard
// poll: forwards to the window's link and widgets.
#include "panelhost.h"

namespace zam {

class frmZAMKeyboard;

class WindowPanelHost : public PanelHost {
 public:
  explicit WindowPanelHost(frmZAMKeyboard& window) : window_(window) {}

  QWidget& KeyboardWindow() override;
  void SendKey(const KeyPair& key) override;
  bool IsConnected() const override;
  bool KeyPollWanted() const override;
  bool ConnectUnderWay() const override;
  void ShowStatus(const QString& text) override;
  UnitInfoRecord& UnitInfo() override;
  std::optional<ComboBlockTarget> ComboTarget() const override;
  void RefreshAlarmLeds() override;
  void RebootSequence() override;

 private:
  frmZAMKeyboard& window_;
};

}  // namespace zam
