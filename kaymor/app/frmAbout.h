#pragma once
// The About box: program title, version line, comment and legal texts, logo.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace zam {

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);

  // "Version 1.01 (Build 1.01.1004)": minor as two digits, revision as four.
  static QString VersionLine(int major, int minor, int revision);

  // Shows the box modally over the main window.
  static void ShowAbout(QWidget* parent);

  QLabel* imgAppLogo = nullptr;
  QLabel* lblIntro = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblComments = nullptr;
  QLabel* imgLogo = nullptr;
  QLabel* lblLegal = nullptr;
  QPushButton* cmdOK = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool placed_ = false;
};

}  // namespace zam
