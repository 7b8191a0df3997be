#include "net/DtgmSrvSocket.h"

#include "net/AddressScope.h"
#include "net/AddressText.h"
#include "net/SocketErrors.h"
#include "net/WaitSet.h"
#include "support/Trace.h"

#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <string>

namespace Zelt {
namespace {

bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b) {
    if (a.ss_family != b.ss_family) {
        return false;
    }
    if (a.ss_family == AF_INET) {
        return reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(b).sin_addr.s_addr;
    }
    return std::memcmp(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr,
                       &reinterpret_cast<const sockaddr_in6&>(b).sin6_addr, sizeof(in6_addr)) == 0;
}

socklen_t AddressLength(int nFamily) {
    return nFamily == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

} // namespace

CDtgmSrvSocket::CDtgmSrvSocket(uint16_t nPort, size_t nMaxDatagramSize, int nFamily,
                               CancelEventPtr cancelEvent, int nWaitMilliseconds)
    : CServerSocket(SOCKET_KIND_DATAGRAM, nPort, nFamily, std::move(cancelEvent), nWaitMilliseconds),
      m_nMaxDatagramSize(nMaxDatagramSize) {}

void CDtgmSrvSocket::Open(uint16_t nPort) {
    m_nPort = nPort;
    m_socket.OpenSocket();
    const int nFamily = m_socket.GetFamily();
    if (nFamily == AF_UNSPEC || nFamily == AF_INET) {
        BindWildcard(AF_INET, "0.0.0.0", "(IPv4) ");
    }
    if (nFamily == AF_UNSPEC || nFamily == AF_INET6) {
        BindWildcard(AF_INET6, "::", "(IPv6) ");
    }
}

void CDtgmSrvSocket::BindWildcard(int nFamily, const char* pszAddress, const char* pszFamilyLabel) {
    const bool bInstalled = nFamily == AF_INET ? m_socket.IsIPv4Available() : m_socket.IsIPv6Available();
    if (!bInstalled) {
        DebugTrace("CDtgmSrvSocket::Open: %sprotocol disabled.\n", pszFamilyLabel);
        return;
    }
    addrinfo hints{};
    hints.ai_family = nFamily;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* pResults = nullptr;
    if (getaddrinfo(pszAddress, std::to_string(m_nPort).c_str(), &hints, &pResults) != 0) {
        ThrowSocketError(std::string("CDtgmSrvSocket::Open: ") + pszFamilyLabel + "getaddrinfo failed.",
                         SOCKET_KIND_OPEN);
    }
    try {
        for (const addrinfo* pResult = pResults; pResult != nullptr; pResult = pResult->ai_next) {
            m_socket.Bind(pResult->ai_addr, pResult->ai_addrlen);
        }
    } catch (...) {
        freeaddrinfo(pResults);
        throw;
    }
    freeaddrinfo(pResults);
}

void CDtgmSrvSocket::AddSockets(WaitSet& waitSet) const {
    for (int nFamily : {AF_INET, AF_INET6}) {
        if (m_socket.GetSocket(nFamily) != INVALID_SOCKET_HANDLE) {
            waitSet.AddSocket(m_socket.GetSocket(nFamily));
        }
    }
    if (m_cancelEvent) {
        waitSet.AddEvent(m_cancelEvent);
    }
}

bool CDtgmSrvSocket::IsOwnSocket(int nSocket) const {
    return nSocket != INVALID_SOCKET_HANDLE &&
           (nSocket == m_socket.GetSocket(AF_INET) || nSocket == m_socket.GetSocket(AF_INET6));
}

int CDtgmSrvSocket::FindPeer(const sockaddr_storage& address) const {
    for (size_t i = 0; i < m_peers.size(); ++i) {
        if (SameHost(m_peers[i].address, address)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CDtgmSrvSocket::FreeSlot() {
    for (size_t i = 0; i < m_peers.size(); ++i) {
        if (!m_peers[i].bOpen) {
            return static_cast<int>(i);
        }
    }
    m_peers.emplace_back();
    return static_cast<int>(m_peers.size()) - 1;
}

CDtgmSrvSocket::Routed CDtgmSrvSocket::ReceiveAndRoute(int nSocket, bool bAcceptNew) {
    std::string datagram(m_nMaxDatagramSize, '\0');
    sockaddr_storage source{};
    socklen_t nSourceLength = sizeof source;
    datagram.resize(m_socket.RecvFrom(nSocket, datagram.data(), datagram.size(),
                                      reinterpret_cast<sockaddr*>(&source), &nSourceLength));
    int nPeer = FindPeer(source);
    if (nPeer >= 0 && m_peers[nPeer].queue) {
        m_peers[nPeer].queue->Push(datagram);
        return Routed{nPeer, false};
    }
    if (nPeer < 0) {
        nPeer = FreeSlot();
    }
    Peer& peer = m_peers[nPeer];
    peer.address = source;
    peer.queue = std::make_unique<CDatagramQueue>();
    peer.queue->Push(datagram);
    peer.bAccepted = bAcceptNew;
    peer.bOpen = true;
    return Routed{nPeer, true};
}

void CDtgmSrvSocket::ThrowWaitOutcome(const WaitSet& waitSet, int nResult, const char* pszOperation,
                                      int nKind, const char* pszNoSocketMessage) const {
    if (nResult == 0) {
        DebugTrace("CDtgmSrvSocket::%s socket timeout.\n", pszOperation);
        throw CSocketTimeOut(nKind);
    }
    if (nResult < 0) {
        DebugTrace("CDtgmSrvSocket::%s select error.\n", pszOperation);
        throw CSocketError("select error.", SOCKET_KIND_WAIT);
    }
    if (m_cancelEvent && waitSet.GetHandleCondition(m_cancelEvent->Handle()) == WAIT_READABLE) {
        DebugTrace("CDtgmSrvSocket::%s canceled.\n", pszOperation);
        throw CSocketEvent();
    }
    DebugTrace("CDtgmSrvSocket::%s %s\n", pszOperation, pszNoSocketMessage);
    throw CSocketError(pszNoSocketMessage, nKind);
}

int CDtgmSrvSocket::Accept() {
    std::lock_guard lock(m_lock);
    while (true) {
        for (size_t i = 0; i < m_peers.size(); ++i) {
            if (m_peers[i].bOpen && !m_peers[i].bAccepted) {
                m_peers[i].bAccepted = true;
                return static_cast<int>(i);
            }
        }
        WaitSet waitSet;
        AddSockets(waitSet);
        const int nResult = waitSet.Wait(m_nWaitMilliseconds, true, false, false);
        if (nResult != 1 || !IsOwnSocket(waitSet.ReadySocket())) {
            ThrowWaitOutcome(waitSet, nResult, "_Accept():", SOCKET_KIND_ACCEPT, "socket accept error.");
        }
        const Routed routed = ReceiveAndRoute(waitSet.ReadySocket(), true);
        if (routed.bNewConnection) {
            return routed.nPeer;
        }
    }
}

bool CDtgmSrvSocket::IsLoopbackPeer(int nConnection) {
    std::lock_guard lock(m_lock);
    if (nConnection < 0 || static_cast<size_t>(nConnection) >= m_peers.size()) {
        return false;
    }
    const sockaddr_storage& address = m_peers[nConnection].address;
    if (address.ss_family == AF_INET) {
        return IsLoopbackAddress(
            FormatAddressText(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr));
    }
    return address.ss_family == AF_INET6 &&
           IsLoopbackAddress(
               FormatAddressText(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr));
}

size_t CDtgmSrvSocket::Read(int nConnection, void* pBuffer, size_t nLength) {
    std::lock_guard lock(m_lock);
    const auto isReadable = [&] {
        return nConnection >= 0 && static_cast<size_t>(nConnection) < m_peers.size() &&
               m_peers[nConnection].queue;
    };
    if (!isReadable()) {
        ThrowSocketError("socket read error.", SOCKET_KIND_RECEIVE);
    }
    while (true) {
        CDatagramQueue& queue = *m_peers[nConnection].queue;
        WaitSet waitSet;
        waitSet.AddHandle(queue.Handle(), true);
        AddSockets(waitSet);
        const int nResult = waitSet.Wait(m_nWaitMilliseconds, true, false, false);
        if (nResult == 1 && waitSet.ReadyHandle() == queue.Handle()) {
            return queue.Pop(pBuffer, nLength);
        }
        if (nResult != 1 || !IsOwnSocket(waitSet.ReadySocket())) {
            ThrowWaitOutcome(waitSet, nResult, "_Read:", SOCKET_KIND_RECEIVE, "socket read error.");
        }
        // A datagram of another peer waits in that peer's queue; this read goes on waiting.
        ReceiveAndRoute(waitSet.ReadySocket(), false);
    }
}

size_t CDtgmSrvSocket::Write(int nConnection, const void* pData, size_t nLength) {
    std::lock_guard lock(m_lock);
    if (nConnection < 0 || static_cast<size_t>(nConnection) >= m_peers.size()) {
        ThrowSocketError("socket write error.", SOCKET_KIND_SEND);
    }
    const sockaddr_storage& address = m_peers[nConnection].address;
    return m_socket.SendTo(m_socket.GetSocket(address.ss_family), pData, nLength,
                           reinterpret_cast<const sockaddr*>(&address), AddressLength(address.ss_family));
}

void CDtgmSrvSocket::Close(int nConnection) {
    std::lock_guard lock(m_lock);
    if (nConnection >= 0 && static_cast<size_t>(nConnection) < m_peers.size()) {
        Peer& peer = m_peers[nConnection];
        peer.queue.reset();
        peer.bAccepted = true;
        peer.bOpen = false;
    }
}

void CDtgmSrvSocket::Close() {
    std::lock_guard lock(m_lock);
    m_peers.clear();
    m_socket.Close();
}

} // namespace Zelt
