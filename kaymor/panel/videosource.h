#pragma once
// The camera side of the video pane. It lives in a module of its own
// (kaymor_video.so) that links the multimedia libraries; the program loads it
// the first time the pane is switched on, so that a start with the pane off
// never loads them.
#include <QString>
#include <functional>

class QRect;
class QWidget;

namespace zam {

class VideoSource {
 public:
  virtual ~VideoSource() = default;
  // Opens the default capture device and shows its picture in a widget of
  // its own inside the parent. Returns "" when the picture shows, otherwise
  // the text to show instead. failed is called with such a text when the
  // device fails later.
  virtual QString Open(const std::function<void(const QString&)>& failed) = 0;
  virtual bool IsOpen() const = 0;
  // Frees the device; the picture widget stays for the next open.
  virtual void Release() = 0;
  virtual void SetGeometry(const QRect& rect) = 0;
  virtual void Hide() = 0;
};

// The module's entry point, looked up by this name.
using CreateVideoSourceFn = VideoSource* (*)(QWidget* parent, const char* noDevice);
inline constexpr const char* kCreateVideoSourceName = "KaymorCreateVideoSource";

}  // namespace zam
