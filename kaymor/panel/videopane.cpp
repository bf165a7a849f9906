#include "videopane.h"

#include <QAction>
#include <QFrame>
#include <QRegularExpression>
#include <cmath>

#include "VideoPreview.h"
#include "settingsstore.h"
#include "twips.h"

namespace zam {

namespace {

// The pane's width and the inset that centres it; the preview inside it.
constexpr int kPaneWidth = 10890;
constexpr int kPaneInset = 80;
constexpr int kPreviewLeft = 20;
constexpr int kPreviewWidth = 10800;

// The number a setting text starts with, truncated: "2" is 2, "-1" is -1,
// "0.5" and "on" are 0.
double LeadingInteger(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^\\s*[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)"));
  const QString head = number.match(text).captured(0).trimmed();
  return head.isEmpty() ? 0.0 : std::trunc(head.toDouble());
}

}  // namespace

VideoPane::VideoPane(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("VideoPane")); }

void VideoPane::Build(QWidget* container, QAction* menuItem) {
  frame_ = new QFrame(container);
  frame_->setObjectName(QStringLiteral("picVideo"));
  frame_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame_->setLineWidth(2);
  frame_->setVisible(false);
  preview_ = new VideoPreview(frame_);
  preview_->setObjectName(QStringLiteral("VideoPreview1"));

  // The click handler sets the check mark itself, from the switch.
  menuItem_ = menuItem;
  menuItem_->setCheckable(true);
}

void VideoPane::SetVideoMenu(VideoMenu mode) {
  if (mode == VideoMenu::FromSettings)
    on_ = LeadingInteger(GetSetting(setting::VideoPane)) != 0;
  else
    on_ = !on_;
  menuItem_->setChecked(on_);
  SaveSetting(setting::VideoPane, on_ ? QStringLiteral("-1") : QStringLiteral("0"));
}

void VideoPane::FitHeight(int lackingTwips) { cut_ = qBound(0, lackingTwips, kFullHeight - kMinHeight); }

void VideoPane::Apply(int windowWidth) {
  if (on_) {
    frame_->setVisible(true);
    // A low screen takes its cut off the pane's height (FitHeight).
    frame_->setGeometry(frame_->x(), Px(kTop), Px(kPaneWidth), Px(Height()));
    const int inside = PixelsToTwips(windowWidth);
    const int paneInside = PixelsToTwips(frame_->contentsRect().width());
    frame_->move(Px((inside - paneInside) / 2 - kPaneInset), frame_->y());

    preview_->SetTop(kTop - 100);
    preview_->SetLeft(kPreviewLeft);
    preview_->SetHeight(Height());
    preview_->SetWidth(kPreviewWidth);
    preview_->setVisible(true);
    if (!running_) {
      preview_->Start();
      running_ = true;
    }
  } else {
    preview_->Stop();
    running_ = false;
    frame_->setVisible(false);
  }
}

}  // namespace zam
