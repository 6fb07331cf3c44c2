#include "office/OfficeSuite.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QDir>
#include <QSettings>
#endif

namespace dokrava {

#ifdef Q_OS_WIN
namespace {

// The program folders of this computer: Windows may live on another drive than C:, and its
// folders are named in the local language. The 64-bit one comes first.
QStringList programFolders()
{
    QStringList folders;
    for (const char *name : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"}) {
        const QString folder = qEnvironmentVariable(name);
        if (!folder.isEmpty())
            folders << folder;
    }
    return folders;
}

// Where LibreOffice's installer says it put the suite, for this user or all, 64-bit and 32-bit:
// the program folder in the default value of SOFTWARE\LibreOffice\UNO\InstallPath.
QStringList registeredConverters()
{
    QStringList found;
    for (const char *hive : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
        for (QSettings::Format view : {QSettings::Registry64Format, QSettings::Registry32Format}) {
            const QSettings key(QLatin1String(hive) + QStringLiteral("\\SOFTWARE\\LibreOffice\\UNO\\InstallPath"), view);
            const QString folder = key.value(QStringLiteral("Default")).toString();
            if (!folder.isEmpty())
                found << QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("soffice.exe")));
        }
    }
    return found;
}

} // namespace
#endif

QStringList DefaultLOCandidates()
{
#if defined(Q_OS_WIN)
    const QString libreOffice = QStringLiteral("\\LibreOffice\\program\\soffice.exe");
    QStringList candidates;
    for (const QString &folder : programFolders())
        candidates << folder + libreOffice;
    candidates << QStringLiteral("C:\\Program Files") + libreOffice << QStringLiteral("C:\\Program Files (x86)") + libreOffice;
    candidates << registeredConverters();
    candidates << QStringLiteral("C:\\Program Files\\OpenOffice 4\\program\\soffice.exe")
               << QStringLiteral("C:\\Program Files (x86)\\OpenOffice 4\\program\\soffice.exe");
    QStringList unique;
    for (const QString &candidate : candidates)
        if (!unique.contains(candidate, Qt::CaseInsensitive))
            unique << candidate;
    return unique;
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

QStringList LOCandidates(const QString &named)
{
    QStringList candidates = DefaultLOCandidates();
    if (!named.isEmpty())
        candidates.prepend(named);
    return candidates;
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

} // namespace dokrava
