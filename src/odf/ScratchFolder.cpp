#include "odf/ScratchFolder.h"

#include "shell/AppFolder.h"
#include "shell/DokravaError.h"
#include "shell/TempFolder.h"

#include <QDir>
#include <QUuid>

QString GenerateUniqueName()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

QString DefaultTempPath()
{
    return ProcessTempDir() + QDir::separator() + QStringLiteral("Dokrava_");
}

ScratchFolder::ScratchFolder(const QString &prefix)
    : ScratchFolder(DefaultTempPath(), prefix)
{
}

ScratchFolder::ScratchFolder(const QString &base, const QString &prefix)
    : m_path(QDir::toNativeSeparators(base + prefix + GenerateUniqueName()))
{
    if (!QDir().mkpath(m_path))
        throw DokravaError(QStringLiteral("Не удалось создать папку «%1»").arg(m_path));
}

ScratchFolder::~ScratchFolder()
{
    QDir(m_path).removeRecursively();
}

QString ScratchFolder::filePath(const QString &relative) const
{
    return QDir::toNativeSeparators(m_path + QLatin1Char('/') + relative);
}
