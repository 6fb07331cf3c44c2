#include "table/SafeFileWrite.h"

#include "odf/PendingFile.h"
#include "shell/DokravaError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace SafeFileWrite {

QString siblingTempPath(const QString &target)
{
    const QFileInfo info(FollowLinks(target));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.absoluteDir().filePath(QStringLiteral("~dokrava-")
                                       + QUuid::createUuid().toString(QUuid::Id128).left(12)
                                       + suffix);
}

void checkWritable(const QString &target)
{
    const QFileInfo info(target);
    // The permission bits count as well, so a file marked read-only stays so for an
    // administrator too (who may write anything).
    const bool marked = !(info.permissions() & QFile::WriteOwner);
    if (info.exists() && (!info.isWritable() || marked))
        throw DokravaError(QStringLiteral("Файл \"%1\" доступен только для чтения, изменения не сохранены")
                               .arg(QDir::toNativeSeparators(target)));
}

void replaceFile(const QString &source, const QString &target)
{
    ReplaceFileWith(source, target);
}

void writeFile(const QString &target, const QByteArray &data)
{
    checkWritable(target);
    const QString temp = siblingTempPath(target);
    QFile file(temp);
    // A short write (disk full, size limit) shows in write()'s count or at flush; close() can
    // still report what the system only noticed then.
    bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush();
    QString reason = file.errorString();
    file.close();
    if (ok && file.error() != QFileDevice::NoError) {
        ok = false;
        reason = file.errorString();
    }
    if (!ok) {
        QFile::remove(temp);
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                               .arg(QDir::toNativeSeparators(target), reason));
    }
    replaceFile(temp, target);
}

} // namespace SafeFileWrite
