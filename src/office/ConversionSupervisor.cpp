#include "office/ConversionSupervisor.h"

#include "base/AppFolder.h"
#include "base/CopyFileSafely.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "office/ConvertDocument.h"
#include "office/ConvertedFile.h"
#include "office/ConverterProfile.h"
#include "office/ProcessTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace dokrava {

namespace {

struct Job
{
    int ticket = 0;
    QString source;
    QString target;
    QString format; // the converter's name of the target format ("pdf", "doc:MS Word 97")
};

// Puts a finished file from the batch folder in its place; the output tree may lie on another
// disk, where a rename cannot reach.
bool placed(const QString &made, const QString &target)
{
    try {
        CopyFileSafely(made, target);
        return true;
    } catch (const DokravaError &) {
        return false;
    }
}

} // namespace

struct ConversionSupervisor::Private
{
    Options options;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> queue;
    QList<int> results; // -1 open, 0 failed, 1 converted
    int judged = 0;
    int converted = 0;
    int busy = 0; // converters with a batch
    bool finishing = false;
    std::atomic<bool> cancelled{false};
    QList<qint64> running; // per worker slot: the converter's process id, 0 when none
    std::vector<std::unique_ptr<ConverterProfile>> profiles; // per worker slot, held while it works
    QList<QThread *> workers;
    // Per worker slot: the folder its running batch writes into, the names the converter will
    // give the documents there, and which of them are judged (or sent on alone) already.
    struct Watch
    {
        QString folder;
        QStringList names;
        QList<bool> done;
    };
    QList<Watch> watches;

    void takeProfiles();
    QList<Job> takeBatch();
    void work(int slot);
    void convertBatch(int slot, const QString &profile, const QList<Job> &batch);
    bool convertAlone(int slot, const QString &profile, const Job &job);
    // Judges a job; with a slot, also marks it done in that slot's watch.
    void judge(const Job &job, bool ok, int slot = -1, int watched = -1);
    void unwatch(int slot, int watched);
    bool run(int slot, const QStringList &arguments, int waitMs);
    std::function<void(qint64)> follow(int slot);
};

void ConversionSupervisor::Private::takeProfiles()
{
    // One folder is waited for when every one is held; beyond it the converters make do with
    // the folders that are free now, fewer converters rather than a wait.
    const std::atomic<bool> *stop = options.stop;
    auto first = ConverterProfile::take(options.profileWaitMs, [stop] { return stop && stop->load(); });
    if (!first)
        return;
    profiles.push_back(std::move(first));
    while (int(profiles.size()) < options.processes) {
        auto more = ConverterProfile::tryTake();
        if (!more)
            break;
        profiles.push_back(std::move(more));
    }
}

QList<Job> ConversionSupervisor::Private::takeBatch()
{
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return finishing || int(queue.size()) >= options.batchSize; });
    // While documents still come, batches are full; at the end the rest is shared out evenly
    // among the converters without a batch. Sharing among all of them would leave half to a
    // converter that arrives while the others still work, and halve the rest again and again,
    // each time paying for a converter's start.
    const int idle = std::max(1, int(workers.size()) - busy);
    const int share = (int(queue.size()) + idle - 1) / idle;
    const int n = std::min({int(queue.size()), options.batchSize, finishing ? std::max(1, share) : options.batchSize});
    // One converter call makes one format: a batch takes the documents of the first one's.
    QList<Job> batch;
    for (auto it = queue.begin(); it != queue.end() && batch.size() < n;) {
        if (batch.isEmpty() || it->format == batch.first().format) {
            batch.append(*it);
            it = queue.erase(it);
        } else {
            ++it;
        }
    }
    busy += batch.isEmpty() ? 0 : 1;
    return batch;
}

void ConversionSupervisor::Private::work(int slot)
{
    const QString profile = profiles[size_t(slot)]->folder();
    for (;;) {
        const QList<Job> batch = takeBatch();
        if (batch.isEmpty())
            return;
        try {
            convertBatch(slot, profile, batch);
        } catch (...) {
            // No scratch folder, say: the batch's documents stay unconverted, and counted so.
            for (const Job &job : batch)
                judge(job, false);
        }
        std::lock_guard<std::mutex> guard(mutex);
        --busy;
    }
}

bool ConversionSupervisor::Private::run(int slot, const QStringList &arguments, int waitMs)
{
    if (cancelled)
        return false;
    return RunConverter(options.converter, arguments, waitMs, follow(slot));
}

std::function<void(qint64)> ConversionSupervisor::Private::follow(int slot)
{
    return [this, slot](qint64 pid) {
        std::lock_guard<std::mutex> lock(mutex);
        running[slot] = pid;
        // A cancel that came while the converter was starting ends it now.
        if (pid > 0 && cancelled)
            ProcessTree::killGroup(pid);
    };
}

