#include "CancelOnInterrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>

namespace Korvanectl {
namespace {

std::atomic<Zelt::CancelEvent*> g_pInterruptEvent{nullptr};
std::atomic<bool> g_bInterrupted{false};
std::atomic<int> g_nSignal{0};

// Setting the event is a write() on an eventfd, which a signal handler may do. The second signal
// ends the program at once, the way the first would have without this handler: a wait that no
// event reaches must not make Ctrl-C useless.
void SetInterruptEvent(int nSignal) {
    const int nSavedErrno = errno;
    if (g_bInterrupted.exchange(true)) {
        std::signal(nSignal, SIG_DFL);
        std::raise(nSignal); // blocked until this handler returns, then fatal
    } else if (Zelt::CancelEvent* pEvent = g_pInterruptEvent.load()) {
        g_nSignal = nSignal;
        pEvent->Set();
    }
    errno = nSavedErrno;
}

} // namespace

CancelOnInterrupt::CancelOnInterrupt() : CancelOnInterrupt(std::make_shared<Zelt::CancelEvent>()) {}

CancelOnInterrupt::CancelOnInterrupt(Zelt::CancelEventPtr event) : m_event(std::move(event)) {
    g_bInterrupted = false;
    g_nSignal = 0;
    g_pInterruptEvent = m_event.get();
    std::signal(SIGINT, SetInterruptEvent);
    std::signal(SIGTERM, SetInterruptEvent);
}

int CancelOnInterrupt::Signal() {
    return g_nSignal;
}

CancelOnInterrupt::~CancelOnInterrupt() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_pInterruptEvent = nullptr;
}

} // namespace Korvanectl
