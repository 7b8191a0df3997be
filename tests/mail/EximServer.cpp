#include "EximServer.h"

#include "ServerProcess.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace MailTesting {

namespace fs = std::filesystem;

namespace {

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

std::string EximServer::TlsConfiguration(const CertifiedKey* pTls) const {
    if (pTls == nullptr) {
        return "tls_advertise_hosts =\n";
    }
    return "tls_advertise_hosts = *\ntls_certificate = " + pTls->certificate +
           "\ntls_privatekey = " + pTls->key + "\ntls_on_connect_ports = " + std::to_string(m_tlsPort) + "\n";
}

EximServer::EximServer(const ScratchDirectory& directory, const std::string& address,
                       const MailAccount& account, const CertifiedKey* pTls)
    : m_root(directory.Path() + "/exim"), m_port(FreeTcpPort(address)) {
    if (pTls != nullptr) {
        m_tlsPort = FreeTcpPort(address);
    }
    const MailUser user = UnprivilegedMailUser();
    directory.MakeDirectory("exim/spool", user, 0750);
    directory.MakeDirectory("exim/log", user);
    m_maildir = directory.MakeDirectory("exim/Maildir", user);
    const std::string config = directory.WriteFile("exim/exim.conf", Configuration(address, account, pTls));
    const std::string ports =
        std::to_string(m_port) + (pTls != nullptr ? ":" + std::to_string(m_tlsPort) : "");
    // -bdf: daemon in the foreground; -odf: each message is delivered before the next command.
    m_process = StartServerProcess(EXIM_PROGRAM, {"-C", config, "-bdf", "-odf", "-oX", ports},
                                   m_root + "/daemon.log");
    if (!WaitForListener(address, m_port, *m_process, std::chrono::seconds(10)) ||
        (pTls != nullptr && !WaitForListener(address, m_tlsPort, *m_process, std::chrono::seconds(10)))) {
        throw std::runtime_error("Exim did not start:\n" + Log());
    }
}

EximServer::~EximServer() {
    m_process->Stop();
}

std::string EximServer::Configuration(const std::string& address, const MailAccount& account,
                                      const CertifiedKey* pTls) const {
    const std::string user = UnprivilegedMailUser().name;
    const std::string credentials =
        "{eq{$auth2}{" + account.user + "}}{eq{$auth3}{" + account.password + "}}";
    const std::string loginCredentials =
        "{eq{$auth1}{" + account.user + "}}{eq{$auth2}{" + account.password + "}}";
    // With TLS, AUTH is announced only inside it, as mail providers do.
    const std::string advertise =
        pTls != nullptr ? "  server_advertise_condition = ${if def:tls_in_cipher}\n" : "";
    std::ostringstream text;
    text
        << "primary_hostname = " << DOMAIN << "\n"
        << "exim_user = " << user << "\nexim_group = " << user << "\n"
        << "spool_directory = " << m_root << "/spool\n"
        << "log_file_path = " << m_root << "/log/%slog\n"
        << "pid_file_path = " << m_root << "/spool/exim.pid\n"
        << "local_interfaces = " << address << "\n"
        << "domainlist local_domains = " << DOMAIN << "\n"
        << "acl_smtp_rcpt = check_recipient\n"
        << "host_lookup =\nrfc1413_hosts =\nkeep_environment =\n"
        << TlsConfiguration(pTls) << "\nbegin acl\ncheck_recipient:\n"
        << "  deny local_parts = " << REFUSED_LOCAL_PART << "\n"
        << "  accept domains = +local_domains\n"
        << "  deny message = relay not permitted\n"
        << "\nbegin routers\nlocal_mailbox:\n  driver = accept\n  domains = +local_domains\n"
        << "  transport = maildir_delivery\n"
        << "\nbegin transports\nmaildir_delivery:\n  driver = appendfile\n"
        << "  directory = " << m_root << "/Maildir\n  maildir_format\n  create_directory\n"
        << "  user = " << user << "\n  group = " << user << "\n  mode = 0644\n"
        << "\nbegin authenticators\n"
        << "plain:\n  driver = plaintext\n  public_name = PLAIN\n"
        << advertise << "  server_condition = ${if and {" << credentials << "}}\n"
        << "login:\n  driver = plaintext\n  public_name = LOGIN\n  server_prompts = Username:: : Password::\n"
        << advertise << "  server_condition = ${if and {" << loginCredentials << "}}\n"
        << "cram:\n  driver = cram_md5\n  public_name = CRAM-MD5\n"
        << advertise << "  server_secret = ${if eq{$auth1}{" << account.user << "}{" << account.password
        << "}fail}\n";
    return text.str();
}

std::vector<std::string> EximServer::WaitForMessages(size_t count, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> messages = Messages();
    while (messages.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        messages = Messages();
    }
    return messages;
}

std::vector<std::string> EximServer::Messages() const {
    std::vector<std::string> messages;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_maildir + "/new", error)) {
        messages.push_back(FileText(entry.path()));
    }
    return messages;
}

std::string EximServer::Log() const {
    std::string log = m_process ? m_process->Output() : std::string();
    for (const char* name : {"mainlog", "rejectlog", "paniclog"}) {
        log += FileText(m_root + "/log/" + name);
    }
    return log;
}

} // namespace MailTesting
