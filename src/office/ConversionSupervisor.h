#pragma once

#include "office/PdfConverter.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

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
        const std::atomic<bool> *stop = nullptr; // when it turns true, finish() cancels
    };

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
    // given, hears every few tenths of a second how many are converted.
    QList<bool> finish(const std::function<void(int converted)> &progress = {});

    // Documents judged so far, converted or not.
    int judged() const;
    // Documents whose target holds its complete file so far. After a cancel the documents it
    // ended count as judged, never as converted.
    int converted() const;

    // Stops: nothing queued is converted any more and the converters running are ended, with the
    // programs they started; their documents count as not converted. Callable from any thread;
    // finish() then returns soon.
    void cancel();

    // The converter's profile folder for slot k beside the executable ("lo_profiles/k"): kept
    // between runs, so only its first use pays for setting it up.
    static QString profileFolder(int slot);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
