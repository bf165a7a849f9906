#include "dotquadplugin.h"

#include <QIcon>

#include <dotquad/dotquad.h>

DotquadDesignerPlugin::DotquadDesignerPlugin(QObject* parent) : QObject(parent) {}

QString DotquadDesignerPlugin::name() const { return QStringLiteral("DotquadLib::Dotquad"); }
QString DotquadDesignerPlugin::group() const { return QStringLiteral("Input Widgets"); }
QString DotquadDesignerPlugin::toolTip() const { return QStringLiteral("IPv4 address field"); }
QString DotquadDesignerPlugin::whatsThis() const {
  return QStringLiteral("An IPv4 address field of four boxes that take digits only and keep each "
                        "part in range; SubnetMask leaves the first part unchecked.");
}
QString DotquadDesignerPlugin::includeFile() const { return QStringLiteral("dotquad/dotquad.h"); }
QIcon DotquadDesignerPlugin::icon() const { return QIcon(); }
bool DotquadDesignerPlugin::isContainer() const { return false; }

QWidget* DotquadDesignerPlugin::createWidget(QWidget* parent) {
  return new DotquadLib::Dotquad(parent);
}

bool DotquadDesignerPlugin::isInitialized() const { return initialized_; }
void DotquadDesignerPlugin::initialize(QDesignerFormEditorInterface*) { initialized_ = true; }

QString DotquadDesignerPlugin::domXml() const {
  // The name the host's code uses for a field on a form, as the program's own forms do.
  return QStringLiteral(
      "<ui language=\"c++\">\n"
      " <widget class=\"DotquadLib::Dotquad\" name=\"dqIpAddress\"/>\n"
      " <customwidgets>\n"
      "  <customwidget>\n"
      "   <class>DotquadLib::Dotquad</class>\n"
      "   <extends>QWidget</extends>\n"
      "   <header>dotquad/dotquad.h</header>\n"
      "  </customwidget>\n"
      " </customwidgets>\n"
      "</ui>\n");
}
