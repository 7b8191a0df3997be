#include "net/WaitSet.h"

#include <cerrno>
#include <chrono>
#include <poll.h>

namespace Zelt {
namespace {

using Clock = std::chrono::steady_clock;

constexpr short kHandleReady = POLLIN | POLLHUP | POLLERR;

// The end of a limit rounded up to whole passes; a limit of 0 checks once without waiting.
Clock::time_point DeadlineFor(int nLimitMilliseconds) {
    const long long nPasses =
        (static_cast<long long>(nLimitMilliseconds) + WAIT_PASS_MILLISECONDS - 1) / WAIT_PASS_MILLISECONDS;
    return Clock::now() + std::chrono::milliseconds(nPasses * WAIT_PASS_MILLISECONDS);
}

int PollTimeout(bool bForever, Clock::time_point deadline) {
    if (bForever) {
        return -1;
    }
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return remaining.count() > 0 ? static_cast<int>(remaining.count()) : 0;
}

bool AnyInvalid(const std::vector<pollfd>& fds) {
    for (const pollfd& fd : fds) {
        if ((fd.revents & POLLNVAL) != 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int WaitSet::AddSocket(int nSocket) {
    m_sockets.push_back(nSocket);
    return static_cast<int>(m_sockets.size()) - 1;
}

int WaitSet::AddHandle(int nHandle, bool bPipe) {
    std::vector<int>& list = bPipe ? m_pipes : m_events;
    list.push_back(nHandle);
    return static_cast<int>(list.size()) - 1;
}

int WaitSet::AddEvent(const CancelEventPtr& event) {
    return AddHandle(event->Handle(), false);
}

void WaitSet::ResetResult() {
    m_nReadySocket = -1;
    m_nReadyHandle = -1;
    m_nCondition = WAIT_NONE;
}

int WaitSet::Wait(int nLimitMilliseconds, bool bRead, bool bWrite, bool bError) {
    ResetResult();
    // Events first, then queue handles, then sockets: the order in which results are taken.
    std::vector<pollfd> fds;
    for (const std::vector<int>* handles : {&m_events, &m_pipes}) {
        for (int nHandle : *handles) {
            fds.push_back(pollfd{nHandle, POLLIN, 0});
        }
    }
    const short socketEvents =
        static_cast<short>((bRead ? POLLIN : 0) | (bWrite ? POLLOUT : 0) | (bError ? POLLPRI : 0));
    if (socketEvents != 0) {
        for (int nSocket : m_sockets) {
            fds.push_back(pollfd{nSocket, socketEvents, 0});
        }
    }
    const bool bForever = nLimitMilliseconds < 0;
    const Clock::time_point deadline = bForever ? Clock::time_point::max() : DeadlineFor(nLimitMilliseconds);
    while (true) {
        const int nReady = poll(fds.data(), fds.size(), PollTimeout(bForever, deadline));
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady < 0 || AnyInvalid(fds)) {
            return -1;
        }
        if (nReady > 0 && (TakeHandleResult(fds) || TakeSocketResult(fds, bRead, bWrite, bError))) {
            return 1;
        }
        if (!bForever && Clock::now() >= deadline) {
            return 0;
        }
    }
}

bool WaitSet::TakeHandleResult(const std::vector<pollfd>& fds) {
    const size_t nHandles = m_events.size() + m_pipes.size();
    for (size_t i = 0; i < nHandles; ++i) {
        if ((fds[i].revents & kHandleReady) != 0) {
            m_nReadyHandle = fds[i].fd;
            m_nCondition = WAIT_READABLE;
            return true;
        }
    }
    return false;
}

bool WaitSet::TakeSocketResult(const std::vector<pollfd>& fds, bool bRead, bool bWrite, bool bError) {
    // A pending error or hang-up shows in every watched set, as select() reports it.
    const struct {
        bool bWatched;
        short readyEvents;
        int nCondition;
    } sets[] = {
        {bRead, POLLIN | POLLHUP | POLLERR, WAIT_READABLE},
        {bWrite, POLLOUT | POLLHUP | POLLERR, WAIT_WRITABLE},
        {bError, POLLPRI | POLLHUP | POLLERR, WAIT_ERROR},
    };
    const size_t nFirstSocket = m_events.size() + m_pipes.size();
    for (const auto& set : sets) {
        for (size_t i = nFirstSocket; set.bWatched && i < fds.size(); ++i) {
            if ((fds[i].revents & set.readyEvents) != 0) {
                m_nReadySocket = fds[i].fd;
                m_nCondition = set.nCondition;
                return true;
            }
        }
    }
    return false;
}

int WaitSet::GetSocketCondition(int nSocket) const {
    return nSocket >= 0 && nSocket == m_nReadySocket ? m_nCondition : WAIT_NONE;
}

int WaitSet::GetHandleCondition(int nHandle) const {
    return nHandle >= 0 && nHandle == m_nReadyHandle ? m_nCondition : WAIT_NONE;
}

} // namespace Zelt
