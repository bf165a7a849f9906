#pragma once
// The keyboard window's video pane as the tests see it: they reach the pane
// only through these, so the pane can move without touching every test.
#include <QFrame>

#include "VideoPreview.h"
#include "frmZAMKeyboard.h"
#include "videopane.h"

namespace videotest {

// picVideo, the frame that holds the preview.
inline QFrame* PaneFrame(const zam::frmZAMKeyboard& w) { return w.Video->Frame(); }
// VideoPreview1, the live picture.
inline zam::VideoPreview* Preview(const zam::frmZAMKeyboard& w) { return w.Video->Preview(); }
// The pane started the preview and has not stopped it since.
inline bool PreviewRunning(const zam::frmZAMKeyboard& w) { return w.Video->PreviewRunning(); }

}  // namespace videotest
