#include "msgbox.h"

#include <QMessageBox>

#include "appinfo.h"

namespace zam {

namespace {
MsgHandler& Handler() {
  static MsgHandler h;
  return h;
}

MsgAnswer ShowReal(QWidget* parent, const MsgRequest& r) {
  QMessageBox box(parent);
  box.setWindowTitle(r.title);
  box.setText(r.text);
  switch (r.icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::None: break;
  }
  switch (r.buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  if (r.defaultButton) {
    const QMessageBox::StandardButton button = [&] {
      switch (*r.defaultButton) {
        case MsgAnswer::Yes: return QMessageBox::Yes;
        case MsgAnswer::No: return QMessageBox::No;
        case MsgAnswer::Cancel: return QMessageBox::Cancel;
        case MsgAnswer::Ok: break;
      }
      return QMessageBox::Ok;
    }();
    if (box.button(button)) box.setDefaultButton(button);
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: return MsgAnswer::Ok;
  }
}
}  // namespace

MsgAnswer MsgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon,
                 const QString& title, std::optional<MsgAnswer> defaultButton) {
  const MsgRequest r{title.isEmpty() ? QString::fromLatin1(kProgramTitle) : title, text, icon, buttons,
                     defaultButton};
  if (Handler()) return Handler()(r);
  return ShowReal(parent, r);
}

void SetMsgHandler(MsgHandler handler) { Handler() = std::move(handler); }

}  // namespace zam
