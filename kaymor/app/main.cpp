#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "cmdline.h"
#include "frmZAMKeyboard.h"
#include "panellayout.h"
#include "pictures.h"

int main(int argc, char* argv[]) {
  // --help and --version are answered before Qt looks for a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const zam::CommandLineResult command = zam::ParseCommandLine(arguments);
  if (command.action != zam::CommandLineAction::Run) {
    std::FILE* out = command.action == zam::CommandLineAction::Refuse ? stderr : stdout;
    std::fputs(command.text.toLocal8Bit().constData(), out);
    return command.exitCode;
  }

  QApplication app(argc, argv);
  // Ties the window to the menu entry and its icon on desktops that ask.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.vantrel.kaymor"));
  // A package installed incompletely shows an empty window: say why.
  if (!QFileInfo::exists(zam::PicturePath(QString::fromLatin1(zam::layout::kPanelPictures[0]))))
    std::fprintf(stderr, "%s: the keyboard pictures are missing: no Images folder in %s or %s\n",
                 qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
                 qPrintable(QCoreApplication::applicationDirPath()),
                 qPrintable(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kaymor")));
  zam::frmZAMKeyboard window;
  if (!window.Form_Load(QApplication::arguments())) return 0;
  window.show();
  return QApplication::exec();
}
