#include "generation/DurableGroup.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>

namespace dokrava {

namespace {

[[noreturn]] void notOnDisk(const QString &target)
{
    throw DokravaError(QStringLiteral("Не удалось записать файл \"%1\": данные не удалось сохранить на диске")
                           .arg(QDir::toNativeSeparators(target)));
}

} // namespace

DurableGroup::DurableGroup(int files, int maxMs) : m_maxFiles(std::max(files, 1)), m_maxMs(maxMs) {}

DurableGroup::~DurableGroup()
{
    if (flushing())
        m_flight.wait();
    // Names given before an error that left the run midway reach the disk as well.
    syncFolders();
}

void DurableGroup::add(std::unique_ptr<PendingFile> file, std::function<void()> named)
{
    if (m_waiting == 0)
        m_since.start();
    ++m_waiting;
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
    return m_waiting >= m_maxFiles || (m_waiting > 0 && m_since.hasExpired(m_maxMs));
}

void DurableGroup::advance(const std::function<bool()> &stopped)
{
    for (;;) {
        if (flushing()) {
            // Documents keep coming while the disk works; past a bound the writers wait for it,
            // so the temporary files and the memory they take stay few.
            const bool backlog = m_waiting >= 16 * m_maxFiles;
            if (!backlog && m_flight.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                return;
            endFlush();
        }
        nameDurable(stopped);
        if (!due())
            return;
        startFlush(stopped());
        if (flushing())
            return;
    }
}

void DurableGroup::finish(const std::function<bool()> &stopped)
{
    for (;;) {
        if (flushing())
            endFlush();
        nameDurable(stopped);
        if (m_entries.empty())
            break;
        if (!flushing())
            startFlush(stopped());
    }
    if (!syncFolders())
        notOnDisk(m_lastNamed);
}

void DurableGroup::startFlush(bool stopped)
{
    // Every entry that came so far is covered, the steps among them too.
    QStringList paths;
    for (auto it = m_entries.begin() + (std::max(m_requested, m_first) - m_first); it != m_entries.end(); ++it)
        if (it->file && !it->file->isSynced()) {
            if (paths.isEmpty())
                m_flightFirst = it->file->target();
            paths.append(it->file->path());
        }
    m_requested = m_first + qint64(m_entries.size());
    m_waiting = 0;
    m_keepOnStop = stopped;
    if (paths.isEmpty()) {
        // Each document was synced on its own already.
        m_onDisk = m_requested;
        return;
    }
    m_flightEnd = m_requested;
    // The folders named since the last flush lie on the file system this one flushes (the
    // temporary files are written beside their names), so their names reach the disk with it.
    const QStringList folders(m_named.cbegin(), m_named.cend());
    m_named.clear();
    // One file alone is synced as it always was; a group takes one flush of its file system.
    if (paths.size() == 1 && folders.isEmpty())
        m_flight = std::async(std::launch::async, [path = paths.front()] { return SyncToDisk(path); });
    else
        m_flight = std::async(std::launch::async, [paths, folders] { return SyncFilesTogether(paths, folders); });
}

void DurableGroup::endFlush()
{
    const bool onDisk = m_flight.get();
    // A flush whose documents were dropped meanwhile (a stop, an error) concerns nobody.
    if (!onDisk && m_flightEnd > m_first) {
        const QString first = m_flightFirst;
        dropAll();
        notOnDisk(first);
    }
    m_onDisk = std::max(m_onDisk, m_flightEnd);
}

void DurableGroup::nameDurable(const std::function<bool()> &stopped)
{
    try {
        while (!m_entries.empty()) {
            if (m_entries.front().file && m_first >= m_onDisk)
                break;
            if (!m_keepOnStop && stopped()) {
                dropAll();
                break;
            }
            // Taken out first: a name that cannot be given drops its temporary file with it.
            Entry e = std::move(m_entries.front());
            m_entries.pop_front();
            ++m_first;
            if (e.file) {
                e.file->markSynced();
                e.file->commit();
                m_lastNamed = e.file->target();
                m_named.insert(QFileInfo(e.file->realTarget()).absolutePath());
            }
            if (e.step)
                e.step();
        }
    } catch (...) {
        // The names given before a failure are made durable as well.
        syncFolders();
        dropAll();
        throw;
    }
    // Each document synced on its own takes its name durably at once, as a single save does.
    if (m_maxFiles == 1 && !syncFolders())
        notOnDisk(m_lastNamed);
}

bool DurableGroup::syncFolders()
{
    const QSet<QString> folders = std::exchange(m_named, {});
    // Documents named by a column lie in a folder each: one flush of their file system then
    // costs less than a sync per folder.
    if (folders.size() > 2)
        return SyncFilesTogether({}, QStringList(folders.cbegin(), folders.cend()));
    bool ok = true;
    for (const QString &folder : folders)
        ok = SyncFolder(folder) && ok;
    return ok;
}

void DurableGroup::dropAll()
{
    m_first += qint64(m_entries.size());
    m_entries.clear();
    m_requested = std::max(m_requested, m_first);
    m_waiting = 0;
}

} // namespace dokrava
