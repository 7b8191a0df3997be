#include "net/DtgmCltSocket.h"

#include "net/AddressText.h"
#include "net/SockAddr.h"
#include "net/SocketErrors.h"
#include "support/Trace.h"

#include <netinet/in.h>

namespace Zelt {
namespace {

socklen_t AddressLength(int nFamily) {
    return nFamily == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

} // namespace

CDtgmCltSocket::CDtgmCltSocket(uint16_t nLocalPort, int nFamily, CancelEventPtr cancelEvent,
                               int nWaitMilliseconds)
    : CClientSocket(SOCKET_KIND_DATAGRAM, nFamily, std::move(cancelEvent), nWaitMilliseconds),
      m_nLocalPort(nLocalPort) {}

void CDtgmCltSocket::OpenUnbound(std::string_view address, uint16_t nPort) {
    m_socket.SetFamily(GetAddressFamily(address));
    SetSockAddrIn(m_remote, address, nPort);
    m_socket.OpenSocket();
}

void CDtgmCltSocket::Open(std::string_view address, uint16_t nPort) {
    OpenUnbound(address, nPort);
    // The local end is the wildcard address of the family: binding to the destination address
    // itself would only work for destinations on this machine.
    const int nFamily = m_socket.GetFamily();
    try {
        m_socket.Bind(nFamily == AF_INET6 ? "::" : "0.0.0.0", m_nLocalPort);
    } catch (const CSocketError&) {
        DebugTrace("CDtgmCltSocket::Open: failed to bind socket.\n");
        throw;
    }
}

size_t CDtgmCltSocket::Write(const void* pData, size_t nLength) {
    const int nFamily = m_remote.ss_family;
    const bool bInstalled = nFamily == AF_INET6 ? m_socket.IsIPv6Available() : m_socket.IsIPv4Available();
    if (!bInstalled) {
        return 0;
    }
    return m_socket.SendTo(m_socket.GetSocket(nFamily), pData, nLength,
                           reinterpret_cast<const sockaddr*>(&m_remote), AddressLength(nFamily));
}

size_t CDtgmCltSocket::Read(void* pBuffer, size_t nSize, sockaddr_storage* pSource,
                            socklen_t* pSourceLength) {
    WaitReadable("CDtgmCltSocket::Read(): SocketEvent Wait Error!");
    sockaddr_storage source{};
    socklen_t nSourceLength = sizeof source;
    const size_t nReceived = m_socket.RecvFrom(m_socket.GetSocket(m_socket.GetFamily()), pBuffer, nSize,
                                               reinterpret_cast<sockaddr*>(&source), &nSourceLength);
    if (pSource != nullptr) {
        *pSource = source;
    }
    if (pSourceLength != nullptr) {
        *pSourceLength = nSourceLength;
    }
    return nReceived;
}

} // namespace Zelt
