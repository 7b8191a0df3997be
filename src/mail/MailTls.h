#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace Korvane {

// A TLS failure of a mail dialogue; what() is the reason a user reads (the certificate check's
// verdict, or the handshake's), without the library's internals.
class CMailTlsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server does not take the command that starts TLS (STARTTLS, STLS); what() names it. The
// dialogue ends there, before any password or message is sent.
class CMailTlsNotOffered : public CMailTlsError {
public:
    using CMailTlsError::CMailTlsError;
};

// The words a user reads for a TLS failure with the server at the port.
std::string MailTlsFailureText(const CMailTlsError& error, const std::string& strServer, int nPort);

// TLS (OpenSSL) on the socket of one mail connection: TLS 1.2 or newer; the server's certificate
// checked against the system's CA store and, when given, one file the user trusts (a CA or the
// server's own certificate), and against the server's name or IP address as the user typed it
// (SNI is sent for a name). The socket stays non-blocking: each call does what it can at once and
// says what it waits for, so that the connection keeps its deadlines and its cancel.
class CMailTls {
public:
    enum class Progress { DONE, WANT_READ, WANT_WRITE };

    // Throws CMailTlsError when the trusted file cannot be read.
    CMailTls(int nSocket, const std::string& strServerName, const std::string& strTrustedFile);
    ~CMailTls();
    CMailTls(const CMailTls&) = delete;
    CMailTls& operator=(const CMailTls&) = delete;

    // The handshake, certificate check included; throws CMailTlsError with the reason.
    Progress Handshake();
    // nDone: bytes written (read); a read of 0 bytes that is DONE means the server closed.
    Progress Write(const void* pData, size_t nLength, size_t& nDone);
    Progress Read(void* pBuffer, size_t nSize, size_t& nDone);

private:
    struct State;

    Progress Outcome(int nResult, const char* pszStep);
    std::string FailureReason() const;

    std::unique_ptr<State> m_state;
};

} // namespace Korvane
