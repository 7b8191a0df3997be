#pragma once

#include "net/CancelEvent.h"

#include <functional>
#include <thread>

namespace Korvanectl {

// Runs an action on a thread of its own once the interrupt's event is set, for a loop that no
// event reaches directly (the call queue of the store's owner). The watch ends with the object.
class InterruptWatch {
public:
    InterruptWatch(Zelt::CancelEventPtr interrupt, std::function<void()> action);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    void Watch(const std::function<void()>& action) const;

    Zelt::CancelEventPtr m_interrupt;
    Zelt::CancelEvent m_ended;
    std::thread m_thread;
};

} // namespace Korvanectl
