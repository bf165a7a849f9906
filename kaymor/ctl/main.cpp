// kaymorctl: the keyboard's unit operations from the command line.
#include <QCoreApplication>

#include <cstdio>

#include "appinfo.h"
#include "ctlargs.h"
#include "ctlcommands.h"
#include "ctloutput.h"

using namespace zam::ctl;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();

  QString error;
  bool json = false;
  const auto inv = Parse(arguments, &error, &json);
  if (!inv) return static_cast<int>(Output(json).Usage(error));
  const Output out(inv->json);
  if (inv->help) {
    const QString text = inv->entry ? CommandHelp(*inv->entry) : ProgramHelp();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (inv->version) {
    std::printf("kaymorctl %s (build %s)\n", qPrintable(zam::VersionText(false)), qPrintable(zam::VersionText(true)));
    return 0;
  }
  return static_cast<int>(Run(*inv, out));
}
