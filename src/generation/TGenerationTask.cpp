#include "generation/TGenerationTask.h"

#include "base/DokravaError.h"

#include <QThread>

namespace dokrava {

namespace {

// Lives on the worker thread and hands every report over to the owner's thread.
class ForwardingObserver : public IGenerationObserver
{
public:
    ForwardingObserver(TGenerationTask *task, IGenerationObserver *target) : m_task(task), m_target(target) {}
    void progressStarted(int maximum) override { forward([=](IGenerationObserver *o) { o->progressStarted(maximum); }); }
    void recordStarted(int row) override { forward([=](IGenerationObserver *o) { o->recordStarted(row); }); }
    void progressed(int position) override { forward([=](IGenerationObserver *o) { o->progressed(position); }); }
    void documentWritten(const QString &path) override
    {
        forward([=](IGenerationObserver *o) { o->documentWritten(path); });
    }
    void notice(const QString &text) override { forward([=](IGenerationObserver *o) { o->notice(text); }); }
    void documentsProgressed(int filled, int total, int converted) override
    {
        forward([=](IGenerationObserver *o) { o->documentsProgressed(filled, total, converted); });
    }
    void conversionsProgressed(int converted, int total) override
    {
        forward([=](IGenerationObserver *o) { o->conversionsProgressed(converted, total); });
    }
    void combiningProgressed(int done, int total) override
    {
        forward([=](IGenerationObserver *o) { o->combiningProgressed(done, total); });
    }
    void openFolder(const QString &path) override { forward([=](IGenerationObserver *o) { o->openFolder(path); }); }

private:
    void forward(std::function<void(IGenerationObserver *)> call)
    {
        IGenerationObserver *target = m_target;
        m_task->post([target, call] { call(target); });
    }
    TGenerationTask *m_task;
    IGenerationObserver *m_target;
};

} // namespace

TGenerationTask::TGenerationTask(QObject *parent) : QObject(parent) {}

TGenerationTask::~TGenerationTask()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void TGenerationTask::start(TGenerationInput input, IGenerationObserver *observer, Finished finished)
{
    if (m_running)
        return;
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_running = true;
    m_stop = false;
    input.stop = &m_stop;
    m_thread = QThread::create([this, input = std::move(input), observer, finished]() mutable {
        ForwardingObserver forwarding(this, observer);
        TGenerationRun run(std::move(input), &forwarding);
        QString error;
        try {
            run.run();
        } catch (const DokravaError &e) {
            error = e.message();
        } catch (const std::exception &e) {
            error = QString::fromLocal8Bit(e.what());
        }
        const int pdfErrors = run.pdfErrorCount();
        const int written = run.documentsWritten();
        post([this, finished, pdfErrors, written, error] {
            m_running = false;
            finished(pdfErrors, written, error);
        });
    });
    m_thread->start();
}

void TGenerationTask::wait()
{
    if (m_thread)
        m_thread->wait();
}

void TGenerationTask::post(std::function<void()> action)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(action));
    }
    QMetaObject::invokeMethod(this, &TGenerationTask::drain, Qt::QueuedConnection);
}

void TGenerationTask::drain()
{
    // A modal box opened by one action runs its own event loop, which calls drain again: the
    // outer call goes on with the queue once the box has closed, so the order holds.
    if (m_draining)
        return;
    m_draining = true;
    for (;;) {
        std::function<void()> action;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_queue.empty())
                break;
            action = std::move(m_queue.front());
            m_queue.pop_front();
        }
        action();
    }
    m_draining = false;
}

} // namespace dokrava
