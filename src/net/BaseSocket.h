#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/types.h>

namespace Zelt {

constexpr int SOCKET_KIND_STREAM = 1;
constexpr int SOCKET_KIND_DATAGRAM = 2;
constexpr int INVALID_SOCKET_HANDLE = -1;

// One IPv4 and one IPv6 socket of the same kind, with uniform error reporting: every failure
// is traced and thrown as CSocketError with the kind of the failed step. The family chooses
// which of the two are in use; 0 (unspecified) means both.
class CBaseSocket {
public:
    CBaseSocket(int nSocketKind, int nFamily);
    ~CBaseSocket();
    CBaseSocket(const CBaseSocket&) = delete;
    CBaseSocket& operator=(const CBaseSocket&) = delete;

    int GetFamily() const { return m_nFamily; }
    void SetFamily(int nFamily) { m_nFamily = nFamily; }
    bool IsIPv4InUse() const;
    bool IsIPv6InUse() const;
    bool IsIPv4Available() const { return m_bIPv4Available; }
    bool IsIPv6Available() const { return m_bIPv6Available; }
    // The IPv6 socket for AF_INET6, the IPv4 socket for any other value.
    int GetSocket(int nFamily) const;

    void OpenSocket();
    void Close();

    // Level IPPROTO_IP acts on the IPv4 socket, IPPROTO_IPV6 on the IPv6 socket.
    void SetSockOpt(int nLevel, int nOption, const void* pValue, socklen_t nLength);
    // Sets a socket-level option to 1 on every socket in use.
    void SetSocketLevelOption(int nOption);
    // FIONBIO is the one command in use: non-blocking mode on (1) or off (0).
    void IoCtlSocket(unsigned long nCommand, int nArgument);

    void Bind(std::string_view address, uint16_t nPort);
    void Bind(const sockaddr* pAddress, socklen_t nLength);
    // Starts a connection; with non-blocking sockets a connection in progress counts as started.
    void Connect(std::string_view address, uint16_t nPort);

    // Sends what the socket takes now, without waiting; 0 when it has no room.
    size_t Send(int nSocket, const void* pData, size_t nLength);
    size_t Recv(int nSocket, void* pBuffer, size_t nSize);
    size_t SendTo(int nSocket, const void* pData, size_t nLength, const sockaddr* pAddress,
                  socklen_t nAddressLength);
    size_t RecvFrom(int nSocket, void* pBuffer, size_t nSize, sockaddr* pAddress, socklen_t* pAddressLength);

    // Whether the last socket call failed only because it would have blocked.
    static bool IsWouldBlock();

private:
    void OpenOne(int nFamily, int& nSocket, const char* pszFamilyLabel);
    void ConnectLinkLocal(sockaddr_in6& address);

    int m_nSocketKind;
    int m_nFamily;
    bool m_bIPv4Available;
    bool m_bIPv6Available;
    int m_nIPv4Socket = INVALID_SOCKET_HANDLE;
    int m_nIPv6Socket = INVALID_SOCKET_HANDLE;
};

} // namespace Zelt
