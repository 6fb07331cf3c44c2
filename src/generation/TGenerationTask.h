#pragma once

#include "generation/TGenerationRun.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

class QThread;

namespace dokrava {

// Runs one generation run on a worker thread so the window stays responsive. Everything the run
// reports is replayed, in the order reported, on the thread that owns this object; a modal box
// shown by one report holds back the next until it closes.
class TGenerationTask : public QObject
{
    Q_OBJECT
public:
    // How the run ended: the failed conversions, the documents written and, after an error, its
    // message (empty on success).
    using Finished = std::function<void(int pdfErrors, int written, const QString &error)>;

    explicit TGenerationTask(QObject *parent = nullptr);
    // Waits for a run still in progress; its remaining reports are dropped.
    ~TGenerationTask() override;

    // True from start() until the finished callback has run.
    bool running() const { return m_running; }

    // Asks the run in progress to stop: it ends after the document being written, ends the
    // converters, keeps every filled document (one still waiting for its PDF in its own format)
    // and reports what was done.
    void stop() { m_stop = true; }
    // Waits until the worker thread has ended (its reports still wait for this object's thread).
    void wait();

    // Starts the run; observer (not owned, used on this object's thread only) receives the
    // reports, then finished runs once.
    void start(TGenerationInput input, IGenerationObserver *observer, Finished finished);

    // Queues an action for this object's thread (callable from any thread).
    void post(std::function<void()> action);

private:
    void drain();

    QThread *m_thread = nullptr;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_queue;
    bool m_draining = false;
    bool m_running = false;
    std::atomic<bool> m_stop{false};
};

} // namespace dokrava
