#pragma once

#include <QByteArray>
#include <QString>

namespace dokrava {

// A file name as the C and C++ libraries this program links take it (freexl, qpdf): UTF-8 on
// Windows, where both open files by UTF-8 names through the wide functions (so any letter and
// long paths work), the system's encoding of file names elsewhere.
QByteArray LibraryFileName(const QString &path);

} // namespace dokrava
