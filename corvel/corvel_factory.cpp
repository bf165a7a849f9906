#include <corvel/corvel_factory.h>

#include <corvel/corvel_comboblock.h>
#include <corvel/corvel_udp.h>

QObject* CreateCorvelControl(const QString& classId, QObject* parent) {
  if (classId == QLatin1String("Corvel_Project.UDP")) return new Corvel_Project::UDP(parent);
  if (classId == QLatin1String("Corvel_Project.ComboBlock"))
    return new Corvel_Project::ComboBlock(parent);
  return nullptr;
}
