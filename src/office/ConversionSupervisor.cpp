#include "office/ConversionSupervisor.h"

#include "base/AppFolder.h"
#include "base/PendingFile.h"
#include "base/ScratchFolder.h"
#include "office/ConvertedFile.h"
#include "office/ConverterProfile.h"
#include "office/ProcessTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

struct Job
{
    int ticket = 0;
    QString source;
    QString target;
    QString format; // the converter's name of the target format ("pdf", "doc:MS Word 97")
};

// The name the converter gives the file it makes from source in format.
QString convertedName(const Job &job)
{
    return QFileInfo(job.source).completeBaseName() + QLatin1Char('.') + job.format.section(QLatin1Char(':'), 0, 0);
}

// Moves a finished file from the batch folder to its place; the output tree may lie on another
// disk, where a rename cannot reach.
bool moveInto(const QString &pdf, const QString &target)
{
    try {
        PendingFile pending(target);
        if (!QFile::copy(pdf, pending.path()))
            return false;
        pending.commit();
        return true;
    } catch (...) {
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
    QList<QThread *> workers;

    QList<Job> takeBatch();
    void work(int slot);
    void convertBatch(int slot, const QString &profile, const QList<Job> &batch);
    bool convertAlone(int slot, const QString &profile, const Job &job);
    void judge(const Job &job, bool ok);
    bool run(int slot, const QStringList &arguments, int waitMs);
};

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
    // A profile folder is used by one converter at a time, also across running programs.
    QString profile;
    std::unique_ptr<QLockFile> lock;
    for (int k = slot; !lock; k += options.processes) {
        profile = profileFolder(k);
        QDir().mkpath(profile);
        lock = std::make_unique<QLockFile>(profile + QStringLiteral(".lock"));
        if (!lock->tryLock(0))
            lock.reset();
    }
    PrepareConverterProfile(profile);
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
    return RunConverter(options.converter, arguments, waitMs, [this, slot](qint64 pid) {
        std::lock_guard<std::mutex> lock(mutex);
        running[slot] = pid;
        // A cancel that came while the converter was starting ends it now.
        if (pid > 0 && cancelled)
            ProcessTree::killGroup(pid);
    });
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
    const bool ended = run(slot, ConverterArguments(profile, format, out.path(), sources), limit);
    for (const Job &job : together) {
        // Only a batch that ended by itself with success vouches for its files; the documents of
        // any other, and those it left without a complete file, are tried once more, alone.
        const QString made = out.filePath(convertedName(job));
        if (ended && ConvertedFile::isComplete(made) && moveInto(made, job.target))
            judge(job, true);
        else
            alone.append(job);
    }
    for (const Job &job : alone)
        judge(job, convertAlone(slot, profile, job));
}

bool ConversionSupervisor::Private::convertAlone(int slot, const QString &profile, const Job &job)
{
    ScratchFolder out(QStringLiteral("PDF_"));
    const QString made = out.filePath(convertedName(job));
    const bool ended = run(slot, ConverterArguments(profile, job.format, out.path(), {job.source}), options.singleMs);
    return ended && ConvertedFile::isComplete(made) && moveInto(made, job.target);
}

void ConversionSupervisor::Private::judge(const Job &job, bool ok)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (results[job.ticket] >= 0)
        return;
    results[job.ticket] = ok ? 1 : 0;
    ++judged;
    converted += ok ? 1 : 0;
}

ConversionSupervisor::ConversionSupervisor(Options options) : d(std::make_unique<Private>())
{
    if (options.processes <= 0)
        options.processes = std::clamp(QThread::idealThreadCount(), 1, 4);
    options.batchSize = std::max(1, options.batchSize);
    d->options = options;
    d->running.fill(0, options.processes);
    QDir().mkpath(ProcessTempDir());
    for (int slot = 0; slot < options.processes; ++slot) {
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
                progress(converted());
        }
    }
    if (progress)
        progress(converted());
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

QString ConversionSupervisor::profileFolder(int slot)
{
    return AppFolder::path() + QStringLiteral("lo_profiles") + QDir::separator() + QString::number(slot);
}
