#include "VideoPreview.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLibrary>
#include <QRegularExpression>
#include <QResizeEvent>
#include <cmath>

#include "frmZAMKeyboard.h"
#include "panellayout.h"
#include "settingsstore.h"
#include "videosource.h"
#include "twips.h"

namespace zam {

namespace {


// The pane and the preview inside it, in twips.
constexpr int kPaneTop = 120;
constexpr int kPaneWidth = 10890;
constexpr int kPaneHeight = 7140;
constexpr int kPaneInset = 80;
constexpr int kPreviewLeft = 20;
constexpr int kPreviewWidth = 10800;
constexpr int kPreviewHeight = 7140;

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

// The number a setting text starts with, truncated: "2" is 2, "-1" is -1,
// "0.5" and "on" are 0.
double LeadingInteger(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^\\s*[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)"));
  const QString head = number.match(text).captured(0).trimmed();
  return head.isEmpty() ? 0.0 : std::trunc(head.toDouble());
}

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

// ---- The keyboard window's video pane ----

void frmZAMKeyboard::BuildVideoPane() {
  picVideo = new QFrame(centralWidget());
  picVideo->setObjectName(QStringLiteral("picVideo"));
  picVideo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  picVideo->setLineWidth(2);
  picVideo->setVisible(false);
  VideoPreview1 = new VideoPreview(picVideo);
  VideoPreview1->setObjectName(QStringLiteral("VideoPreview1"));

  // The click handler sets the check mark itself, from the pane's switch.
  mnuToolsVideo->setCheckable(true);
  connect(mnuToolsVideo, &QAction::triggered, this, &frmZAMKeyboard::mnuToolsVideo_Click);
}

void frmZAMKeyboard::SetVideoMenu(int mode) {
  if (mode == 1)
    VideoPaneOn = LeadingInteger(GetSetting(QStringLiteral("Options"), QStringLiteral("EnableVideo"),
                                            QStringLiteral("0"))) != 0;
  else
    VideoPaneOn = !VideoPaneOn;
  mnuToolsVideo->setChecked(VideoPaneOn);
  SaveSetting(QStringLiteral("Options"), QStringLiteral("EnableVideo"),
              VideoPaneOn ? QStringLiteral("-1") : QStringLiteral("0"));
}

void frmZAMKeyboard::mnuToolsVideo_Click() {
  SetVideoMenu(2);
  ArrangeWindow();
}

// Part of the window layout: the window has its final width here.
void frmZAMKeyboard::ApplyVideoPane() {
  if (VideoPaneOn) {
    picVideo->setVisible(true);
    // A low screen takes its cut off the pane's height (ArrangeWindow).
    picVideo->setGeometry(picVideo->x(), Px(kPaneTop), Px(kPaneWidth),
                          Px(kPaneHeight - VideoPaneCut));
    const int inside = PixelsToTwips(width());
    const int paneInside = PixelsToTwips(picVideo->contentsRect().width());
    picVideo->move(Px((inside - paneInside) / 2 - kPaneInset), picVideo->y());

    VideoPreview1->SetTop(kPaneTop - 100);
    VideoPreview1->SetLeft(kPreviewLeft);
    VideoPreview1->SetHeight(kPreviewHeight - VideoPaneCut);
    VideoPreview1->SetWidth(kPreviewWidth);
    VideoPreview1->setVisible(true);
    if (!PreviewRunning) {
      VideoPreview1->Start();
      PreviewRunning = true;
    }
  } else {
    VideoPreview1->Stop();
    PreviewRunning = false;
    picVideo->setVisible(false);
  }
}

}  // namespace zam
