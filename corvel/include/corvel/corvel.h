// Everything a host uses of the Corvel control library.
#ifndef CORVEL_H
#define CORVEL_H

#include <corvel/corvel_comboblock.h>
#include <corvel/corvel_factory.h>
#include <corvel/corvel_global.h>
#include <corvel/corvel_udp.h>
#include <corvel/propertybag.h>
#include <corvel/records.h>

#endif  // CORVEL_H
