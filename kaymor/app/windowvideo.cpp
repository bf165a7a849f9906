// The keyboard window's side of the video pane: the menu entry's click and
// the pane's part of the layout.
#include <QAction>

#include "frmZAMKeyboard.h"
#include "videopane.h"

namespace zam {

void frmZAMKeyboard::BuildVideoPane() {
  Video->Build(centralWidget(), mnuToolsVideo);
  connect(mnuToolsVideo, &QAction::triggered, this, &frmZAMKeyboard::mnuToolsVideo_Click);
}

void frmZAMKeyboard::SetVideoMenu(VideoMenu mode) { Video->SetVideoMenu(mode); }

void frmZAMKeyboard::mnuToolsVideo_Click() {
  SetVideoMenu(VideoMenu::Flip);
  ArrangeWindow();
}

// Part of the window layout: the window has its final width here.
void frmZAMKeyboard::ApplyVideoPane() { Video->Apply(width()); }

}  // namespace zam
