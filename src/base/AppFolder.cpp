#include "base/AppFolder.h"

#include <QCoreApplication>
#include <QDir>

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
