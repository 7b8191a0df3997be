#pragma once

#include "net/CancelEvent.h"

#include <poll.h>
#include <vector>

namespace Zelt {

// What made a wait end, for the object that ended it.
enum WaitCondition : int {
    WAIT_READABLE = 0, // for a handle: signalled or data available
    WAIT_WRITABLE = 1,
    WAIT_ERROR = 2,
    WAIT_NONE = 3,
};

constexpr int WAIT_PASS_MILLISECONDS = 1500;
constexpr int WAIT_FOREVER = -1;

// One wait over sockets, queue handles (readable while they hold data) and cancel events.
// Everything is watched by one poll(), so a set event is noticed at once, also while a socket
// keeps receiving. Limits are counted in whole passes of 1500 ms, the granularity of the
// protocol's time limits: 1000 and 1500 both end after 1.5 s, 1501 after 3 s.
class WaitSet {
public:
    // Each returns the object's index within its own list.
    int AddSocket(int nSocket);
    int AddHandle(int nHandle, bool bPipe);
    int AddEvent(const CancelEventPtr& event);

    // 1 when an object became ready, 0 when the limit ran out, -1 when the wait failed.
    // Several ready objects: a set event first, then queue handles, then sockets in the order
    // read, write, error and in insertion order.
    int Wait(int nLimitMilliseconds, bool bRead, bool bWrite, bool bError);

    // The condition of the object that ended the last wait; WAIT_NONE for any other object.
    int GetSocketCondition(int nSocket) const;
    int GetHandleCondition(int nHandle) const;

    // The socket or handle that ended the last wait, -1 when none did.
    int ReadySocket() const { return m_nReadySocket; }
    int ReadyHandle() const { return m_nReadyHandle; }

private:
    void ResetResult();
    bool TakeHandleResult(const std::vector<pollfd>& fds);
    bool TakeSocketResult(const std::vector<pollfd>& fds, bool bRead, bool bWrite, bool bError);

    std::vector<int> m_sockets;
    std::vector<int> m_pipes;
    std::vector<int> m_events;
    int m_nReadySocket = -1;
    int m_nReadyHandle = -1;
    int m_nCondition = WAIT_NONE;
};

} // namespace Zelt
