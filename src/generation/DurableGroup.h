#pragma once

#include <QElapsedTimer>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <future>
#include <memory>

namespace dokrava {

class PendingFile;

// Documents made durable in groups: each is written under its temporary name, and one flush puts
// a whole group on the disk (SyncFilesTogether); only then do its documents take their names, in
// the order they came. The flush runs on a thread of its own while the next documents are
// written; documents that come while the disk is still busy wait for the next flush, which takes
// them all, so a slow disk gets fewer, larger flushes. The names a group got reach the disk with
// the next flush (it flushes their folders' file system), the last ones when the run finishes.
// A crash or a stop before a flush has ended leaves temporary files only, never a final name
// whose bytes are not on the disk. Steps that must come after the documents before them
// (reports, notices) wait in the same line.
class DurableGroup
{
public:
    // A flush is due at files documents waiting for one, or maxMs after the first of them came;
    // files 1 makes each document durable on its own sync before it takes its name.
    explicit DurableGroup(int files = 64, int maxMs = 100);
    // Waits for a flush under way; documents still waiting lose their temporary files.
    ~DurableGroup();

    DurableGroup(const DurableGroup &) = delete;
    DurableGroup &operator=(const DurableGroup &) = delete;

    // Queues a written document; named runs once it has taken its name.
    void add(std::unique_ptr<PendingFile> file, std::function<void()> named);
    // Queues a step behind what waits; with nothing waiting it runs at once.
    void add(std::function<void()> step);

    // Names, in order, the documents a finished flush put on the disk and runs the steps between
    // them; starts the next flush when one is due. Waits for the disk only when many documents
    // wait for it. stopped() says whether the run was stopped: a stop that comes after a flush
    // was started drops, with their temporary files, that flush's documents and all after them.
    // Throws DokravaError when a flush fails (its documents are not named) or a name cannot be
    // given, and what a step throws; everything waiting is dropped then.
    void advance(const std::function<bool()> &stopped);
    // As advance(), then flushes and names everything left, and makes the names given durable.
    void finish(const std::function<bool()> &stopped);

private:
    struct Entry
    {
        std::unique_ptr<PendingFile> file; // null for a plain step
        std::function<void()> step;
    };
    bool due() const;
    bool flushing() const { return m_flight.valid(); }
    void startFlush(bool stopped);
    void endFlush();
    void nameDurable(const std::function<bool()> &stopped);
    bool syncFolders();
    void dropAll();

    int m_maxFiles;
    int m_maxMs;
    std::deque<Entry> m_entries;
    qint64 m_first = 0;      // the number of m_entries.front() in the order entries came
    qint64 m_requested = 0;  // entries before this number are covered by a flush started
    qint64 m_onDisk = 0;     // entries before this number are on the disk
    int m_waiting = 0;       // documents not yet covered by a flush
    bool m_keepOnStop = false; // the last flush started after a stop: its documents are kept
    QElapsedTimer m_since;   // since the first document waiting for a flush came
    std::future<bool> m_flight; // the flush under way
    qint64 m_flightEnd = 0;  // entries before this number are covered by the flush under way
    QString m_flightFirst;   // the first document it flushes, named when it fails
    QString m_lastNamed;     // the last document that took its name
    QSet<QString> m_named;   // folders where names were given since the last flush started
};

} // namespace dokrava
