#include "shell/TempFolder.h"

#include "shell/AppFolder.h"
#include "shell/ProcessState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
