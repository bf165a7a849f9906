#pragma once
// The keyboard map: which PC key presses which pictured key on the keyboard
// being shown, and the hold rules. A view over the key poll's own table.
#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace zam {

class frmKeyboardMap : public QDialog {
  Q_OBJECT
 public:
  explicit frmKeyboardMap(QWidget* parent = nullptr);

  // Fills the window for the keyboard of unitType (1 or 4).
  void ShowKeyboard(int unitType);
  int UnitType() const { return unitType_; }

  QLabel* lblKeyboard = nullptr;
  QTreeWidget* lstKeys = nullptr;
  QLabel* lblRules = nullptr;
  QPushButton* cmdClose = nullptr;

 private:
  int unitType_ = 0;
};

}  // namespace zam
