#include "base/LibraryFileName.h"

#include <QFile>

#ifdef Q_OS_WIN
#include "base/LongPath.h"
#endif

namespace dokrava {

QByteArray LibraryFileName(const QString &path)
{
#ifdef Q_OS_WIN
    // The system's 8-bit code page would lose every letter outside it.
    return LongPathForm(path).toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

} // namespace dokrava
