#pragma once
// Character filters of the dialogs' text boxes. They judge the characters a
// box would get, typed or pasted alike, and never see the editing keys
// (Delete, arrows, Home, End, Backspace, Ctrl+C/V/X/A/Z), which keep working.
#include <QValidator>

namespace zam {

class FieldFilter : public QValidator {
 public:
  enum Kind {
    Model,   // any character but ",", which would split a stored entry
    Serial,  // digits, "-" and letters, a to z turned into upper case
    Digits,  // digits and "-"
  };
  FieldFilter(Kind kind, QObject* parent) : QValidator(parent), kind_(kind) {}

  // Drops the characters that do not pass and keeps the cursor after the
  // characters before it that stayed.
  State validate(QString& input, int& pos) const override;

 private:
  bool Passes(QChar c) const;
  Kind kind_;
};

}  // namespace zam
