#include "base/LongPath.h"

#include <QDir>

namespace dokrava {

namespace {

// The system's limit, the lower one for folders, so a path that passes names a folder's files too.
constexpr qsizetype kShortPathLimit = 248;

// Resolves "." and "..", joins doubled separators; rest is a path without its root, "/" between.
QString cleaned(const QString &rest)
{
    QString clean = QDir::cleanPath(QLatin1Char('/') + rest).mid(1);
    return clean.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace

QString LongPathForm(const QString &path)
{
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (native.size() < kShortPathLimit || native.startsWith(QLatin1String("\\\\?\\")))
        return native;
    const bool drive = native.size() > 2 && native[0].isLetter() && native[1] == QLatin1Char(':')
                       && native[2] == QLatin1Char('\\');
    if (drive)
        return QLatin1String("\\\\?\\") + native.left(3) + cleaned(native.mid(3).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (native.startsWith(QLatin1String("\\\\")) && !native.startsWith(QLatin1String("\\\\.\\")))
        return QLatin1String("\\\\?\\UNC\\") + cleaned(native.mid(2).replace(QLatin1Char('\\'), QLatin1Char('/')));
    return native;
}

std::wstring WidePath(const QString &path)
{
    return LongPathForm(path).toStdWString();
}

} // namespace dokrava
