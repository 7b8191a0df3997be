#include "net/BaseSocket.h"

#include "net/AddressText.h"
#include "net/NetworkInterfaces.h"
#include "net/SockAddr.h"
#include "net/SocketErrors.h"
#include "net/WsaErrorText.h"
#include "support/Trace.h"

#include <cerrno>
#include <netinet/in.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Zelt {
namespace {

const char* FamilyLabel(int nFamily) {
    return nFamily == AF_INET6 ? "(IPv6) " : "(IPv4) ";
}

bool IsLinkLocal(const in6_addr& address) {
    return address.s6_addr[0] == 0xFE && (address.s6_addr[1] & 0xC0) == 0x80;
}

// A connect on a non-blocking socket that is still under way has not failed.
bool ConnectStarted(int nResult) {
    return nResult == 0 || errno == EINPROGRESS || CBaseSocket::IsWouldBlock();
}

size_t CheckedCount(ssize_t nResult, const char* pszMessage, int nKind) {
    if (nResult < 0) {
        const int nSystemError = errno;
        DebugTrace("%s", LastWsaErrorText());
        ThrowSocketError(pszMessage, nKind, nSystemError);
    }
    return static_cast<size_t>(nResult);
}

} // namespace

CBaseSocket::CBaseSocket(int nSocketKind, int nFamily)
    : m_nSocketKind(nSocketKind), m_nFamily(nFamily), m_bIPv4Available(IsProtocolAvailable(AF_INET)),
      m_bIPv6Available(IsProtocolAvailable(AF_INET6)) {}

CBaseSocket::~CBaseSocket() {
    Close();
}

bool CBaseSocket::IsIPv4InUse() const {
    return m_bIPv4Available && (m_nFamily == AF_UNSPEC || m_nFamily == AF_INET);
}

bool CBaseSocket::IsIPv6InUse() const {
    return m_bIPv6Available && (m_nFamily == AF_UNSPEC || m_nFamily == AF_INET6);
}

int CBaseSocket::GetSocket(int nFamily) const {
    return nFamily == AF_INET6 ? m_nIPv6Socket : m_nIPv4Socket;
}

void CBaseSocket::OpenOne(int nFamily, int& nSocket, const char* pszFamilyLabel) {
    const int nType = m_nSocketKind == SOCKET_KIND_STREAM ? SOCK_STREAM : SOCK_DGRAM;
    const int nProtocol = m_nSocketKind == SOCKET_KIND_STREAM ? IPPROTO_TCP : IPPROTO_UDP;
    const int nNew = socket(nFamily, nType | SOCK_CLOEXEC, nProtocol);
    if (nNew < 0) {
        ThrowSocketError(std::string("CBaseSocket::OpenSocket: ") + pszFamilyLabel + "Socket Open Error!\n" +
                             LastWsaErrorText(),
                         SOCKET_KIND_OPEN);
    }
    nSocket = nNew;
}

void CBaseSocket::OpenSocket() {
    if (IsIPv4InUse()) {
        OpenOne(AF_INET, m_nIPv4Socket, "(IPv4) ");
    }
    if (IsIPv6InUse()) {
        OpenOne(AF_INET6, m_nIPv6Socket, "(IPv6) ");
        const int nOn = 1;
        SetSockOpt(IPPROTO_IPV6, IPV6_V6ONLY, &nOn, sizeof nOn);
    }
    SetSocketLevelOption(SO_REUSEADDR);
}

void CBaseSocket::Close() {
    for (int* pSocket : {&m_nIPv4Socket, &m_nIPv6Socket}) {
        if (*pSocket != INVALID_SOCKET_HANDLE) {
            close(*pSocket);
            *pSocket = INVALID_SOCKET_HANDLE;
        }
    }
}

void CBaseSocket::SetSockOpt(int nLevel, int nOption, const void* pValue, socklen_t nLength) {
    if (nLevel != IPPROTO_IP && nLevel != IPPROTO_IPV6) {
        ThrowSocketError("CBaseSocket::SetSockOpt: (UNKNOWN) unsupported level.\n", SOCKET_KIND_OPTION);
    }
    const int nFamily = nLevel == IPPROTO_IPV6 ? AF_INET6 : AF_INET;
    if (setsockopt(GetSocket(nFamily), nLevel, nOption, pValue, nLength) == 0) {
        return;
    }
    // A stack without the IPv6-only switch keeps the families apart anyway.
    if (nLevel == IPPROTO_IPV6 && nOption == IPV6_V6ONLY && errno == ENOPROTOOPT) {
        return;
    }
    ThrowSocketError(std::string("CBaseSocket::SetSockOpt: ") + FamilyLabel(nFamily) +
                         "setsockopt failed.\n" + LastWsaErrorText(),
                     SOCKET_KIND_OPTION);
}

void CBaseSocket::SetSocketLevelOption(int nOption) {
    const int nOn = 1;
    for (int nFamily : {AF_INET, AF_INET6}) {
        const bool bInUse = nFamily == AF_INET ? IsIPv4InUse() : IsIPv6InUse();
        if (bInUse && setsockopt(GetSocket(nFamily), SOL_SOCKET, nOption, &nOn, sizeof nOn) != 0) {
            ThrowSocketError(std::string("CBaseSocket::SetSockOpt: ") + FamilyLabel(nFamily) +
                                 "setsockopt failed.\n" + LastWsaErrorText(),
                             SOCKET_KIND_OPTION);
        }
    }
}

void CBaseSocket::IoCtlSocket(unsigned long nCommand, int nArgument) {
    for (int nFamily : {AF_INET, AF_INET6}) {
        const bool bInUse = nFamily == AF_INET ? IsIPv4InUse() : IsIPv6InUse();
        if (bInUse && ioctl(GetSocket(nFamily), nCommand, &nArgument) != 0) {
            ThrowSocketError(std::string("CBaseSocket::IoCtlSocket: ") + FamilyLabel(nFamily) +
                                 "Socket IoCtlSocket Error!\n",
                             SOCKET_KIND_IOCTL);
        }
    }
}

