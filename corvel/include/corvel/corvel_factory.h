// Creates the library's controls by class identifier.
#ifndef CORVEL_FACTORY_H
#define CORVEL_FACTORY_H

#include <corvel/corvel_global.h>

#include <QObject>
#include <QString>

/// Creates the control named by classId ("Corvel_Project.UDP" or
/// "Corvel_Project.ComboBlock") with parent as its owner; nullptr for any other
/// identifier. Raises no event.
CORVEL_EXPORT QObject* CreateCorvelControl(const QString& classId, QObject* parent = nullptr);

#endif  // CORVEL_FACTORY_H
