#include "generation/DurableGroup.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace dokrava {

namespace {

[[noreturn]] void notOnDisk(const QString &target)
{
    throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": данные не удалось сохранить на диске")
                           .arg(QDir::toNativeSeparators(target)));
}

} // namespace

DurableGroup::DurableGroup(int files, int maxMs) : m_maxFiles(std::max(files, 1)), m_maxMs(maxMs) {}

DurableGroup::~DurableGroup() = default;

void DurableGroup::add(std::unique_ptr<PendingFile> file, std::function<void()> named)
{
    if (m_files == 0)
        m_since.start();
    ++m_files;
    m_entries.push_back({std::move(file), std::move(named)});
}

void DurableGroup::add(std::function<void()> step)
{
    if (m_entries.empty())
        step();
    else
        m_entries.push_back({nullptr, std::move(step)});
}

bool DurableGroup::due() const
{
    return m_files >= m_maxFiles || (m_files > 0 && m_since.hasExpired(m_maxMs));
}

void DurableGroup::flush(const std::function<bool()> &proceed)
{
    // Taken out first: whatever happens below, the group is done with.
    std::vector<Entry> entries = std::exchange(m_entries, {});
    m_files = 0;
    QStringList written;
    for (const Entry &e : entries)
        if (e.file && !e.file->isSynced())
            written.append(e.file->path());
    // One file alone is synced as it always was; a group takes one flush of its file system.
    const bool onDisk = written.size() == 1 ? SyncToDisk(written.front()) : SyncFilesTogether(written);
    if (!written.isEmpty() && !onDisk)
        for (const Entry &e : entries)
            if (e.file)
                notOnDisk(e.file->target());
    nameAll(entries, proceed);
}

void DurableGroup::nameAll(std::vector<Entry> &entries, const std::function<bool()> &proceed)
{
    QSet<QString> folders;
    QString last;
    // The names given before a failure are made durable as well.
    const auto syncFolders = [&folders] {
        for (const QString &folder : folders)
            if (!SyncFolder(folder))
                return false;
        return true;
    };
    try {
        for (Entry &e : entries) {
            if (!proceed())
                break;
            if (e.file) {
                e.file->markSynced();
                e.file->commit();
                last = e.file->target();
                folders.insert(QFileInfo(FollowLinks(last)).absolutePath());
            }
            e.step();
        }
    } catch (...) {
        syncFolders();
        throw;
    }
    if (!syncFolders())
        notOnDisk(last);
}

} // namespace dokrava
