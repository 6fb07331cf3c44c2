#pragma once

#include <QFile>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// Starts a new peak from the memory held now, so that a figure is one step's (Linux, glibc:
// memory freed before is handed back first).
inline void resetPeak()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}
