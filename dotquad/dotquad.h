#pragma once
// Dotquad: an IPv4 address entry field of four three-digit boxes.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

#if defined(DOTQUAD_BUILD)
#define DOTQUAD_EXPORT Q_DECL_EXPORT
#else
#define DOTQUAD_EXPORT Q_DECL_IMPORT
#endif

class QFrame;
class QKeyEvent;
class QLineEdit;

namespace zam {
class PropertyBag;
}

class DOTQUAD_EXPORT Dotquad : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString FullAddress READ FullAddress WRITE SetFullAddress)
  Q_PROPERTY(QStringList PartAddress READ PartAddress)
  Q_PROPERTY(bool ShowWarning READ ShowWarning WRITE SetShowWarning)
  Q_PROPERTY(bool SubnetMask READ SubnetMask WRITE SetSubnetMask)
  Q_PROPERTY(QString Version READ Version WRITE SetVersion)

 public:
  // The field's fixed size in twips, for hosts that place controls in twips.
  static constexpr int kWidthTwips = 2130;
  static constexpr int kHeightTwips = 330;

  using WarningHandler = std::function<void(const QString& title, const QString& text)>;

  explicit Dotquad(QWidget* parent = nullptr);
  ~Dotquad() override;

  // The last complete address; when none was set yet, the boxes joined by "."
  // (empty while all four boxes are empty).
  QString FullAddress() const;
  void SetFullAddress(const QString& address);

  // The four box texts as they are, empty parts included.
  QStringList PartAddress() const;
  QString PartAddress(int index) const;

  bool ShowWarning() const { return showWarning_; }
  void SetShowWarning(bool show);

  // Subnet mask mode: the first part is not range checked.
  bool SubnetMask() const { return subnetMask_; }
  void SetSubnetMask(bool subnetMask);

  QString Version() const { return version_; }
  void SetVersion(const QString&) {}  // read only; accepted and ignored

  // Empties the four boxes; FullAddress keeps the last complete address.
  void Clear();

  void ReadProperties(const zam::PropertyBag& bag);
  void WriteProperties(zam::PropertyBag& bag) const;

  // Replaces the warning box, e.g. by a test that answers it; an empty
  // handler restores the modal message box.
  static void SetWarningHandler(WarningHandler handler);

  QSize sizeHint() const override;

 signals:
  void Change();
  // A persisted property was set; the host saves its property bag later.
  void PropertyChanged(const QString& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
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
  QString version_;
};

// Creates the control named by its class identifier ("DotquadLib.Dotquad");
// nullptr for any other identifier.
DOTQUAD_EXPORT QWidget* CreateDotquadControl(const QString& classId, QWidget* parent = nullptr);
