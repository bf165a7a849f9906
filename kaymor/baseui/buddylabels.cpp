#include "buddylabels.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>

namespace zam {

namespace {

class BuddyWatch : public QObject {
 public:
  BuddyWatch(QLabel* label, QWidget* buddy) : QObject(label), label_(label) {
    buddy->installEventFilter(this);
    label->setEnabled(buddy->isEnabled());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange && label_ && label_->buddy() == watched)
      label_->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<QLabel> label_;
};

}  // namespace

void LabelsFollowBuddies(QWidget* root) {
  for (QLabel* label : root->findChildren<QLabel*>())
    if (QWidget* buddy = label->buddy()) new BuddyWatch(label, buddy);
}

}  // namespace zam
