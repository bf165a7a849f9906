// Export macro and version of the Corvel control library.
#ifndef CORVEL_GLOBAL_H
#define CORVEL_GLOBAL_H

#include <QtGlobal>

#if defined(CORVEL_BUILD)
/// Marks a class or function of the library's public interface.
#define CORVEL_EXPORT Q_DECL_EXPORT
#else
#define CORVEL_EXPORT Q_DECL_IMPORT
#endif

#endif  // CORVEL_GLOBAL_H
