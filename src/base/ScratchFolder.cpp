#include "base/ScratchFolder.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/ProcessState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace dokrava {

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

namespace {

void removeEntry(const QFileInfo &entry)
{
    // A link is removed as a link: following it would empty a folder outside the scratch area.
    if (entry.isDir() && !entry.isSymLink()) {
        QDir(entry.absoluteFilePath()).removeRecursively();
        return;
    }
    QFile file(entry.absoluteFilePath());
    if (!file.remove()) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        file.remove();
    }
}

// True for the scratch folder of another process of the program that still runs.
bool belongsToRunningProcess(const QFileInfo &entry)
{
    if (!entry.isDir() || entry.isSymLink())
        return false;
    bool number = false;
    const qint64 pid = entry.fileName().toLongLong(&number);
    return number && pid != ProcessState::currentId() && ProcessState::isRunning(pid);
}

QFileInfoList entriesOf(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

QString ProcessTempDir()
{
    return AppFolder::join(AppFolder::tempDir(), QString::number(ProcessState::currentId()));
}

void ClearTempFolder()
{
    for (const QFileInfo &entry : entriesOf(AppFolder::tempDir()))
        if (!belongsToRunningProcess(entry))
            removeEntry(entry);
}

void ClearTempFolder(const QString &folder)
{
    for (const QFileInfo &entry : entriesOf(folder))
        removeEntry(entry);
}

void RemoveProcessTempDir()
{
    QDir(ProcessTempDir()).removeRecursively();
}

} // namespace dokrava
