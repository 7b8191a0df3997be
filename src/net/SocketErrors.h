#pragma once

#include <stdexcept>
#include <string>

namespace Zelt {

// What failed, carried by CSocketError and CSocketTimeOut.
enum SocketErrorKind : int {
    SOCKET_KIND_STARTUP = 0,
    SOCKET_KIND_OPEN = 1,
    SOCKET_KIND_SEND = 2,
    SOCKET_KIND_RECEIVE = 3, // also a read that ran out of time
    SOCKET_KIND_ACCEPT = 4,  // also an accept that ran out of time
    SOCKET_KIND_BIND = 5,
    SOCKET_KIND_CONNECT = 6, // also a connect that ran out of time
    SOCKET_KIND_OPTION = 8,
    SOCKET_KIND_IOCTL = 9,
    SOCKET_KIND_WAIT = 10,
    SOCKET_KIND_ADDRESS = 12,
};

class CSocketErrorBase {
public:
    explicit CSocketErrorBase(int nKind) : m_nKind(nKind) {}
    virtual ~CSocketErrorBase() = default;
    int GetKind() const { return m_nKind; }

private:
    int m_nKind;
};

// Every network caller tells the three outcomes apart by class: failure, time limit, cancel.
class CSocketError : public std::logic_error, public CSocketErrorBase {
public:
    CSocketError(const std::string& strMessage, int nKind)
        : std::logic_error(strMessage), CSocketErrorBase(nKind) {}
};

class CSocketTimeOut : public std::logic_error, public CSocketErrorBase {
public:
    explicit CSocketTimeOut(int nKind) : std::logic_error("Socket TimeOut Error!"), CSocketErrorBase(nKind) {}
};

// The caller's cancel event ended a wait.
class CSocketEvent : public std::logic_error {
public:
    CSocketEvent() : std::logic_error("User Set Event Signal.") {}
};

// Writes the message to the debug trace, then throws it as CSocketError.
[[noreturn]] void ThrowSocketError(const std::string& strMessage, int nKind);

} // namespace Zelt
