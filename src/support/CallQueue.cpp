#include "support/CallQueue.h"

namespace Zelt {

void CCallQueue::Send(std::function<void()> call) {
    bool bDone = false;
    std::unique_lock lock(m_mutex);
    m_entries.push_back(Entry{std::move(call), &bDone});
    m_changed.notify_all();
    m_changed.wait(lock, [&bDone] { return bDone; });
}

void CCallQueue::Post(std::function<void()> call) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(Entry{std::move(call), nullptr});
    m_changed.notify_all();
}

void CCallQueue::Run() {
    m_bQuit = false;
    std::unique_lock lock(m_mutex);
    while (!m_bQuit) {
        m_changed.wait(lock, [this] { return !m_entries.empty(); });
        Entry entry = std::move(m_entries.front());
        m_entries.pop_front();
        lock.unlock();
        entry.call();
        lock.lock();
        if (entry.pDone != nullptr) {
            *entry.pDone = true;
            m_changed.notify_all();
        }
    }
}

} // namespace Zelt
