#pragma once

#include "EximServer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace MailTesting {

// A private Dovecot instance (dovecot-pop3d) serving POP3 without TLS on a free port of the
// address: its own configuration, base and state directories and a passwd-file of the one
// account, which maps to the unprivileged mail user.
class DovecotServer {
public:
    // Throws std::runtime_error, with the log, when it does not come up. With a certificate it
    // offers STLS on Port() and TLS from the first byte on TlsPort(), and takes a login only inside TLS.
    DovecotServer(const ScratchDirectory& directory, const std::string& address, const MailAccount& account,
                  const CertifiedKey* pTls = nullptr);
    ~DovecotServer();

    uint16_t Port() const { return m_port; }
    uint16_t TlsPort() const { return m_tlsPort; }
    // The master's output and the instance's log.
    std::string Log() const;

private:
    std::string Configuration(const std::string& address, const MailUser& user,
                              const CertifiedKey* pTls) const;

    std::string m_root;
    uint16_t m_port;
    uint16_t m_tlsPort = 0;
    std::unique_ptr<KorvaneTesting::HostProcess> m_process;
};

} // namespace MailTesting
