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
    // std::filesystem::rename replaces the target in one step on POSIX and with
    // MoveFileEx(MOVEFILE_REPLACE_EXISTING) on Windows.
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(m_temp.toStdU16String()),
                            std::filesystem::path(m_target.toStdU16String()), ec);
    if (ec)
        throw DokravaError(QStringLiteral("Не удалось сохранить файл «%1»: он занят другой программой или папка "
                                          "недоступна для записи")
                               .arg(QDir::toNativeSeparators(m_target)));
    m_committed = true;
}
