#pragma once
// Every modal message box of the program goes through here, so that tests
// can answer them and read what they said.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace zam {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MsgRequest {
  QString title;
  QString text;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
  // The button Enter presses; none: the box's own choice (its first button).
  std::optional<MsgAnswer> defaultButton;
};

// Shows a modal box; the title defaults to the program title. A question
// whose Yes destroys something passes MsgAnswer::No as defaultButton.
MsgAnswer MsgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon,
                 const QString& title = QString(), std::optional<MsgAnswer> defaultButton = std::nullopt);

// Replaces the real box (tests); an empty handler restores it.
using MsgHandler = std::function<MsgAnswer(const MsgRequest&)>;
void SetMsgHandler(MsgHandler handler);

}  // namespace zam
