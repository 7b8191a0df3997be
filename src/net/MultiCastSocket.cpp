#include "net/MultiCastSocket.h"

#include "net/SocketErrors.h"
#include "support/Trace.h"

#include <sys/socket.h>

namespace Zelt {

CMultiCastSocket::CMultiCastSocket(CancelEventPtr cancelEvent, int nWaitMilliseconds)
    : CDtgmCltSocket(0, AF_INET6, std::move(cancelEvent), nWaitMilliseconds) {}

void CMultiCastSocket::Open(uint16_t nPort) {
    try {
        OpenUnbound("FF02:0:0:0:0:0:0:1", nPort);
    } catch (const CSocketError&) {
        DebugTrace("CMultiCastSocket::Open: OpenSocket failed.\n");
        throw;
    }
}

} // namespace Zelt
