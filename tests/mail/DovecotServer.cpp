#include "DovecotServer.h"

#include "ServerProcess.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace MailTesting {

DovecotServer::DovecotServer(const ScratchDirectory& directory, const std::string& address,
                             const MailAccount& account, const CertifiedKey* pTls)
    : m_root(directory.Path() + "/dovecot"), m_port(FreeTcpPort(address)) {
    if (pTls != nullptr) {
        m_tlsPort = FreeTcpPort(address);
    }
    const MailUser user = UnprivilegedMailUser();
    directory.MakeDirectory("dovecot/home", user, 0700);
    directory.MakeDirectory("dovecot/home/Maildir", user, 0700);
    directory.WriteFile("dovecot/users", account.user + ":{PLAIN}" + account.password + ":" +
                                             std::to_string(user.uid) + ":" + std::to_string(user.gid) +
                                             "::" + m_root + "/home\n");
    const std::string config =
        directory.WriteFile("dovecot/dovecot.conf", Configuration(address, user, pTls));
    m_process = StartServerProcess(DOVECOT_PROGRAM, {"-F", "-c", config}, m_root + "/master.log");
    if (!WaitForListener(address, m_port, *m_process, std::chrono::seconds(10)) ||
        (pTls != nullptr && !WaitForListener(address, m_tlsPort, *m_process, std::chrono::seconds(10)))) {
        throw std::runtime_error("Dovecot did not start:\n" + Log());
    }
}

DovecotServer::~DovecotServer() {
    m_process->Stop(std::chrono::seconds(3));
}

// The instance name keeps this instance apart from any system Dovecot and from parallel tests.
std::string DovecotServer::Configuration(const std::string& address, const MailUser& user,
                                         const CertifiedKey* pTls) const {
    const std::string tls = pTls != nullptr
                                ? "ssl = yes\nssl_cert = <" + pTls->certificate + "\nssl_key = <" +
                                      pTls->key + "\ndisable_plaintext_auth = yes\n"
                                : "ssl = no\ndisable_plaintext_auth = no\n";
    std::ostringstream text;
    text << "instance_name = korvane-mail-" << m_port << "\n"
         << "base_dir = " << m_root << "/run\nstate_dir = " << m_root << "/state\n"
         << "log_path = " << m_root << "/dovecot.log\n"
         << "protocols = pop3\nlisten = " << address << "\n"
         << tls << "auth_mechanisms = plain\n"
         << "first_valid_uid = " << user.uid << "\n"
         << "mail_location = maildir:~/Maildir\npop3_uidl_format = %08Xu%08Xv\n"
         << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << m_root
         << "/users\n}\n"
         << "userdb {\n  driver = passwd-file\n  args = username_format=%u " << m_root << "/users\n}\n"
         << "service pop3-login {\n  inet_listener pop3 {\n    port = " << m_port << "\n  }\n"
         << "  inet_listener pop3s {\n    port = " << m_tlsPort << "\n    ssl = yes\n  }\n}\n";
    return text.str();
}

std::string DovecotServer::Log() const {
    std::ifstream file(m_root + "/dovecot.log", std::ios::binary);
    std::ostringstream text;
    text << (m_process ? m_process->Output() : std::string()) << file.rdbuf();
    return text.str();
}

} // namespace MailTesting
