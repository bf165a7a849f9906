// The floor of the start-up figure: a bare Qt Widgets window of the keyboard
// window's size, shown at once.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Floor"));
  window.resize(780, 300);
  window.show();
  return app.exec();
}
