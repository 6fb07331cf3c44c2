#include "base/AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

namespace dokrava {

namespace {
QString g_override;

QString withSeparator(QString folder)
{
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}
} // namespace

namespace AppFolder {

QString path()
{
    if (!g_override.isEmpty())
        return withSeparator(g_override);
    return withSeparator(QCoreApplication::applicationDirPath());
}

void setOverride(const QString &folder)
{
    g_override = folder;
}

bool isWritable()
{
    // The permission bits say little on Windows, where access lists decide: only a write tells.
    QTemporaryFile probe(path() + QStringLiteral(".~dokrava-probe-XXXXXX"));
    return probe.open();
}

QString templatesDir()
{
    return path() + QStringLiteral("zagotka") + QDir::separator();
}

QString defaultDataFile()
{
    return path() + QStringLiteral("Replace.xls");
}

QString settingsFile()
{
    return path() + QStringLiteral("settings.ini");
}

QString personalFieldsFile()
{
    return path() + QStringLiteral("replace.ini");
}

QString tempDir()
{
    return path() + QStringLiteral("temp");
}

QString outputRoot()
{
    return path() + QStringLiteral("docum") + QDir::separator();
}

QString join(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return QDir::toNativeSeparators(name);
    return withSeparator(folder) + QDir::toNativeSeparators(name);
}

} // namespace AppFolder

} // namespace dokrava