void CBaseSocket::Bind(std::string_view address, uint16_t nPort) {
    const int nFamily = GetAddressFamily(address);
    if (nFamily == AF_UNSPEC) {
        ThrowSocketError("CBaseSocket::Bind: (UNKNOWN) Socket Bind Error!", SOCKET_KIND_BIND);
    }
    sockaddr_storage storage{};
    SetSockAddrIn(storage, address, nPort);
    const socklen_t nLength = nFamily == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (bind(GetSocket(nFamily), reinterpret_cast<const sockaddr*>(&storage), nLength) != 0) {
        ThrowSocketError(std::string("CBaseSocket::Bind: ") + LastWsaErrorText() + FamilyLabel(nFamily) +
                             "Socket Bind Error!",
                         SOCKET_KIND_BIND);
    }
}

void CBaseSocket::Bind(const sockaddr* pAddress, socklen_t nLength) {
    const int nFamily = pAddress->sa_family;
    if (nFamily != AF_INET && nFamily != AF_INET6) {
        ThrowSocketError("CBaseSocket::Bind: (UNKNOWN) address family " + std::to_string(nFamily) +
                             " is not supported.\n",
                         SOCKET_KIND_BIND);
    }
    if (bind(GetSocket(nFamily), pAddress, nLength) != 0) {
        ThrowSocketError(std::string("CBaseSocket::Bind: ") + FamilyLabel(nFamily) + "bind failed.\n" +
                             LastWsaErrorText(),
                         SOCKET_KIND_BIND);
    }
}

void CBaseSocket::Connect(std::string_view address, uint16_t nPort) {
    const int nFamily = GetAddressFamily(address);
    if (nFamily == AF_UNSPEC) {
        ThrowSocketError("CBaseSocket::Connect: (UNSPEC) Socket Connect Error!\n", SOCKET_KIND_CONNECT);
    }
    sockaddr_storage storage{};
    SetSockAddrIn(storage, address, nPort);
    bool bStarted = false;
    if (nFamily == AF_INET) {
        bStarted = ConnectStarted(
            connect(m_nIPv4Socket, reinterpret_cast<const sockaddr*>(&storage), sizeof(sockaddr_in)));
    } else {
        auto& address6 = reinterpret_cast<sockaddr_in6&>(storage);
        if (IsLinkLocal(address6.sin6_addr)) {
            ConnectLinkLocal(address6);
            return;
        }
        bStarted = ConnectStarted(
            connect(m_nIPv6Socket, reinterpret_cast<const sockaddr*>(&address6), sizeof address6));
    }
    if (!bStarted) {
        const int nSystemError = errno;
        ThrowSocketError(std::string("CBaseSocket::Connect: ") + LastWsaErrorText() + FamilyLabel(nFamily) +
                             "Socket Connect Error!",
                         SOCKET_KIND_CONNECT, nSystemError);
    }
}

// A link-local address names no interface; the first interface that accepts it wins.
void CBaseSocket::ConnectLinkLocal(sockaddr_in6& address) {
    errno = ENETUNREACH;
    for (unsigned nIndex : ListIpv6InterfaceIndexes()) {
        address.sin6_scope_id = nIndex;
        if (ConnectStarted(
                connect(m_nIPv6Socket, reinterpret_cast<const sockaddr*>(&address), sizeof address))) {
            DebugTrace("CBaseSocket::Connect: (IPv6) Connect OK.\n");
            return;
        }
        DebugTrace("CBaseSocket::Connect: (IPv6) Connect NG.\n");
    }
    const int nSystemError = errno;
    ThrowSocketError(std::string("CBaseSocket::Connect: ") + LastWsaErrorText() +
                         "(IPv6) Socket Connect Error!",
                     SOCKET_KIND_CONNECT, nSystemError);
}

size_t CBaseSocket::Send(int nSocket, const void* pData, size_t nLength) {
    // MSG_NOSIGNAL: a peer that went away is an error to report, not a reason to die.
    const ssize_t nSent = send(nSocket, pData, nLength, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (nSent < 0 && (IsWouldBlock() || errno == EINTR)) {
        return 0;
    }
    return CheckedCount(nSent, "CBaseSocket::Send: SendData Error!", SOCKET_KIND_SEND);
}

size_t CBaseSocket::Recv(int nSocket, void* pBuffer, size_t nSize) {
    return CheckedCount(recv(nSocket, pBuffer, nSize, 0), "CBaseSocket::Recv: ReceiveData Error!",
                        SOCKET_KIND_RECEIVE);
}

size_t CBaseSocket::SendTo(int nSocket, const void* pData, size_t nLength, const sockaddr* pAddress,
                           socklen_t nAddressLength) {
    return CheckedCount(sendto(nSocket, pData, nLength, MSG_NOSIGNAL, pAddress, nAddressLength),
                        "CBaseSocket::SendTo: SendData Error!", SOCKET_KIND_SEND);
}

size_t CBaseSocket::RecvFrom(int nSocket, void* pBuffer, size_t nSize, sockaddr* pAddress,
                             socklen_t* pAddressLength) {
    return CheckedCount(recvfrom(nSocket, pBuffer, nSize, 0, pAddress, pAddressLength),
                        "CBaseSocket::RecvFrom: ReceiveData Error!", SOCKET_KIND_RECEIVE);
}

bool CBaseSocket::IsWouldBlock() {
    return LastSocketError() == WSAEWOULDBLOCK;
}

} // namespace Zelt