void ConversionSupervisor::Private::convertBatch(int slot, const QString &profile, const QList<Job> &batch)
{
    ScratchFolder out(QStringLiteral("PDF_"));
    // Two documents of one name would write one PDF in the batch folder: the second goes alone.
    QStringList sources, names;
    QList<Job> together, alone;
    for (const Job &job : batch) {
        const QString name = QFileInfo(job.source).completeBaseName().toCaseFolded();
        (names.contains(name) ? alone : together).append(job);
        names << name;
        if (together.size() > sources.size())
            sources << job.source;
    }
    const int limit = options.batchBaseMs + options.perDocumentMs * int(together.size());
    const QString format = batch.first().format;
    {
        // While the converter runs, each file it writes counts as progress (madeSoFar).
        std::lock_guard<std::mutex> lock(mutex);
        Watch &watch = watches[slot];
        watch = {out.path(), {}, QList<bool>(together.size(), false)};
        for (const Job &job : together)
            watch.names << ConvertedFile::name(job.source, job.format);
    }
    const bool ended = run(slot, ConverterArguments(profile, format, out.path(), sources), limit);
    for (int i = 0; i < together.size(); ++i) {
        const Job &job = together[i];
        // Only a batch that ended by itself with success vouches for its files; the documents of
        // any other, and those it left without a complete file, are tried once more, alone.
        const QString made = out.filePath(ConvertedFile::name(job.source, job.format));
        if (ended && ConvertedFile::isComplete(made) && placed(made, job.target)) {
            judge(job, true, slot, i);
        } else {
            unwatch(slot, i);
            alone.append(job);
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        watches[slot] = {};
    }
    for (const Job &job : alone)
        judge(job, convertAlone(slot, profile, job));
}

bool ConversionSupervisor::Private::convertAlone(int slot, const QString &profile, const Job &job)
{
    if (cancelled)
        return false;
    ScratchFolder out(QStringLiteral("PDF_"));
    ConversionOptions conversion;
    conversion.waitMs = options.singleMs;
    conversion.profile = profile;
    conversion.started = follow(slot);
    const QString made = ConvertDocument(job.source, job.format, out.path(), options.converter, conversion);
    return !made.isEmpty() && placed(made, job.target);
}

void ConversionSupervisor::Private::judge(const Job &job, bool ok, int slot, int watched)
{
    std::lock_guard<std::mutex> lock(mutex);
    // One lock for both, so a file is never counted as judged and as just written at once.
    if (slot >= 0)
        watches[slot].done[watched] = true;
    if (results[job.ticket] >= 0)
        return;
    results[job.ticket] = ok ? 1 : 0;
    ++judged;
    converted += ok ? 1 : 0;
}

void ConversionSupervisor::Private::unwatch(int slot, int watched)
{
    std::lock_guard<std::mutex> lock(mutex);
    watches[slot].done[watched] = true;
}

ConversionSupervisor::ConversionSupervisor(Options options) : d(std::make_unique<Private>())
{
    if (options.processes <= 0)
        options.processes = std::clamp(QThread::idealThreadCount(), 1, 4);
    options.batchSize = std::max(1, options.batchSize);
    d->options = options;
    d->takeProfiles();
    const int converters = int(d->profiles.size());
    d->running.fill(0, converters);
    d->watches.resize(converters);
    QDir().mkpath(ProcessTempDir());
    for (int slot = 0; slot < converters; ++slot) {
        QThread *worker = QThread::create([this, slot] { d->work(slot); });
        d->workers.append(worker);
        worker->start();
    }
}

ConversionSupervisor::~ConversionSupervisor()
{
    cancel();
    for (QThread *worker : d->workers) {
        worker->wait();
        delete worker;
    }
}

int ConversionSupervisor::submit(const QString &source, const QString &target, const QString &format)
{
    int ticket = 0;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        ticket = int(d->results.size());
        d->results.append(-1);
        // The PDF of an earlier run must not pass for this one's.
        QFile::remove(target);
        d->queue.push_back({ticket, source, target, format});
    }
    d->wake.notify_one();
    return ticket;
}

QList<bool> ConversionSupervisor::finish(const std::function<void(int converted)> &progress)
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->finishing = true;
    }
    d->wake.notify_all();
    for (QThread *worker : d->workers) {
        while (!worker->wait(200)) {
            if (d->options.stop && d->options.stop->load())
                cancel();
            if (progress)
                progress(madeSoFar());
        }
    }
    if (progress)
        progress(madeSoFar());
    QList<bool> converted;
    for (int r : d->results)
        converted.append(r == 1);
    return converted;
}

void ConversionSupervisor::cancel()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->cancelled = true;
    d->finishing = true;
    d->queue.clear();
    for (qint64 pid : d->running)
        ProcessTree::killGroup(pid);
    d->wake.notify_all();
}

int ConversionSupervisor::judged() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->judged;
}

int ConversionSupervisor::converted() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->converted;
}

int ConversionSupervisor::madeSoFar() const
{
    QList<Private::Watch> watches;
    int made = 0;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        made = d->converted;
        // After a stop the running batches' files count for nothing.
        if (d->cancelled)
            return made;
        watches = d->watches;
    }
    // A batch converts its documents one after another but is judged only as a whole: counting
    // its files as they appear lets a progress display move per document.
    for (const Private::Watch &watch : std::as_const(watches))
        for (int i = 0; i < watch.names.size(); ++i)
            if (!watch.done[i] && QFileInfo::exists(AppFolder::join(watch.folder, watch.names[i])))
                ++made;
    return made;
}

} // namespace dokrava
