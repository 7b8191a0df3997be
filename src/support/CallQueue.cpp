#include "support/CallQueue.h"

namespace Zelt {

void CCallQueue::Send(std::function<void()> call) {
    Completion completion;
    {
        // Notified under the lock: once the owner has taken the last call it may destroy the
        // queue, which must not happen while a caller still signals it.
        std::lock_guard lock(m_mutex);
        m_entries.push_back(Entry{std::move(call), &completion});
        m_changed.notify_one();
    }
    std::unique_lock lock(completion.mutex);
    completion.done.wait(lock, [&completion] { return completion.bDone; });
}

void CCallQueue::Post(std::function<void()> call) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(Entry{std::move(call), nullptr});
    m_changed.notify_one();
}

void CCallQueue::Run() {
    m_bQuit = false;
    while (!m_bQuit) {
        Entry entry;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_entries.empty(); });
            entry = std::move(m_entries.front());
            m_entries.pop_front();
        }
        // The sender is released even when its call throws; the exception is the owner's.
        const ReleaseSender release{entry.pCompletion};
        entry.call();
    }
}

CCallQueue::ReleaseSender::~ReleaseSender() {
    if (pCompletion != nullptr) {
        std::lock_guard lock(pCompletion->mutex);
        pCompletion->bDone = true;
        pCompletion->done.notify_one();
    }
}

} // namespace Zelt
