#include "shell/TempFolder.h"

#include "shell/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void ClearTempFolder()
{
    ClearTempFolder(AppFolder::tempDir());
}

void ClearTempFolder(const QString &folder)
{
    QDir dir(folder);
    if (!dir.exists())
        return;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        // A link is removed as a link: following it would empty a folder outside the scratch area.
        if (entry.isDir() && !entry.isSymLink()) {
            QDir(entry.absoluteFilePath()).removeRecursively();
        } else {
            QFile file(entry.absoluteFilePath());
            if (!file.remove()) {
                file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
                file.remove();
            }
        }
    }
}
