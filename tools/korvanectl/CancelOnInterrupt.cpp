#include "CancelOnInterrupt.h"

#include <atomic>
#include <csignal>

namespace Korvanectl {
namespace {

std::atomic<Zelt::CancelEvent*> g_pInterruptEvent{nullptr};

// Setting the event is a write() on an eventfd, which a signal handler may do.
void SetInterruptEvent(int) {
    if (Zelt::CancelEvent* pEvent = g_pInterruptEvent.load()) {
        pEvent->Set();
    }
}

} // namespace

CancelOnInterrupt::CancelOnInterrupt() : CancelOnInterrupt(std::make_shared<Zelt::CancelEvent>()) {}

CancelOnInterrupt::CancelOnInterrupt(Zelt::CancelEventPtr event) : m_event(std::move(event)) {
    g_pInterruptEvent = m_event.get();
    std::signal(SIGINT, SetInterruptEvent);
    std::signal(SIGTERM, SetInterruptEvent);
}

CancelOnInterrupt::~CancelOnInterrupt() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_pInterruptEvent = nullptr;
}

} // namespace Korvanectl
