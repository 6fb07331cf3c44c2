#include "office/OfficeSuite.h"

#include <QFileInfo>

QStringList DefaultLOCandidates()
{
#if defined(Q_OS_WIN)
    return {
        QStringLiteral("C:\\Program Files\\LibreOffice\\program\\soffice.exe"),
        QStringLiteral("C:\\Program Files (x86)\\LibreOffice\\program\\soffice.exe"),
        QStringLiteral("C:\\Program Files\\OpenOffice 4\\program\\soffice.exe"),
        QStringLiteral("C:\\Program Files (x86)\\OpenOffice 4\\program\\soffice.exe"),
    };
#elif defined(Q_OS_MACOS)
    return {QStringLiteral("/Applications/LibreOffice.app/Contents/MacOS/soffice")};
#else
    return {
        QStringLiteral("/usr/bin/soffice"),
        QStringLiteral("/usr/lib/libreoffice/program/soffice"),
        QStringLiteral("/opt/libreoffice/program/soffice"),
        QStringLiteral("/snap/bin/libreoffice"),
    };
#endif
}

bool FindLOPath(QString &path, const QStringList &candidates)
{
    path.clear();
    for (const QString &candidate : candidates) {
        // A link to the converter counts: QFileInfo follows it to the file itself.
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            return true;
        }
    }
    return false;
}

bool FindLOPath(QString &path)
{
    return FindLOPath(path, DefaultLOCandidates());
}

QString ConverterMissingWarning(bool odtTemplates)
{
    return odtTemplates
               ? QStringLiteral("LibreOffice не найден! Документы по шаблонам *.odt будут сохранены без конвертации в PDF")
               : QStringLiteral("LibreOffice не найден! Документы будут сохранены без конвертации в PDF");
}
