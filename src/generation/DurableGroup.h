#pragma once

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <vector>

namespace dokrava {

class PendingFile;

// Documents made durable in groups: each is written under its temporary name, and one flush puts
// a whole group on the disk (SyncFilesTogether); only then do its documents take their names, in
// the order they came, and the folders that got names are synced once. A crash or a stop before
// the flush leaves temporary files only, never a final name whose bytes are not on the disk.
// Steps that must come after the documents before them (reports, notices) wait in the same line.
class DurableGroup
{
public:
    // A group is due at files documents, or maxMs after its first one came; files 1 makes each
    // document durable on its own sync before it takes its name.
    explicit DurableGroup(int files = 64, int maxMs = 100);
    // Documents still waiting lose their temporary files.
    ~DurableGroup();

    DurableGroup(const DurableGroup &) = delete;
    DurableGroup &operator=(const DurableGroup &) = delete;

    // Queues a written document; named runs once it has taken its name.
    void add(std::unique_ptr<PendingFile> file, std::function<void()> named);
    // Queues a step behind what waits; with nothing waiting it runs at once.
    void add(std::function<void()> step);

    // True when the documents waiting are to be flushed now.
    bool due() const;

    // Flushes the documents waiting, then, in order, names each and runs the steps, while
    // proceed() allows it; what proceed() stops is dropped with its temporary files. Throws
    // DokravaError when the flush fails (no document is named then) or a name cannot be given,
    // and what a step throws; the rest is dropped then.
    void flush(const std::function<bool()> &proceed);

private:
    struct Entry
    {
        std::unique_ptr<PendingFile> file; // null for a plain step
        std::function<void()> step;
    };
    void nameAll(std::vector<Entry> &entries, const std::function<bool()> &proceed);

    int m_maxFiles;
    int m_maxMs;
    int m_files = 0;
    QElapsedTimer m_since; // since the first document waiting came
    std::vector<Entry> m_entries;
};

} // namespace dokrava
