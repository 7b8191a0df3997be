#include "InterruptWatch.h"

#include <poll.h>

namespace Korvanectl {

InterruptWatch::InterruptWatch(Zelt::CancelEventPtr interrupt, std::function<void()> action)
    : m_interrupt(std::move(interrupt)), m_thread([this, action = std::move(action)] { Watch(action); }) {}

InterruptWatch::~InterruptWatch() {
    m_ended.Set();
    m_thread.join();
}

void InterruptWatch::Watch(const std::function<void()>& action) const {
    pollfd fds[2] = {{m_interrupt->Handle(), POLLIN, 0}, {m_ended.Handle(), POLLIN, 0}};
    while (poll(fds, 2, -1) < 0) {
    }
    if ((fds[0].revents & POLLIN) != 0) {
        action();
    }
}

} // namespace Korvanectl
