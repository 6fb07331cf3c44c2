#pragma once

#include "office/ConverterProcess.h"
#include "office/ConverterProfile.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace dokrava {

// Turns many documents into PDF while they are still being written: several converter processes
// at once, each fed batches of documents, so the office suite starts a few times per run instead
// of once per document. Each document is judged alone; one that a batch did not finish is tried
// once more on its own. Every method may be called from one thread only (the run's).
class ConversionSupervisor
{
public:
    struct Options
    {
        QString converter;            // the office suite's converter
        int processes = 0;            // converters at once; 0: one per core, at most 4
        int batchSize = 50;           // documents per converter call, at most
        int batchBaseMs = 60000;      // a batch may take this long ...
        int perDocumentMs = 5000;     // ... plus this per document before it is ended
        int singleMs = kConversionWaitMs; // a document tried on its own
        int profileWaitMs = kProfileWaitMs; // the wait for a free profile folder, when all are held
        const std::atomic<bool> *stop = nullptr; // when it turns true, finish() cancels
    };

    // Takes the converters' profile folders (ConverterProfile) and starts the converters: as many
    // as asked for while folders are free, at least one. Throws DokravaError when no folder can
    // be used or the wait for one runs out; a stop during that wait leaves no converter, so every
    // document then counts as not converted.
    explicit ConversionSupervisor(Options options);
    // Cancels what is left (see cancel) and waits for the workers.
    ~ConversionSupervisor();

    ConversionSupervisor(const ConversionSupervisor &) = delete;
    ConversionSupervisor &operator=(const ConversionSupervisor &) = delete;

    // Queues source (a written ".odt" or ".docx") to become target in the converter's format
    // ("pdf", "doc:MS Word 97"); returns its number (0, 1, … in the order of submission). The
    // source is never changed or removed.
    int submit(const QString &source, const QString &target, const QString &format = QStringLiteral("pdf"));

    // No more documents: what is queued is converted, and the call returns once every document
    // is judged, with, per number, whether target now holds a complete file of its kind. progress, when
    // given, hears every few tenths of a second how many are made so far (madeSoFar).
    QList<bool> finish(const std::function<void(int made)> &progress = {});

    // Documents judged so far, converted or not.
    int judged() const;
    // Documents whose target holds its complete file so far. After a cancel the documents it
    // ended count as judged, never as converted.
    int converted() const;

    // Documents converted so far, and those a converter has already written in a batch still
    // running (the batch vouches for them only when it ends): what a progress display counts.
    // Only converted documents after cancel().
    int madeSoFar() const;

    // Stops: nothing queued is converted any more and the converters running are ended, with the
    // programs they started; their documents count as not converted. Callable from any thread;
    // finish() then returns soon.
    void cancel();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dokrava
