// Dotquad: an IPv4 address entry field of four three-digit boxes.
#ifndef DOTQUAD_H
#define DOTQUAD_H

#include <dotquad/dotquad_global.h>
#include <dotquad/propertybag.h>

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

/// The control of the Dotquad library.
namespace DotquadLib {

/// An IPv4 address field ("DotquadLib.Dotquad"): four boxes that take digits
/// only, move the cursor on as the user types, and keep each part in range.
class DOTQUAD_EXPORT Dotquad : public QWidget {
  Q_OBJECT
  /// The address as one dotted text.
  Q_PROPERTY(QString FullAddress READ FullAddress WRITE SetFullAddress)
  /// The four box texts.
  Q_PROPERTY(QStringList PartAddress READ PartAddress)
  /// Whether an out-of-range part shows a warning box.
  Q_PROPERTY(bool ShowWarning READ ShowWarning WRITE SetShowWarning)
  /// Subnet mask mode: the first part is not range checked.
  Q_PROPERTY(bool SubnetMask READ SubnetMask WRITE SetSubnetMask)
  /// The control's version text (read only).
  Q_PROPERTY(QString Version READ Version WRITE SetVersion)

 public:
  /// The field's fixed width in twips, for hosts that place controls in twips.
  static constexpr int kWidthTwips = 2130;
  /// The field's fixed height in twips.
  static constexpr int kHeightTwips = 330;

  /// Shows a warning instead of the modal message box.
  using WarningHandler = std::function<void(const QString& title, const QString& text)>;

  /// Creates an empty field of the fixed size.
  explicit Dotquad(QWidget* parent = nullptr);
  ~Dotquad() override;

  /// The last complete address; when none was set yet, the boxes joined by "." (empty while
  /// all four boxes are empty). Raises no event.
  QString FullAddress() const;
  /// Shows address in the boxes as it is, without the typing rules; raises Change for each box
  /// that changes and PropertyChanged("FullAddress").
  void SetFullAddress(const QString& address);

  /// The four box texts as they are, empty parts included. Raises no event.
  QStringList PartAddress() const;
  /// The text of box index (0 to 3); empty for another index. Raises no event.
  QString PartAddress(int index) const;

  /// Whether an out-of-range part shows a warning. Raises no event.
  bool ShowWarning() const;
  /// Sets whether an out-of-range part shows a warning; raises PropertyChanged("ShowWarning").
  void SetShowWarning(bool show);

  /// Subnet mask mode: the first part is not range checked. Raises no event.
  bool SubnetMask() const;
  /// Sets subnet mask mode; raises PropertyChanged("SubnetMask").
  void SetSubnetMask(bool subnetMask);

  /// The control's version text. Raises no event.
  QString Version() const;
  /// Read only: the value is accepted and ignored. Raises no event.
  void SetVersion(const QString& version);

  /// Empties the four boxes; FullAddress keeps the last complete address. Raises Change for
  /// each box that changes.
  void Clear();

  /// Takes FullAddress, ShowWarning, SubnetMask and Version from the host's bag and shows the
  /// address; raises Change for each box that changes.
  void ReadProperties(const zam::PropertyBag& bag);
  /// Stores FullAddress, ShowWarning and SubnetMask in the host's bag. Raises no event.
  void WriteProperties(zam::PropertyBag& bag) const;

  /// Replaces the warning box of every field, e.g. by a test that answers it; an empty handler
  /// restores the modal message box. Raises no event.
  static void SetWarningHandler(WarningHandler handler);

  /// The field's fixed size in pixels.
  QSize sizeHint() const override;

 signals:
  /// The text of a box changed, by typing or by the program.
  void Change();
  /// A persisted property was set; the host saves its property bag later.
  void PropertyChanged(const QString& name);

 protected:
  /// Handles the keys and clicks of the four boxes.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Private;
  std::unique_ptr<Private> d;
};

}  // namespace DotquadLib

/// Creates the control named by classId ("DotquadLib.Dotquad") with parent as its owner;
/// nullptr for any other identifier. Raises no event.
DOTQUAD_EXPORT QWidget* CreateDotquadControl(const QString& classId, QWidget* parent = nullptr);

#endif  // DOTQUAD_H
