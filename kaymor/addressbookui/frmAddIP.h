#pragma once
// The add-address dialog: one unit entered by hand, checked against the
// address box and handed back as a full address entry.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zam {

// The dialog's result for the address box: a full entry
// "ip,model,serial,password,port", or "" when the dialog was cancelled.
// Emptied whenever a dialog is created.
extern QString NewAddressEntry;

class frmAddIP : public QDialog {
  Q_OBJECT
 public:
  // addressBoxItems: every item text of the address box, entries, separator
  // and commands alike. The duplicate checks compare the address and the
  // serial number with those fields of each entry ("ip, model, serial..."),
  // and skip the items that are no entry.
  explicit frmAddIP(const QStringList& addressBoxItems, QWidget* parent = nullptr);

  // Opens a fresh dialog modally and gives NewAddressEntry once it closed.
  static QString AddAddress(QWidget* parent, const QStringList& addressBoxItems);
  static QString AddAddress(QWidget* parent, const QComboBox* addressBox);

  void cmdOK_Click();
  void cmdCancel_Click();

  QWidget* dqNewIPAddress = nullptr;   // the Dotquad field
  std::array<QLabel*, 5> lblField{};   // address, model, serial, password, port
  std::array<QLineEdit*, 4> txtModel{};  // model, serial number, password, port
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

 private:
  QString Address() const;
  bool Refuse(const QString& title, const QString& text);

  QStringList items_;
  bool checking_ = false;
};

}  // namespace zam
