#include "mail/MailTls.h"

#include "admin/TextFormat.h"
#include "support/StringTable.h"
#include "support/Trace.h"

#include <arpa/inet.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace Korvane {
namespace {

struct ContextFree {
    void operator()(SSL_CTX* pContext) const { SSL_CTX_free(pContext); }
};
struct SslFree {
    void operator()(SSL* pSsl) const { SSL_free(pSsl); }
};

bool IsIpAddress(const std::string& text) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 || inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

std::string LibraryReason() {
    const unsigned long nError = ERR_peek_last_error();
    const char* pszReason = nError != 0 ? ERR_reason_error_string(nError) : nullptr;
    return pszReason != nullptr ? std::string(pszReason)
                                : std::string(Zelt::CStringTable::Text(Zelt::Text::TlsClosedDuringHandshake));
}

} // namespace

std::string MailTlsFailureText(const CMailTlsError& error, const std::string& strServer, int nPort) {
    const std::string place =
        CTextFormat::FormatId(Zelt::Text::AddressAndPort, {strServer, std::to_string(nPort)});
    return CTextFormat::FormatId(dynamic_cast<const CMailTlsNotOffered*>(&error) ? Zelt::Text::TlsNotOffered
                                                                                 : Zelt::Text::TlsFailed,
                                 {place, error.what()});
}

struct CMailTls::State {
    std::unique_ptr<SSL_CTX, ContextFree> context;
    std::unique_ptr<SSL, SslFree> ssl;
};

CMailTls::CMailTls(int nSocket, const std::string& strServerName, const std::string& strTrustedFile)
    : m_state(std::make_unique<State>()) {
    ERR_clear_error();
    m_state->context.reset(SSL_CTX_new(TLS_client_method()));
    SSL_CTX* pContext = m_state->context.get();
    if (pContext == nullptr || SSL_CTX_set_min_proto_version(pContext, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_default_verify_paths(pContext) != 1) {
        throw CMailTlsError(LibraryReason());
    }
    if (!strTrustedFile.empty()) {
        if (SSL_CTX_load_verify_locations(pContext, strTrustedFile.c_str(), nullptr) != 1) {
            throw CMailTlsError(
                CTextFormat::FormatId(Zelt::Text::TlsTrustedFileUnreadable, {strTrustedFile}));
        }
        // The file may hold the server's own certificate rather than a CA's.
        X509_STORE_set_flags(SSL_CTX_get_cert_store(pContext), X509_V_FLAG_PARTIAL_CHAIN);
    }
    SSL_CTX_set_verify(pContext, SSL_VERIFY_PEER, nullptr);
    m_state->ssl.reset(SSL_new(pContext));
    SSL* pSsl = m_state->ssl.get();
    if (pSsl == nullptr || SSL_set_fd(pSsl, nSocket) != 1) {
        throw CMailTlsError(LibraryReason());
    }
    const bool bAddress = IsIpAddress(strServerName);
    const bool bNamed = bAddress
                            ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(pSsl), strServerName.c_str()) == 1
                            : SSL_set_tlsext_host_name(pSsl, strServerName.c_str()) == 1 &&
                                  SSL_set1_host(pSsl, strServerName.c_str()) == 1;
    if (!bNamed) {
        throw CMailTlsError(CTextFormat::FormatId(Zelt::Text::TlsServerNameUncheckable, {strServerName}));
    }
}

CMailTls::~CMailTls() = default;

CMailTls::Progress CMailTls::Handshake() {
    ERR_clear_error();
    return Outcome(SSL_connect(m_state->ssl.get()), "handshake");
}

CMailTls::Progress CMailTls::Write(const void* pData, size_t nLength, size_t& nDone) {
    ERR_clear_error();
    nDone = 0;
    const int nResult = SSL_write_ex(m_state->ssl.get(), pData, nLength, &nDone);
    return nResult == 1 ? Progress::DONE : Outcome(nResult, "write");
}

CMailTls::Progress CMailTls::Read(void* pBuffer, size_t nSize, size_t& nDone) {
    ERR_clear_error();
    nDone = 0;
    const int nResult = SSL_read_ex(m_state->ssl.get(), pBuffer, nSize, &nDone);
    if (nResult == 1) {
        return Progress::DONE;
    }
    const int nError = SSL_get_error(m_state->ssl.get(), nResult);
    // A server that closes, with or without saying so, has ended the dialogue.
    if (nError == SSL_ERROR_ZERO_RETURN || (nError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)) {
        return Progress::DONE;
    }
    return Outcome(nResult, "read");
}

CMailTls::Progress CMailTls::Outcome(int nResult, const char* pszStep) {
    switch (SSL_get_error(m_state->ssl.get(), nResult)) {
    case SSL_ERROR_NONE:
        return Progress::DONE;
    case SSL_ERROR_WANT_READ:
        return Progress::WANT_READ;
    case SSL_ERROR_WANT_WRITE:
        return Progress::WANT_WRITE;
    default: {
        const std::string reason = FailureReason();
        Zelt::DebugTrace("CMailTls: %s failed: %s\n", pszStep, reason.c_str());
        throw CMailTlsError(reason);
    }
    }
}

std::string CMailTls::FailureReason() const {
    const long nVerify = SSL_get_verify_result(m_state->ssl.get());
    if (nVerify != X509_V_OK) {
        return X509_verify_cert_error_string(nVerify);
    }
    return LibraryReason();
}

} // namespace Korvane
