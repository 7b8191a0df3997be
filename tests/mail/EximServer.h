#pragma once

#include "ScratchDirectory.h"
#include "TestCertificates.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace KorvaneTesting {
class HostProcess;
}

namespace MailTesting {

// The account of the test servers: SMTP AUTH at Exim, POP3 at Dovecot.
struct MailAccount {
    std::string user = "korvane";
    std::string password = "s3cret-pass";
};

// A private Exim daemon (exim4-daemon-light) on a free port of the address: its own configuration,
// spool and logs in the scratch directory; AUTH PLAIN, LOGIN and CRAM-MD5 without TLS; mail for
// the domain korvane.test delivered into one Maildir, except for the local part "refused", which
// it refuses at RCPT. Exim runs the configuration given with -C without root, as its own user,
// which owns the spool, the logs and the Maildir.
class EximServer {
public:
    static constexpr const char* DOMAIN = "korvane.test";
    static constexpr const char* REFUSED_LOCAL_PART = "refused";

    // Throws std::runtime_error, with the logs, when the daemon does not come up. With a
    // certificate it offers STARTTLS on Port() and TLS from the first byte on TlsPort(), and
    // announces AUTH only inside TLS.
    EximServer(const ScratchDirectory& directory, const std::string& address, const MailAccount& account,
               const CertifiedKey* pTls = nullptr);
    ~EximServer();

    uint16_t Port() const { return m_port; }
    uint16_t TlsPort() const { return m_tlsPort; }
    // The delivered messages once there are at least count of them (fewer when time runs out).
    std::vector<std::string> WaitForMessages(size_t count, std::chrono::milliseconds timeout) const;
    // The daemon's output and its main, reject and panic logs.
    std::string Log() const;

private:
    std::string Configuration(const std::string& address, const MailAccount& account,
                              const CertifiedKey* pTls) const;
    std::vector<std::string> Messages() const;
    std::string TlsConfiguration(const CertifiedKey* pTls) const;

    std::string m_root;
    std::string m_maildir;
    uint16_t m_port;
    uint16_t m_tlsPort = 0;
    std::unique_ptr<KorvaneTesting::HostProcess> m_process;
};

} // namespace MailTesting
