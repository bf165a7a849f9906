// A window with one address field and its value below it, shown as typed.
#include <dotquad/dotquad.h>

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Address field"));
  auto* layout = new QFormLayout(&window);

  auto* field = new DotquadLib::Dotquad(&window);
  field->setObjectName(QStringLiteral("address"));
  field->SetShowWarning(true);
  auto* full = new QLabel(&window);
  full->setObjectName(QStringLiteral("fullAddress"));
  auto* parts = new QLabel(&window);
  parts->setObjectName(QStringLiteral("parts"));
  layout->addRow(QStringLiteral("IP address:"), field);
  layout->addRow(QStringLiteral("FullAddress:"), full);
  layout->addRow(QStringLiteral("PartAddress:"), parts);

  const auto show = [=] {
    full->setText(field->FullAddress());
    parts->setText(field->PartAddress().join(QStringLiteral(" | ")));
  };
  QObject::connect(field, &DotquadLib::Dotquad::Change, &window, show);
  field->SetFullAddress(app.arguments().value(1, QStringLiteral("192.168.1.20")));
  show();

  window.show();
  return app.exec();
}
