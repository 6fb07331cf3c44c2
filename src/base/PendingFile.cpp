#include "base/PendingFile.h"

#include "base/DokravaError.h"
#include "base/FailureReason.h"
#include "base/ProcessState.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QSysInfo>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include "base/LongPath.h"
#include <qt_windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <set>

namespace dokrava {

namespace {

[[noreturn]] void failed(const QString &source, const QString &target, const QString &reason)
{
    QFile::remove(source);
    throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                           .arg(QDir::toNativeSeparators(target), reason));
}

// Eight hex digits that tell the temporary files of one target on this computer from those of
// other files. The computer's name is part of it: on a shared folder a process id says nothing
// about another computer's processes, whose files must then stay.
QString pendingKey(const QFileInfo &target)
{
    // Asked once: a run names thousands of files, and the name does not change under a process.
    static const QString host = QSysInfo::machineHostName();
    const QByteArray id = (host + QLatin1Char('/') + target.fileName().toLower()).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(8));
}

// True when the temporary file named name was made by a process that no longer runs; a name
// without a process id comes from an older version.
bool abandoned(const QString &name)
{
    bool number = false;
    const qint64 pid = name.section(QLatin1Char('-'), 1, 1).toLongLong(&number);
    return !(number && ProcessState::isRunning(pid));
}

// Replaces real, the file target names with its links followed, by source.
void replaceResolved(const QString &source, const QString &real, const QString &target, bool synced);

} // namespace

PendingFile::PendingFile(const QString &target)
    : m_target(target), m_real(FollowLinks(target))
{
    const QFileInfo fi(m_real);
    // A short name of its own: the target's name plus a suffix could pass the file system's limit.
    // The process id tells a later start whether the writer still runs, the key which file it
    // was for (see RemoveAbandonedPendingFiles and RemoveAbandonedPendingFilesOf).
    const QString tag = QString::number(ProcessState::currentId()) + QLatin1Char('-') + pendingKey(fi) + QLatin1Char('-')
                        + QString::number(QRandomGenerator::global()->generate64(), 16);
    m_temp = QDir::toNativeSeparators(fi.absolutePath() + QStringLiteral("/.~dokrava-") + tag + QStringLiteral(".tmp"));
}

PendingFile::~PendingFile()
{
    if (!m_committed)
        QFile::remove(m_temp);
}

void PendingFile::sync()
{
    if (!SyncToDisk(m_temp)) {
        QFile::remove(m_temp);
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": данные не удалось сохранить на диске")
                               .arg(QDir::toNativeSeparators(m_target)));
    }
    m_synced = true;
}

void PendingFile::commit()
{
    replaceResolved(m_temp, m_real, m_target, m_synced);
    m_committed = true;
}

QString FollowLinks(const QString &path)
{
    QString current = path;
    // The system gives up after 40 links as well.
    for (int i = 0; i < 40; ++i) {
        const QFileInfo fi(current);
        if (!fi.isSymLink())
            return current;
        const QString next = fi.symLinkTarget();
        if (next.isEmpty())
            return current;
        current = next;
    }
    return path;
}

bool SyncToDisk(const QString &path)
{
#ifdef Q_OS_WIN
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool synced = FlushFileBuffers(file);
    return CloseHandle(file) && synced;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
#endif
}

bool SyncFilesTogether(const QStringList &paths, const QStringList &folders)
{
#ifdef Q_OS_LINUX
    // One syncfs flushes a whole file system, whatever number of files was written and named there.
    QSet<QString> all(folders.cbegin(), folders.cend());
    for (const QString &path : paths)
        all.insert(QFileInfo(path).absolutePath());
    std::set<dev_t> flushed;
    for (const QString &folder : all) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st;
        bool ok = ::fstat(fd, &st) == 0;
        if (ok && flushed.insert(st.st_dev).second)
            ok = ::syncfs(fd) == 0;
        ::close(fd);
        if (!ok)
            return false;
    }
    return true;
#else
    for (const QString &path : paths)
        if (!SyncToDisk(path))
            return false;
    for (const QString &folder : folders)
        if (!SyncFolder(folder))
            return false;
    return true;
#endif
}

bool SyncFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true;
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
#endif
}

void ReplaceFileWith(const QString &source, const QString &target, bool synced)
{
    replaceResolved(source, FollowLinks(target), target, synced);
}

namespace {

void replaceResolved(const QString &source, const QString &real, const QString &target, bool synced)
{
    // A crash or power loss right after the rename must find the new content, not an empty
    // file. Synced before the permissions are copied: a read-only target's would forbid it.
    if (!synced && !SyncToDisk(source))
        failed(source, target, QStringLiteral("данные не удалось сохранить на диске"));
    // The new file takes the old one's permissions, as an in-place save would keep them.
    if (QFileInfo::exists(real))
        QFile::setPermissions(source, QFile::permissions(real));
    // One step on both systems; on Windows the move itself reaches the disk before it returns.
#ifdef Q_OS_WIN
    if (!MoveFileExW(WidePath(source).c_str(), WidePath(real).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failed(source, target, FailureReason(int(GetLastError())));
#else
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
                            std::filesystem::path(real.toStdU16String()), ec);
    if (ec)
        failed(source, target, FailureReason(ec.value()));
#endif
}

} // namespace

int RemoveAbandonedPendingFiles(const QString &folder)
{
    int removed = 0;
    QDirIterator it(folder, {QStringLiteral(".~dokrava-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (abandoned(it.fileName()) && QFile::remove(path))
            ++removed;
    }
    return removed;
}

int RemoveAbandonedPendingFilesOf(const QString &target)
{
    const QFileInfo fi(FollowLinks(target));
    const QString pattern = QStringLiteral(".~dokrava-*-%1-*.tmp").arg(pendingKey(fi));
    int removed = 0;
    for (const QFileInfo &temp : fi.absoluteDir().entryInfoList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        if (abandoned(temp.fileName()) && QFile::remove(temp.absoluteFilePath()))
            ++removed;
    return removed;
}

void CheckWritable(const QString &target)
{
    const QFileInfo info(target);
    const bool marked = !(info.permissions() & QFile::WriteOwner);
    if (info.exists() && (!info.isWritable() || marked))
        throw DokravaError(QStringLiteral("Файл \"%1\" доступен только для чтения, изменения не сохранены")
                               .arg(QDir::toNativeSeparators(target)));
}

bool WriteWhole(QFileDevice &file, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const qint64 n = file.write(data.constData() + done, data.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return file.flush();
}

void WriteFileSafely(const QString &target, const QByteArray &data)
{
    CheckWritable(target);
    PendingFile pending(target);
    QFile file(pending.path());
    // close() can still report what the system only noticed then.
    bool ok = file.open(QIODevice::WriteOnly) && WriteWhole(file, data);
    QString reason = FailureReason(file);
    file.close();
    if (ok && file.error() != QFileDevice::NoError) {
        ok = false;
        reason = FailureReason(file);
    }
    if (!ok)
        throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": %2")
                               .arg(QDir::toNativeSeparators(target), reason));
    pending.commit();
}

} // namespace dokrava
