#pragma once

#include "net/BaseSocket.h"
#include "net/CancelEvent.h"
#include "net/WaitSet.h"

#include <cstdint>
#include <string_view>
#include <sys/socket.h>

namespace Zelt {

// Base of the client sockets: connects with a time limit and an optional cancel event.
class CClientSocket {
public:
    CClientSocket(int nSocketKind, int nFamily, CancelEventPtr cancelEvent, int nWaitMilliseconds);
    virtual ~CClientSocket() = default;
    CClientSocket(const CClientSocket&) = delete;
    CClientSocket& operator=(const CClientSocket&) = delete;

    virtual void Open(std::string_view address, uint16_t nPort) = 0;
    virtual size_t Write(const void* pData, size_t nLength) = 0;
    // Receives at most nSize bytes; the source address goes to pSource when given.
    virtual size_t Read(void* pBuffer, size_t nSize, sockaddr_storage* pSource, socklen_t* pSourceLength) = 0;

    void Close() { m_socket.Close(); }
    // The limit of the waits from now on (-1: none).
    void SetWaitMilliseconds(int nWaitMilliseconds) { m_nWaitMilliseconds = nWaitMilliseconds; }
    void SetSockOpt(int nLevel, int nOption, const void* pValue, socklen_t nLength) {
        m_socket.SetSockOpt(nLevel, nOption, pValue, nLength);
    }

protected:
    // Connects in non-blocking mode and waits for the outcome within the limit.
    void Connect(std::string_view address, uint16_t nPort);
    // Waits until the socket of the family is readable (writable) within the limit; throws
    // CSocketTimeOut when the limit runs out, CSocketEvent when the cancel event is set (also
    // while the socket is ready) and CSocketError when the wait fails.
    void WaitReadable(const char* pszWaitErrorMessage) { WaitUntil(WAIT_READABLE, pszWaitErrorMessage); }
    void WaitWritable(const char* pszWaitErrorMessage) { WaitUntil(WAIT_WRITABLE, pszWaitErrorMessage); }

    CBaseSocket m_socket;
    sockaddr_storage m_remote{};
    CancelEventPtr m_cancelEvent;
    int m_nWaitMilliseconds;

private:
    void CheckConnected(int nSocket);
    void WaitUntil(int nCondition, const char* pszWaitErrorMessage);
};

} // namespace Zelt
