// The floor of the start-up figure of the same kind as the keyboard window:
// a main window with a menu bar, a row of text controls, one JPEG picture
// and a status bar, shown at once.
//   bench_floor_panel PICTURE.jpg
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Floor panel"));
  QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
  window.menuBar()->addMenu(QStringLiteral("&Options"))->addAction(QStringLiteral("&Settings..."));
  window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  auto* row = new QHBoxLayout;
  auto* box = new QComboBox;
  box->setEditable(true);
  box->addItem(QStringLiteral("127.0.0.1, ZAM4, SIM0001"));
  row->addWidget(new QLabel(QStringLiteral("Unit:")));
  row->addWidget(box, 1);
  row->addWidget(new QLineEdit(QStringLiteral("qmpv")));
  row->addWidget(new QPushButton(QStringLiteral("&Connect")));
  column->addLayout(row);
  auto* picture = new QLabel;
  if (argc > 1) picture->setPixmap(QPixmap(QString::fromLocal8Bit(argv[1])));
  column->addWidget(picture);
  window.setCentralWidget(central);
  window.statusBar()->showMessage(QStringLiteral("Status: Not connected"));
  window.show();
  return app.exec();
}
