#include <dotquad/dotquad.h>

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>
#include <array>

namespace DotquadLib {

namespace {

constexpr int TwipsToPixels(int twips) { return twips / 15; }

// Box geometry inside the panel, in pixels.
constexpr int kInset = 2;
constexpr int kBoxWidth = 30;
constexpr int kDotWidth = 6;
// Digits of one part. A box takes a whole dotted address, so that a pasted
// one reaches all four boxes; what stays in a box is one part.
constexpr int kPartDigits = 3;
constexpr int kBoxTextLength = 15;
constexpr int kBoxHeight = TwipsToPixels(Dotquad::kHeightTwips) - 2 * kInset;
static_assert(2 * kInset + 4 * kBoxWidth + 3 * kDotWidth == TwipsToPixels(Dotquad::kWidthTwips));

const QString kDefaultVersion = QStringLiteral("1.00.1003");
const QString kWarningTitle = QStringLiteral("Invalid IP Address");

Dotquad::WarningHandler& WarningHandlerSlot() {
  static Dotquad::WarningHandler handler;
  return handler;
}

}  // namespace

// Hidden: nested in an exported class, it would be exported with it.
class Q_DECL_HIDDEN Dotquad::Private {
 public:
  explicit Private(Dotquad* owner) : q(owner) {}

  // Shows text in the boxes as the program gives it: the operator's rules
  // (digits only, ranges, moving on) are not applied.
  void SetAddressText(const QString& text);
  void BoxChanged(int index);
  // A dotted text in box index (a paste): its parts go into this box and the
  // ones after it, each checked as if typed.
  void SpreadParts(int index, const QString& text);
  bool BoxKeyDown(int index, const QKeyEvent* event);
  void Warn(const QString& text);
  void FocusBox(int index, int cursorPosition);
  // The focus moved on from a full part by itself.
  void MoveOn(int index);

  Dotquad* q;
  QFrame* panel_ = nullptr;
  std::array<QLineEdit*, 4> boxes_{};
  QString fullAddress_;
  // Above 0 while the program itself sets the boxes.
  int programSetting_ = 0;
  // The box the focus moved to by itself after a full part, until the next
  // key or click: a "." typed there first is the one ending that part.
  int movedOnTo_ = -1;
  bool showWarning_ = false;
  bool subnetMask_ = false;
  QString version_ = kDefaultVersion;
};

Dotquad::Dotquad(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>(this)) {
  const QSize panelSize(TwipsToPixels(kWidthTwips), TwipsToPixels(kHeightTwips));
  d->panel_ = new QFrame(this);
  d->panel_->setObjectName(QStringLiteral("picAddress"));
  d->panel_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  d->panel_->setBackgroundRole(QPalette::Base);
  d->panel_->setAutoFillBackground(true);
  d->panel_->setGeometry(QRect(QPoint(0, 0), panelSize));

  for (int i = 0; i < 4; ++i) {
    const int x = kInset + i * (kBoxWidth + kDotWidth);
    auto* box = new QLineEdit(d->panel_);
    box->setObjectName(QStringLiteral("txtIPAddress(%1)").arg(i));
    box->setMaxLength(kBoxTextLength);
    box->setAlignment(Qt::AlignCenter);
    box->setFrame(false);
    box->setGeometry(x, kInset, kBoxWidth, kBoxHeight);
    box->installEventFilter(this);
    // One Tab stop for the whole field: the first box. The others are
    // reached by typing, the dot, the arrows and Backspace, or a click.
    if (i > 0) box->setFocusPolicy(Qt::ClickFocus);
    connect(box, &QLineEdit::textChanged, this, [this, i] { d->BoxChanged(i); });
    d->boxes_[i] = box;
    if (i < 3) {
      auto* dot = new QLabel(QStringLiteral("."), d->panel_);
      dot->setAlignment(Qt::AlignCenter);
      dot->setGeometry(x + kBoxWidth, kInset, kDotWidth, kBoxHeight);
    }
  }
  setFocusProxy(d->boxes_[0]);
  // The control is always exactly the panel's size, whatever the host asks for.
  setFixedSize(panelSize);
}

Dotquad::~Dotquad() = default;

QSize Dotquad::sizeHint() const { return d->panel_->size(); }

QString Dotquad::FullAddress() const {
  if (!d->fullAddress_.isEmpty()) return d->fullAddress_;
  // Rebuilt for this read only: storing a partial address would hand it back
  // after the boxes have moved on.
  const QString rebuilt = PartAddress().join(QLatin1Char('.'));
  return rebuilt == QLatin1String("...") ? QString() : rebuilt;
}

void Dotquad::SetFullAddress(const QString& address) {
  d->fullAddress_ = address;
  d->SetAddressText(address);
  emit PropertyChanged(QStringLiteral("FullAddress"));
}

QStringList Dotquad::PartAddress() const {
  QStringList parts;
  for (const QLineEdit* box : d->boxes_) parts << box->text();
  return parts;
}

QString Dotquad::PartAddress(int index) const {
  if (index < 0 || index > 3) return QString();
  return d->boxes_[index]->text();
}

bool Dotquad::ShowWarning() const { return d->showWarning_; }
bool Dotquad::SubnetMask() const { return d->subnetMask_; }
QString Dotquad::Version() const { return d->version_; }
void Dotquad::SetVersion(const QString&) {}

void Dotquad::SetShowWarning(bool show) {
  d->showWarning_ = show;
  emit PropertyChanged(QStringLiteral("ShowWarning"));
}

void Dotquad::SetSubnetMask(bool subnetMask) {
  d->subnetMask_ = subnetMask;
  emit PropertyChanged(QStringLiteral("SubnetMask"));
}

void Dotquad::Clear() {
  ++d->programSetting_;
  for (QLineEdit* box : d->boxes_) box->setText(QString());
  --d->programSetting_;
}

void Dotquad::ReadProperties(const zam::PropertyBag& bag) {
  d->fullAddress_ = bag.ReadProperty(QStringLiteral("FullAddress"), QString()).toString();
  d->showWarning_ = bag.ReadProperty(QStringLiteral("ShowWarning"), false).toBool();
  d->subnetMask_ = bag.ReadProperty(QStringLiteral("SubnetMask"), false).toBool();
  d->version_ = bag.ReadProperty(QStringLiteral("Version"), kDefaultVersion).toString();
  d->SetAddressText(d->fullAddress_);
}

void Dotquad::WriteProperties(zam::PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("FullAddress"), d->fullAddress_, QString());
  bag.WriteProperty(QStringLiteral("ShowWarning"), d->showWarning_, false);
  bag.WriteProperty(QStringLiteral("SubnetMask"), d->subnetMask_, false);
}

