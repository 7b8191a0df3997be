#include "net/StrmCltSocket.h"

#include "net/AddressText.h"
#include "net/SockAddr.h"
#include "support/Trace.h"

#include <sys/ioctl.h>

namespace Zelt {

CStrmCltSocket::CStrmCltSocket(int nFamily, CancelEventPtr cancelEvent, int nWaitMilliseconds)
    : CClientSocket(SOCKET_KIND_STREAM, nFamily, std::move(cancelEvent), nWaitMilliseconds) {}

void CStrmCltSocket::Open(std::string_view address, uint16_t nPort) {
    m_socket.SetFamily(GetAddressFamily(address));
    SetSockAddrIn(m_remote, address, nPort);
    DebugTrace("CStrmCltSocket::Open: SetSockAddrIn() OK.\n");
    m_socket.OpenSocket();
    DebugTrace("CStrmCltSocket::Open: OpenSocket() OK.\n");
    Connect(address, nPort);
    DebugTrace("CStrmCltSocket::Open: Connect() OK.\n");
}

int CStrmCltSocket::TakeDescriptorNonBlocking() {
    m_socket.IoCtlSocket(FIONBIO, 1);
    return m_socket.GetSocket(m_socket.GetFamily());
}

size_t CStrmCltSocket::Write(const void* pData, size_t nLength) {
    if (nLength == 0) {
        return 0;
    }
    // A peer that stops reading fills the send buffer; the wait for room is bounded like a read.
    for (;;) {
        WaitWritable("CStrmCltSocket::Write(): SocketEvent Wait Error!");
        if (const size_t nSent = m_socket.Send(m_socket.GetSocket(m_socket.GetFamily()), pData, nLength);
            nSent > 0) {
            return nSent;
        }
    }
}

size_t CStrmCltSocket::Read(void* pBuffer, size_t nSize, sockaddr_storage* pSource,
                            socklen_t* pSourceLength) {
    if (pSource != nullptr) {
        *pSource = m_remote;
    }
    if (pSourceLength != nullptr) {
        *pSourceLength = sizeof m_remote;
    }
    WaitReadable("CStrmCltSocket::Read(): SocketEvent Wait Error!");
    return m_socket.Recv(m_socket.GetSocket(m_socket.GetFamily()), pBuffer, nSize);
}

} // namespace Zelt
