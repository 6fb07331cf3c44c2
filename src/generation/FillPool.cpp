#include "generation/FillPool.h"

#include <QThread>

namespace dokrava {

struct FillPool::Item
{
    std::function<void()> work;
    std::function<void(std::exception_ptr)> finish;
    bool done = false;
    std::exception_ptr error;
};

FillPool::FillPool(int threads)
    : m_threads(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()))
{
    m_pool.setMaxThreadCount(m_threads);
    // The run thread hands the work out; idle workers may go after a while as usual.
    m_pool.setExpiryTimeout(30000);
}

FillPool::~FillPool()
{
    m_pool.waitForDone();
}

void FillPool::add(std::function<void()> work, std::function<void(std::exception_ptr)> finish)
{
    auto item = std::make_shared<Item>();
    item->work = std::move(work);
    item->finish = std::move(finish);
    if (m_threads == 1) {
        try {
            item->work();
        } catch (...) {
            item->error = std::current_exception();
        }
        item->done = true;
        m_items.push_back(item);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.push_back(item);
    }
    m_pool.start([this, item] {
        std::exception_ptr error;
        try {
            item->work();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        item->error = error;
        item->done = true;
        m_done.notify_all();
    });
}

void FillPool::add(std::function<void()> finish)
{
    auto item = std::make_shared<Item>();
    item->finish = [finish = std::move(finish)](std::exception_ptr) { finish(); };
    item->done = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_items.push_back(item);
}

void FillPool::drain(int pending)
{
    runDue(std::max(0, pending));
}

void FillPool::runDue(int pending)
{
    for (;;) {
        std::shared_ptr<Item> front;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_items.empty())
                return;
            if (!m_items.front()->done) {
                if (int(m_items.size()) <= pending)
                    return;
                m_done.wait(lock, [this] { return m_items.front()->done; });
            }
            front = m_items.front();
            m_items.pop_front();
        }
        front->finish(front->error);
    }
}

} // namespace dokrava
