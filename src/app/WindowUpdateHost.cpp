#include "WindowUpdateHost.h"

namespace KorvaneApp {

WindowUpdateHost::WindowUpdateHost(QObject* pParent) : QObject(pParent), m_handOver(this) {}

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
    m_handOver.Send(call);
}

void WindowUpdateHost::PostToOwner(std::function<void()> call) {
    m_handOver.Post(std::move(call));
}

} // namespace KorvaneApp
