#pragma once
// The video pane above the connection frame: its switch (stored in the
// settings and shown as the check mark of its menu entry), the frame that
// holds the live preview, and how much of the pane's height a low screen
// takes off. The window's layout asks it for its height and lets it place
// itself once the window's width is set.
#include <QObject>

class QAction;
class QFrame;
class QWidget;

namespace zam {

class VideoPreview;

// How SetVideoMenu sets the switch.
enum class VideoMenu { FromSettings, Flip };

class VideoPane : public QObject {
  Q_OBJECT
 public:
  // The pane's top and full height, and the least height a low screen
  // leaves it, in twips.
  static constexpr int kTop = 120;
  static constexpr int kFullHeight = 7140;
  static constexpr int kMinHeight = 1800;

  explicit VideoPane(QObject* parent = nullptr);

  // Makes the pane, hidden, in container; menuItem shows the switch.
  void Build(QWidget* container, QAction* menuItem);

  // Reads the switch from "Options"/"EnableVideo" or flips it, shows it on
  // the menu entry and stores it ("-1" on, "0" off).
  void SetVideoMenu(VideoMenu mode);
  bool IsOn() const { return on_; }

  // Takes up to lackingTwips off the pane's height so that the window fits
  // the screen, keeping at least kMinHeight; 0 gives the full pane.
  void FitHeight(int lackingTwips);
  // The pane's height in twips after the cut.
  int Height() const { return kFullHeight - cut_; }

  // Shows and places the pane in a window of this width (pixels) and starts
  // the preview once, or hides the pane and stops the preview when off.
  void Apply(int windowWidth);

  QFrame* Frame() const { return frame_; }
  VideoPreview* Preview() const { return preview_; }
  bool PreviewRunning() const { return running_; }

 private:
  QFrame* frame_ = nullptr;      // picVideo
  VideoPreview* preview_ = nullptr;  // VideoPreview1
  QAction* menuItem_ = nullptr;  // mnuToolsVideo
  bool on_ = false;
  bool running_ = false;
  int cut_ = 0;  // twips taken off the height; 0 wherever the full pane fits
};

}  // namespace zam
