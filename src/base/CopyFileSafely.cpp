#include "base/CopyFileSafely.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"

#include <QDir>
#include <QFile>

namespace dokrava {

void CopyFileSafely(const QString &source, const QString &target)
{
    CheckWritable(target);
    PendingFile pending(target);
    QFile file(source);
    if (!file.copy(pending.path()))
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                               .arg(QDir::toNativeSeparators(target), file.errorString()));
    // The copy takes the source's permissions: a read-only source would give a copy that can be
    // neither synced nor edited by the user.
    QFile::setPermissions(pending.path(), QFile::permissions(pending.path()) | QFile::ReadOwner | QFile::WriteOwner);
    pending.commit();
}

} // namespace dokrava
