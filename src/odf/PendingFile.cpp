#include "odf/PendingFile.h"

#include "shell/DokravaError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <filesystem>
#include <system_error>

PendingFile::PendingFile(const QString &target)
    : m_target(target)
{
    const QFileInfo fi(target);
    const QString tag = QString::number(QRandomGenerator::global()->generate64(), 16);
    // A short name of its own: the target's name plus a suffix could pass the file system's limit.
    m_temp = QDir::toNativeSeparators(fi.absolutePath() + QStringLiteral("/.~dokrava-") + tag + QStringLiteral(".tmp"));
}

PendingFile::~PendingFile()
{
    if (!m_committed)
        QFile::remove(m_temp);
}

void PendingFile::commit()
{
    ReplaceFileWith(m_temp, m_target);
    m_committed = true;
}

void ReplaceFileWith(const QString &source, const QString &target)
{
    // The new file takes the old one's permissions, as an in-place save would keep them.
    if (QFileInfo::exists(target))
        QFile::setPermissions(source, QFile::permissions(target));
    // std::filesystem::rename replaces the target in one step on POSIX and with
    // MoveFileEx(MOVEFILE_REPLACE_EXISTING) on Windows.
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), ec);
    if (ec) {
        QFile::remove(source);
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                               .arg(QDir::toNativeSeparators(target),
                                    QString::fromLocal8Bit(ec.message().c_str())));
    }
}
