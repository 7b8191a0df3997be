#pragma once

#include "net/CancelEvent.h"

namespace Korvanectl {

// While it lives, Ctrl-C (SIGINT) and SIGTERM set a cancel event instead of killing the process,
// so that a network operation ends cleanly and at once; a second one ends the process.
class CancelOnInterrupt {
public:
    // The exit code of a command that an interrupt cancelled.
    static constexpr int EXIT_CANCELLED = 130;

    CancelOnInterrupt();
    // Sets the given event instead of a new one.
    explicit CancelOnInterrupt(Zelt::CancelEventPtr event);
    ~CancelOnInterrupt();
    CancelOnInterrupt(const CancelOnInterrupt&) = delete;
    CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

    const Zelt::CancelEventPtr& Event() const { return m_event; }
    // The signal that set the event (SIGINT or SIGTERM); 0 while none came.
    static int Signal();

private:
    Zelt::CancelEventPtr m_event;
};

} // namespace Korvanectl
