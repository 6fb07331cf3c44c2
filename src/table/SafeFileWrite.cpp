#include "table/SafeFileWrite.h"

#include "shell/DokravaError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <filesystem>
#include <system_error>

namespace SafeFileWrite {

QString siblingTempPath(const QString &target)
{
    const QFileInfo info(target);
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
    // The new file takes the old one's permissions, as an in-place save would keep them.
    if (QFileInfo::exists(target))
        QFile::setPermissions(source, QFile::permissions(target));
    std::error_code ec;
    // std::filesystem::rename replaces an existing target atomically on POSIX and through
    // MoveFileEx with MOVEFILE_REPLACE_EXISTING on Windows.
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), ec);
    if (ec) {
        QFile::remove(source);
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                               .arg(QDir::toNativeSeparators(target),
                                    QString::fromLocal8Bit(ec.message().c_str())));
    }
}

void writeFile(const QString &target, const QByteArray &data)
{
    checkWritable(target);
    const QString temp = siblingTempPath(target);
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        QFile::remove(temp);
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                               .arg(QDir::toNativeSeparators(target), reason));
    }
    file.close();
    replaceFile(temp, target);
}

} // namespace SafeFileWrite
