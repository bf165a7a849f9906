#pragma once
// The live picture of the video pane: the system's default capture device
// through Qt Multimedia, or a plain placeholder when there is none. The
// window only starts, stops and places it. The multimedia side is a module
// loaded at the first start (videosource.h).
#include <QString>
#include <QWidget>
#include <memory>

class QLabel;

namespace zam {

class VideoSource;

class VideoPreview : public QWidget {
  Q_OBJECT
 public:
  explicit VideoPreview(QWidget* parent = nullptr);
  ~VideoPreview() override;

  // Both return at once; the device is opened or released from the event
  // loop, so a slow camera never holds up the window.
  void Start();
  void Stop();

  // Placement inside the container, in twips.
  void SetLeft(int twips);
  void SetTop(int twips);
  void SetWidth(int twips);
  void SetHeight(int twips);
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;

  // Between a start and the next stop.
  bool IsRunning() const { return wanted_; }
  // The text shown instead of a picture ("" while a picture is shown or
  // nothing was started yet).
  QString PlaceholderText() const;
  // Calls so far, for the window's tests.
  int StartCalls() const { return startCalls_; }
  int StopCalls() const { return stopCalls_; }

  static const char* const kNoDevice;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Schedule();
  void Apply();
  void OpenCamera();
  void ReleaseCamera();
  void ShowPlaceholder(const QString& text);

  QLabel* placeholder_ = nullptr;
  // Stays empty in a build without Qt Multimedia, or when the module is missing.
  std::unique_ptr<VideoSource> source_;
  bool sourceLoaded_ = false;
  bool wanted_ = false;
  bool scheduled_ = false;
  int startCalls_ = 0;
  int stopCalls_ = 0;
};

}  // namespace zam
