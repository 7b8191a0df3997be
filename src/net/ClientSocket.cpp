#include "net/ClientSocket.h"

#include "net/AddressText.h"
#include "net/SocketErrors.h"
#include "net/WsaErrorText.h"
#include "support/Trace.h"

#include <cerrno>
#include <string>
#include <sys/ioctl.h>

namespace Zelt {

CClientSocket::CClientSocket(int nSocketKind, int nFamily, CancelEventPtr cancelEvent, int nWaitMilliseconds)
    : m_socket(nSocketKind, nFamily), m_cancelEvent(std::move(cancelEvent)),
      m_nWaitMilliseconds(nWaitMilliseconds) {}

void CClientSocket::Connect(std::string_view address, uint16_t nPort) {
    const int nFamily = GetAddressFamily(address);
    m_socket.SetFamily(nFamily);
    m_socket.IoCtlSocket(FIONBIO, 1);
    m_socket.Connect(address, nPort);

    const int nSocket = m_socket.GetSocket(nFamily);
    WaitSet waitSet;
    waitSet.AddSocket(nSocket);
    if (m_cancelEvent) {
        waitSet.AddEvent(m_cancelEvent);
    }
    const int nResult = waitSet.Wait(m_nWaitMilliseconds, false, true, false);
    if (nResult == 0) {
        DebugTrace("CClientSocket::Connect(): Socket timeout.\n");
        throw CSocketTimeOut(SOCKET_KIND_CONNECT);
    }
    if (nResult < 0) {
        ThrowSocketError("CClientSocket::Connect(): SocketEvent Wait Error!\n", SOCKET_KIND_WAIT);
    }
    m_socket.IoCtlSocket(FIONBIO, 0);
    if (m_cancelEvent && waitSet.GetHandleCondition(m_cancelEvent->Handle()) == WAIT_READABLE) {
        DebugTrace("CClientSocket::Connect(): Canceled.\n");
        throw CSocketEvent();
    }
    if (waitSet.GetSocketCondition(nSocket) != WAIT_WRITABLE) {
        ThrowSocketError("CClientSocket::Connect(): Socket Connect Error!\n", SOCKET_KIND_CONNECT);
    }
    CheckConnected(nSocket);
    DebugTrace("CClientSocket::Connect(): OK.\n");
}

// A failed non-blocking connect also shows as writable; its pending error tells the truth.
void CClientSocket::CheckConnected(int nSocket) {
    int nError = 0;
    socklen_t nLength = sizeof nError;
    if (getsockopt(nSocket, SOL_SOCKET, SO_ERROR, &nError, &nLength) != 0 || nError != 0) {
        errno = nError != 0 ? nError : errno;
        const int nSystemError = errno;
        ThrowSocketError(std::string("CClientSocket::Connect(): Socket Connect Error!\n") +
                             LastWsaErrorText(),
                         SOCKET_KIND_CONNECT, nSystemError);
    }
}

void CClientSocket::WaitUntil(int nCondition, const char* pszWaitErrorMessage) {
    const bool bRead = nCondition == WAIT_READABLE;
    const int nSocket = m_socket.GetSocket(m_socket.GetFamily());
    WaitSet waitSet;
    waitSet.AddSocket(nSocket);
    if (m_cancelEvent) {
        waitSet.AddEvent(m_cancelEvent);
    }
    const int nResult = waitSet.Wait(m_nWaitMilliseconds, bRead, !bRead, false);
    if (nResult == 0) {
        throw CSocketTimeOut(bRead ? SOCKET_KIND_RECEIVE : SOCKET_KIND_SEND);
    }
    if (nResult < 0) {
        ThrowSocketError(pszWaitErrorMessage, SOCKET_KIND_WAIT);
    }
    if (waitSet.GetSocketCondition(nSocket) != nCondition) {
        if (m_cancelEvent && waitSet.GetHandleCondition(m_cancelEvent->Handle()) == WAIT_READABLE) {
            throw CSocketEvent();
        }
        int nSystemError = 0;
        socklen_t nLength = sizeof nSystemError;
        getsockopt(nSocket, SOL_SOCKET, SO_ERROR, &nSystemError, &nLength);
        ThrowSocketError(bRead ? "Socket Read Error!" : "Socket Write Error!",
                         bRead ? SOCKET_KIND_RECEIVE : SOCKET_KIND_SEND, nSystemError);
    }
}

} // namespace Zelt
