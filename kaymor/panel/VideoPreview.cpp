#include "VideoPreview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>
#include <QResizeEvent>

#include "videosource.h"
#include "twips.h"

namespace zam {

namespace {


#ifdef KAYMOR_HAVE_VIDEO_MODULE
// kaymor_video.so beside the program (a build folder), then in the installed
// tree's library folder.
std::unique_ptr<VideoSource> LoadVideoSource(QWidget* parent) {
  const QString programDir = QCoreApplication::applicationDirPath();
  for (const QString& path : {programDir + QStringLiteral("/kaymor_video.so"),
                              QDir::cleanPath(programDir + QStringLiteral("/../" KAYMOR_LIBDIR "/kaymor/kaymor_video.so"))}) {
    if (!QFileInfo::exists(path)) continue;
    QLibrary module(path);
    // Never unloaded: the source's code runs as long as the pane exists.
    const auto create = reinterpret_cast<CreateVideoSourceFn>(module.resolve(kCreateVideoSourceName));
    if (create) return std::unique_ptr<VideoSource>(create(parent, VideoPreview::kNoDevice));
  }
  return nullptr;
}
#endif

}  // namespace

const char* const VideoPreview::kNoDevice = "No video capture device";

VideoPreview::VideoPreview(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette dark = palette();
  dark.setColor(QPalette::Window, Qt::black);
  dark.setColor(QPalette::WindowText, Qt::lightGray);
  setPalette(dark);

  placeholder_ = new QLabel(this);
  placeholder_->setObjectName(QStringLiteral("lblNoVideo"));
  placeholder_->setAlignment(Qt::AlignCenter);
  placeholder_->hide();
}

VideoPreview::~VideoPreview() {
  wanted_ = false;
  ReleaseCamera();
}

void VideoPreview::Start() {
  ++startCalls_;
  wanted_ = true;
  Schedule();
}

void VideoPreview::Stop() {
  ++stopCalls_;
  wanted_ = false;
  Schedule();
}

// Quick on/off clicks collapse into one change of the device.
void VideoPreview::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, &VideoPreview::Apply, Qt::QueuedConnection);
}

void VideoPreview::Apply() {
  scheduled_ = false;
  if (wanted_)
    OpenCamera();
  else
    ReleaseCamera();
}

void VideoPreview::OpenCamera() {
#ifdef KAYMOR_HAVE_VIDEO_MODULE
  if (!sourceLoaded_) {
    sourceLoaded_ = true;
    source_ = LoadVideoSource(this);
  }
#endif
  if (!source_) {
    ShowPlaceholder(QString::fromLatin1(kNoDevice));
    return;
  }
  if (source_->IsOpen()) return;
  placeholder_->hide();
  const QString failure = source_->Open([this](const QString& text) { ShowPlaceholder(text); });
  if (!failure.isEmpty()) ShowPlaceholder(failure);
}

// Frees the device for other programs while the pane is off.
void VideoPreview::ReleaseCamera() {
  if (source_) source_->Release();
}

void VideoPreview::ShowPlaceholder(const QString& text) {
  if (source_) source_->Hide();
  placeholder_->setText(text);
  placeholder_->setGeometry(rect());
  placeholder_->show();
}

QString VideoPreview::PlaceholderText() const {
  return placeholder_->isHidden() ? QString() : placeholder_->text();
}

void VideoPreview::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeholder_->setGeometry(rect());
  if (source_) source_->SetGeometry(rect());
}

void VideoPreview::SetLeft(int twips) { move(Px(twips), y()); }
void VideoPreview::SetTop(int twips) { move(x(), Px(twips)); }
void VideoPreview::SetWidth(int twips) { resize(Px(twips), height()); }
void VideoPreview::SetHeight(int twips) { resize(width(), Px(twips)); }
int VideoPreview::Left() const { return PixelsToTwips(x()); }
int VideoPreview::Top() const { return PixelsToTwips(y()); }
int VideoPreview::Width() const { return PixelsToTwips(width()); }
int VideoPreview::Height() const { return PixelsToTwips(height()); }

}  // namespace zam
