#include "WindowUpdateHost.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace KorvaneApp {
namespace {

// One sent call: run on the GUI thread unless the sender gave up on it first.
struct SentCall {
    std::mutex mutex;
    std::condition_variable done;
    bool bDone = false;
    bool bAbandoned = false;
};

constexpr std::chrono::milliseconds kClosingCheck(50);

} // namespace

WindowUpdateHost::WindowUpdateHost(QObject* pParent) : QObject(pParent) {}

void WindowUpdateHost::SetTimer(int nTimer, int nMilliseconds) {
    QTimer*& pTimer = m_timers[nTimer];
    if (pTimer == nullptr) {
        pTimer = new QTimer(this);
        connect(pTimer, &QTimer::timeout, this, [this, nTimer] { emit TimerFired(nTimer); });
    }
    pTimer->start(nMilliseconds);
}

void WindowUpdateHost::KillTimer(int nTimer) {
    if (const auto found = m_timers.find(nTimer); found != m_timers.end()) {
        found->second->stop();
    }
}

int WindowUpdateHost::TimerPeriod(int nTimer) const {
    const auto found = m_timers.find(nTimer);
    return found != m_timers.end() && found->second->isActive() ? found->second->interval() : 0;
}

void WindowUpdateHost::SendToOwner(std::function<void()> call) {
    if (m_bClosing) {
        return;
    }
    auto sent = std::make_shared<SentCall>();
    QMetaObject::invokeMethod(
        this,
        [sent, &call] {
            std::lock_guard lock(sent->mutex);
            if (sent->bAbandoned) {
                return;
            }
            call();
            sent->bDone = true;
            sent->done.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(sent->mutex);
    while (!sent->bDone) {
        if (m_bClosing) {
            sent->bAbandoned = true;
            return;
        }
        sent->done.wait_for(lock, kClosingCheck);
    }
}

void WindowUpdateHost::PostToOwner(std::function<void()> call) {
    if (!m_bClosing) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }
}

} // namespace KorvaneApp