void Dotquad::SetWarningHandler(WarningHandler handler) { WarningHandlerSlot() = std::move(handler); }

void Dotquad::Private::SetAddressText(const QString& text) {
  std::array<QString, 4> parts;
  int part = 0;
  for (const QChar ch : text) {
    if (ch == QLatin1Char('.')) {
      if (++part > 3) break;
    } else {
      parts[part] += ch;
    }
  }
  // An address the program read from a unit or a profile is shown as it is:
  // correcting a gateway 0.0.0.0 to 1.0.0.0 would write that into the unit.
  ++programSetting_;
  for (int i = 0; i < 4; ++i) boxes_[i]->setText(parts[i]);
  --programSetting_;
  // A complete address is the one the boxes show (text after a fourth dot
  // is not part of it).
  if (std::all_of(parts.begin(), parts.end(), [](const QString& p) { return !p.isEmpty(); }))
    fullAddress_ = q->PartAddress().join(QLatin1Char('.'));
}

void Dotquad::Private::BoxChanged(int index) {
  emit q->Change();
  if (programSetting_ > 0) return;
  QLineEdit* box = boxes_[index];
  const QString text = box->text();
  if (text.isEmpty()) return;

  const int dot = text.indexOf(QLatin1Char('.'));
  if (dot >= 0 && dot != text.size() - 1) {
    SpreadParts(index, text);
    return;
  }
  // A typed dot ends this part.
  if (dot >= 0) {
    box->setText(text.chopped(1));
    if (index != 3) FocusBox(index + 1, -1);
    return;
  }

  // Every correction below re-runs this handler for the corrected text, which
  // does the remaining steps; going on here with the old text would only warn
  // a second time.
  QString digits;
  for (const QChar ch : text)
    if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) digits += ch;
  // A part has three digits at most; longer text only comes from a paste.
  if (digits.size() > kPartDigits) digits.truncate(kPartDigits);
  if (digits != text) {
    box->setText(digits);
    box->setCursorPosition(box->text().size());
    return;
  }

  const int value = digits.toInt();
  if (index == 0 && !subnetMask_) {
    if (value == 0) {
      Warn(QStringLiteral("0 is not a valid entry. Please specify a value between 1 and 223."));
      box->setText(QStringLiteral("1"));
      box->setCursorPosition(1);
      return;
    }
    if (value == 127) {
      Warn(QStringLiteral("IP addresses starting with 127 are not valid because they are reserved ") +
           QStringLiteral("for loopback addresses. Please specify some other valid value between 1 and 223."));
      box->setText(QStringLiteral("1"));
      box->setCursorPosition(1);
      return;
    }
    if (value > 223) {
      Warn(digits + QStringLiteral(" is not a valid entry. Please specify a value between 1 and 223."));
      box->setText(QStringLiteral("223"));
      return;
    }
  } else if (index != 0 && value > 255) {
    Warn(digits + QStringLiteral(" is not a valid entry. Please specify a value between 0 and 255."));
    box->setText(QStringLiteral("255"));
    return;
  }

  if (box->text().size() == kPartDigits && index != 3) MoveOn(index + 1);

  // Only a complete address replaces the last one.
  const QStringList parts = q->PartAddress();
  for (const QString& part : parts)
    if (part.isEmpty()) return;
  q->SetFullAddress(parts.join(QLatin1Char('.')));
}

