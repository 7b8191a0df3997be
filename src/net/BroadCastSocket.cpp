#include "net/BroadCastSocket.h"

#include <sys/socket.h>

namespace Zelt {

CBroadCastSocket::CBroadCastSocket(CancelEventPtr cancelEvent, int nWaitMilliseconds)
    : CDtgmCltSocket(0, AF_INET, std::move(cancelEvent), nWaitMilliseconds) {}

void CBroadCastSocket::Open(uint16_t nPort) {
    OpenUnbound("255.255.255.255", nPort);
    m_socket.SetSocketLevelOption(SO_BROADCAST);
}

} // namespace Zelt
