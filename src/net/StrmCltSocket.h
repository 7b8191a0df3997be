#pragma once

#include "net/ClientSocket.h"

namespace Zelt {

// The TCP client of the device session and the mail client. Every connect, read and write waits
// within the limit and wakes at once when the cancel event is set.
class CStrmCltSocket : public CClientSocket {
public:
    CStrmCltSocket(int nFamily, CancelEventPtr cancelEvent, int nWaitMilliseconds);
    ~CStrmCltSocket() override { Close(); }

    // The address must be numeric; host names are resolved by the caller.
    void Open(std::string_view address, uint16_t nPort) override;
    // Waits for room in the send buffer, then sends without blocking; it may take fewer bytes than
    // given (never none of them), so callers loop. A peer that stops reading ends it as
    // CSocketTimeOut (kind send) after the limit, the cancel event as CSocketEvent.
    size_t Write(const void* pData, size_t nLength) override;
    // 0 when the peer has closed the connection.
    size_t Read(void* pBuffer, size_t nSize, sockaddr_storage* pSource, socklen_t* pSourceLength) override;

    // For a layer above the socket (TLS) that reads and writes the connected descriptor itself:
    // the descriptor, made non-blocking, and the waits of Read and Write.
    int TakeDescriptorNonBlocking();
    void WaitUntilReadable() { WaitReadable("CStrmCltSocket::WaitUntilReadable(): SocketEvent Wait Error!"); }
    void WaitUntilWritable() { WaitWritable("CStrmCltSocket::WaitUntilWritable(): SocketEvent Wait Error!"); }
};

} // namespace Zelt
