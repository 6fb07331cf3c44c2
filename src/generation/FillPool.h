#pragma once

#include <QThreadPool>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace dokrava {

// Runs the filling of documents on worker threads and hands each result back on the calling
// thread in the order the work was given, so whatever the caller reports (documents written,
// notices, errors) comes in the order one thread doing it all would give. With one thread the
// work runs at once on the calling thread.
class FillPool
{
public:
    // threads workers; 0: one per core.
    explicit FillPool(int threads);
    // Waits for work still running; finishes not yet run are dropped.
    ~FillPool();

    FillPool(const FillPool &) = delete;
    FillPool &operator=(const FillPool &) = delete;

    // Workers at most.
    int threads() const { return m_threads; }

    // Queues work for a worker (with one thread, runs it here and now). finish never runs from
    // add(): drain() runs it, on the thread that calls drain(), once the work and everything
    // queued before it are done. finish gets what the work threw, or null.
    void add(std::function<void()> work, std::function<void(std::exception_ptr)> finish);
    // Queues finish alone, for drain() to run in its turn.
    void add(std::function<void()> finish);

    // Runs the finishes that are due; waits until no more than pending items are left. An
    // exception a finish throws leaves this call, and the items after it stay queued.
    void drain(int pending = 0);

private:
    struct Item;
    void runDue(int pending);

    int m_threads;
    QThreadPool m_pool;
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::deque<std::shared_ptr<Item>> m_items;
};

} // namespace dokrava
