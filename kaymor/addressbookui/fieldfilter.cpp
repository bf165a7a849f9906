#include "fieldfilter.h"

namespace zam {

QValidator::State FieldFilter::validate(QString& input, int& pos) const {
  QString kept;
  kept.reserve(input.size());
  int newPos = pos;
  for (int i = 0; i < input.size(); ++i) {
    QChar c = input[i];
    if (kind_ == Serial && c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = c.toUpper();
    if (Passes(c)) kept += c;
    else if (i < pos) --newPos;
  }
  input = kept;
  pos = newPos;
  return Acceptable;
}

bool FieldFilter::Passes(QChar c) const {
  // ASCII digits only: other scripts' digits are no port or password.
  const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
  switch (kind_) {
    case Model: return c != QLatin1Char(',');
    case Serial: return digit || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('-');
    case Digits: return digit || c == QLatin1Char('-');
  }
  return false;
}

}  // namespace zam
