#pragma once

#include "net/BaseSocket.h"
#include "net/CancelEvent.h"

#include <cstddef>
#include <cstdint>

namespace Zelt {

// Base of server sockets: connection ids handed out by Accept, read and written by id.
class CServerSocket {
public:
    CServerSocket(int nSocketKind, uint16_t nPort, int nFamily, CancelEventPtr cancelEvent,
                  int nWaitMilliseconds)
        : m_socket(nSocketKind, nFamily), m_nPort(nPort), m_cancelEvent(std::move(cancelEvent)),
          m_nWaitMilliseconds(nWaitMilliseconds) {}
    virtual ~CServerSocket() = default;
    CServerSocket(const CServerSocket&) = delete;
    CServerSocket& operator=(const CServerSocket&) = delete;

    virtual void Open(uint16_t nPort) = 0;
    virtual int Accept() = 0;
    virtual size_t Write(int nConnection, const void* pData, size_t nLength) = 0;
    virtual size_t Read(int nConnection, void* pBuffer, size_t nLength) = 0;
    virtual void Close() = 0;
    virtual void Close(int nConnection) = 0;

protected:
    CBaseSocket m_socket;
    uint16_t m_nPort;
    CancelEventPtr m_cancelEvent;
    int m_nWaitMilliseconds;
};

} // namespace Zelt
