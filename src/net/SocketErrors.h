#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

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

// What failed, the system's reason and where: what the words a user reads are made of (the
// message itself is for the trace).
class CSocketErrorBase {
public:
    explicit CSocketErrorBase(int nKind, int nSystemError = 0)
        : m_nKind(nKind), m_nSystemError(nSystemError) {}
    virtual ~CSocketErrorBase() = default;
    int GetKind() const { return m_nKind; }
    // The errno value behind the failure; 0 for none (a time limit, a peer that closed).
    int GetSystemError() const { return m_nSystemError; }
    // The remote address and port, once a caller that knows them has said (empty and 0 before).
    const std::string& GetRemoteAddress() const { return m_strRemoteAddress; }
    uint16_t GetRemotePort() const { return m_nRemotePort; }
    void SetRemote(std::string_view address, uint16_t nPort) {
        m_strRemoteAddress = address;
        m_nRemotePort = nPort;
    }

private:
    int m_nKind;
    int m_nSystemError;
    std::string m_strRemoteAddress;
    uint16_t m_nRemotePort = 0;
};

// Every network caller tells the three outcomes apart by class: failure, time limit, cancel.
class CSocketError : public std::logic_error, public CSocketErrorBase {
public:
    CSocketError(const std::string& strMessage, int nKind, int nSystemError = 0)
        : std::logic_error(strMessage), CSocketErrorBase(nKind, nSystemError) {}
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
[[noreturn]] void ThrowSocketError(const std::string& strMessage, int nKind, int nSystemError = 0);

} // namespace Zelt
