#pragma once
// Creates the library's controls by class identifier.
#include "corvel_global.h"

#include <QObject>
#include <QString>

// "Corvel_Project.UDP" or "Corvel_Project.ComboBlock"; nullptr for any other.
CORVEL_EXPORT QObject* CreateCorvelControl(const QString& classId, QObject* parent = nullptr);
