#include <QApplication>

#include "frmZAMKeyboard.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  zam::frmZAMKeyboard window;
  if (!window.Form_Load(QApplication::arguments())) return 0;
  window.show();
  return QApplication::exec();
}
