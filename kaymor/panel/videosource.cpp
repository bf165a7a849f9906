// The camera through Qt Multimedia; built into kaymor_video.so only.
#include "videosource.h"

#include <QCamera>
#include <QCameraDevice>
#include <QCoreApplication>
#include <QDir>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QVideoWidget>

namespace zam {
namespace {

// Debian's Qt 6.4 loads its GStreamer backend by default, which sees no camera
// unless further GStreamer plugins are installed; the FFmpeg backend reads the
// V4L2 devices itself. An explicit QT_MEDIA_BACKEND still wins.
void ChooseMediaBackend() {
  static bool chosen = false;
  if (chosen) return;
  chosen = true;
  if (qEnvironmentVariableIsSet("QT_MEDIA_BACKEND")) return;
  for (const QString& dir : QCoreApplication::libraryPaths()) {
    const QDir plugins(dir + QStringLiteral("/multimedia"));
    if (!plugins.entryList({QStringLiteral("*ffmpegmediaplugin*")}, QDir::Files).isEmpty()) {
      qputenv("QT_MEDIA_BACKEND", "ffmpeg");
      return;
    }
  }
}

class CameraSource : public VideoSource {
 public:
  CameraSource(QWidget* parent, const char* noDevice) : parent_(parent), noDevice_(QString::fromLatin1(noDevice)) {}
  ~CameraSource() override { Release(); }

  QString Open(const std::function<void(const QString&)>& failed) override {
    if (camera_) return QString();
    ChooseMediaBackend();
    // Looked up at every start, so a device plugged in meanwhile is used.
    const QCameraDevice device = QMediaDevices::defaultVideoInput();
    if (device.isNull()) return noDevice_;
    if (!session_) {
      session_ = new QMediaCaptureSession(parent_);
      video_ = new QVideoWidget(parent_);
      video_->setGeometry(parent_->rect());
      session_->setVideoOutput(video_);
    }
    camera_ = new QCamera(device, parent_);
    QObject::connect(camera_, &QCamera::errorOccurred, parent_,
                     [this, failed](QCamera::Error error, const QString& text) {
                       if (error != QCamera::NoError) failed(text.isEmpty() ? noDevice_ : text);
                     });
    session_->setCamera(camera_);
    video_->show();
    camera_->start();
    return QString();
  }
  bool IsOpen() const override { return camera_ != nullptr; }
  void Release() override {
    if (!camera_) return;
    camera_->disconnect(parent_);
    camera_->stop();
    session_->setCamera(nullptr);
    delete camera_;
    camera_ = nullptr;
  }
  void SetGeometry(const QRect& rect) override {
    if (video_) video_->setGeometry(rect);
  }
  void Hide() override {
    if (video_) video_->hide();
  }

 private:
  QWidget* parent_;
  QString noDevice_;
  QCamera* camera_ = nullptr;
  QMediaCaptureSession* session_ = nullptr;
  QVideoWidget* video_ = nullptr;
};

}  // namespace
}  // namespace zam

extern "C" Q_DECL_EXPORT zam::VideoSource* KaymorCreateVideoSource(QWidget* parent, const char* noDevice) {
  return new zam::CameraSource(parent, noDevice);
}
