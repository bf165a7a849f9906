// Export macro of the Dotquad control library.
#ifndef DOTQUAD_GLOBAL_H
#define DOTQUAD_GLOBAL_H

#include <QtGlobal>

#if defined(DOTQUAD_BUILD)
/// Marks a class or function of the library's public interface.
#define DOTQUAD_EXPORT Q_DECL_EXPORT
#else
#define DOTQUAD_EXPORT Q_DECL_IMPORT
#endif

#endif  // DOTQUAD_GLOBAL_H
