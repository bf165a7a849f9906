#pragma once
// The unit's own settings: a view over a UnitSettings session for one
// address-book unit (read, edit, apply and check, backup, compare, copy).
#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

#include "busycursor.h"
#include "unitsettings.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace zam {

class frmUnitSettings : public QDialog {
  Q_OBJECT
 public:
  // others: the address book's units, for Compare and Copy.
  frmUnitSettings(const UnitTarget& unit, const QList<UnitTarget>& others, QWidget* parent = nullptr);

  UnitSettings& Session() { return session_; }

  QLabel* lblStatus = nullptr;
  QLabel* lblClockNote = nullptr;
  QPushButton* cmdRead = nullptr;
  QPushButton* cmdApply = nullptr;
  QPushButton* cmdSave = nullptr;
  QPushButton* cmdLoad = nullptr;
  QPushButton* cmdCompare = nullptr;
  QPushButton* cmdCopy = nullptr;
  QPushButton* cmdPcTime = nullptr;
  QPushButton* cmdClose = nullptr;
  QCheckBox* chkIncludePassword = nullptr;
  QDateTimeEdit* dtClock = nullptr;
  QLineEdit* txtNewPassword = nullptr;
  QLineEdit* txtConfirmPassword = nullptr;
  // Each field's editor by key.
  QHash<QString, QWidget*> editors;

 signals:
  // A new password logs in: the host stores it in the unit's entry.
  void PasswordChanged(const zam::UnitTarget& unit, const QString& newPassword);

 public slots:
  void cmdRead_Click();
  void cmdApply_Click();
  void cmdSave_Click();
  void cmdLoad_Click();
  void cmdCompare_Click();
  void cmdCopy_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void BuildFields();
  // Maps the session's state to the widgets.
  void ShowState();
  void Edited(const QString& key, const QString& text, QWidget* editor);
  void PasswordEdited();
  void SetStatus(const QString& text);
  void ShowCompare(const QString& otherName, const UnitFieldValues& other);

  UnitSettings session_;
  QList<UnitTarget> others_;
  QWidget* fieldsBox_ = nullptr;
  QGridLayout* grid_ = nullptr;
  QTimer* clockTimer_ = nullptr;
  bool mapping_ = false;
  bool readOnce_ = false;
  QStringList builtKeys_;
  // Exchanges under way inside this window's waits; the wait cursor with them.
  int busy_ = 0;
  struct Busy {
    explicit Busy(frmUnitSettings* w);
    ~Busy();
    frmUnitSettings* w_;
    BusyCursor cursor;
  };
};

}  // namespace zam
