#pragma once

#include <memory>

namespace Zelt {

// A manual-reset event that cancels network waits: once set it stays set, and every WaitSet
// that watches it wakes, until Reset. Shared between the thread that cancels and the waits.
class CancelEvent {
public:
    CancelEvent();
    ~CancelEvent();
    CancelEvent(const CancelEvent&) = delete;
    CancelEvent& operator=(const CancelEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // The descriptor that a poll() sees readable while the event is set.
    int Handle() const { return m_fd; }

private:
    int m_fd;
};

using CancelEventPtr = std::shared_ptr<CancelEvent>;

} // namespace Zelt
