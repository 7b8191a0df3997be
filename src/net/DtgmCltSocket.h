#pragma once

#include "net/ClientSocket.h"

namespace Zelt {

// The sending side of UDP: discovery requests and the Wake-on-LAN packet.
class CDtgmCltSocket : public CClientSocket {
public:
    CDtgmCltSocket(uint16_t nLocalPort, int nFamily, CancelEventPtr cancelEvent, int nWaitMilliseconds);
    ~CDtgmCltSocket() override { Close(); }

    // Sends to the address and port from then on, from the local port given at construction.
    void Open(std::string_view address, uint16_t nPort) override;
    // One datagram to the destination; 0 without sending when its protocol is not installed.
    size_t Write(const void* pData, size_t nLength) override;
    // Receives one datagram within the limit.
    size_t Read(void* pBuffer, size_t nSize, sockaddr_storage* pSource, socklen_t* pSourceLength) override;

protected:
    // Sets the destination and opens the socket of its family, unbound.
    void OpenUnbound(std::string_view address, uint16_t nPort);

private:
    uint16_t m_nLocalPort;
};

} // namespace Zelt
