#pragma once

#include "net/DatagramQueue.h"
#include "net/ServerSocket.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <sys/socket.h>
#include <vector>

namespace Zelt {

class WaitSet;

// A UDP server that presents every remote address as a connection: Accept hands out each new
// peer once, and the datagrams of a peer queue up for Read on its connection. Accept, Read and
// the routing of datagrams run under one lock.
class CDtgmSrvSocket : public CServerSocket {
public:
    // Every receive uses a buffer of nMaxDatagramSize bytes; larger datagrams are cut.
    CDtgmSrvSocket(uint16_t nPort, size_t nMaxDatagramSize, int nFamily, CancelEventPtr cancelEvent,
                   int nWaitMilliseconds);
    ~CDtgmSrvSocket() override { Close(); }

    // Binds the wildcard address of each family in use to the port.
    void Open(uint16_t nPort) override;
    int Accept() override;
    size_t Write(int nConnection, const void* pData, size_t nLength) override;
    // One datagram of the connection's peer, cut to nLength bytes.
    size_t Read(int nConnection, void* pBuffer, size_t nLength) override;
    // Whether the connection's peer sent from a loopback address (this machine itself).
    bool IsLoopbackPeer(int nConnection);
    void Close() override;
    void Close(int nConnection) override;

private:
    struct Peer {
        sockaddr_storage address{};
        std::unique_ptr<CDatagramQueue> queue; // null once closed
        bool bAccepted = false;
        bool bOpen = false;
    };
    struct Routed {
        int nPeer;
        bool bNewConnection;
    };

    void BindWildcard(int nFamily, const char* pszAddress, const char* pszFamilyLabel);
    void AddSockets(WaitSet& waitSet) const;
    bool IsOwnSocket(int nSocket) const;
    int FindPeer(const sockaddr_storage& address) const;
    int FreeSlot();
    // Receives one datagram and queues it for its peer, opening a connection for a peer that
    // has none (accepted at once when bAcceptNew, else left for the next Accept).
    Routed ReceiveAndRoute(int nSocket, bool bAcceptNew);
    [[noreturn]] void ThrowWaitOutcome(const WaitSet& waitSet, int nResult, const char* pszOperation,
                                       int nKind, const char* pszNoSocketMessage) const;

    std::mutex m_lock;
    size_t m_nMaxDatagramSize;
    std::vector<Peer> m_peers;
};

} // namespace Zelt