void Dotquad::Private::SpreadParts(int index, const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  int last = index;
  for (int i = index; i < 4; ++i) {
    const int k = i - index;
    boxes_[i]->setText(k < parts.size() ? parts[k] : QString());
    if (k < parts.size() && !parts[k].isEmpty()) last = i;
  }
  // The moves of the single parts are no typing: the focus ends after the
  // last part pasted.
  movedOnTo_ = -1;
  FocusBox(last, boxes_[last]->text().size());
}

bool Dotquad::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress) {
    for (int i = 0; i < 4; ++i) {
      if (watched != d->boxes_[i]) continue;
      if (type == QEvent::MouseButtonPress) {
        d->movedOnTo_ = -1;
        break;
      }
      return d->BoxKeyDown(i, static_cast<QKeyEvent*>(event));
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool Dotquad::Private::BoxKeyDown(int index, const QKeyEvent* event) {
  QLineEdit* box = boxes_[index];
  const bool movedOnHere = movedOnTo_ == index;
  movedOnTo_ = -1;
  const QString text = event->text();
  // "192." typed as one writes it: the dot after a part that moved on by
  // itself is not a second move.
  if (movedOnHere && text == QLatin1String(".")) return true;
  // A full part takes no more characters, as a box of three would; a dot
  // still ends it.
  if (text.size() == 1 && text[0].isPrint() && text[0] != QLatin1Char('.') &&
      box->text().size() >= kPartDigits && !box->hasSelectedText() &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
    return true;

  switch (event->key()) {
    case Qt::Key_Backspace:
      // The key itself still goes to this box; in an empty box it does nothing.
      if (index > 0) {
        QLineEdit* previous = boxes_[index - 1];
        if (box->text().isEmpty()) previous->setFocus(Qt::OtherFocusReason);
        previous->setCursorPosition(previous->text().size());
      }
      return false;
    case Qt::Key_Left:
      if (box->cursorPosition() == 0 && index > 0) {
        FocusBox(index - 1, boxes_[index - 1]->text().size());
        return true;
      }
      return false;
    case Qt::Key_Right:
      if (box->cursorPosition() == box->text().size() && index != 3) {
        FocusBox(index + 1, 0);
        return true;
      }
      return false;
    case Qt::Key_Backtab:
      // Backwards out of the field, not into its first box.
      if (index > 0) {
        boxes_[0]->setFocus(Qt::BacktabFocusReason);
        q->focusNextPrevChild(false);
        return true;
      }
      return false;
    default:
      return false;
  }
}

void Dotquad::Private::MoveOn(int index) {
  FocusBox(index, -1);
  movedOnTo_ = index;
}

void Dotquad::Private::FocusBox(int index, int cursorPosition) {
  QLineEdit* box = boxes_[index];
  box->setFocus(Qt::OtherFocusReason);
  if (cursorPosition >= 0) box->setCursorPosition(cursorPosition);
}

void Dotquad::Private::Warn(const QString& text) {
  if (!showWarning_) return;
  if (const WarningHandler& handler = WarningHandlerSlot()) {
    handler(kWarningTitle, text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, kWarningTitle, text, QMessageBox::Ok, q->window());
  box.exec();
}

}  // namespace DotquadLib
