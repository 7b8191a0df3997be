#include "TricklingMail.h"

#include <csignal>
#include <stdlib.h>
#include <thread>

namespace KorvaneHostile {

namespace {

constexpr std::chrono::seconds TRICKLE_PAUSE{2};

void Export(const std::string& entry) {
    const size_t nEquals = entry.find('=');
    setenv(entry.substr(0, nEquals).c_str(), entry.substr(nEquals + 1).c_str(), 1);
}

} // namespace

TricklingSmtpServer::TricklingSmtpServer()
    : m_server(
          [this](MailTesting::ScriptedSession& session) {
              m_bHolding = true;
              session.Trickle("220 " + std::string(200, 'x') + "\r\n", TRICKLE_PAUSE);
          },
          ADDRESS) {}

bool TricklingSmtpServer::WaitUntilHolding(std::chrono::milliseconds time) const {
    const auto until = std::chrono::steady_clock::now() + time;
    while (!m_bHolding && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_bHolding;
}

void TricklingMailServer::SetUp() {
    m_home = std::make_unique<ScratchHome>();
    for (const std::string& entry : {m_home->ConfigHome(), m_home->StateHome(), m_home->RuntimeDir()}) {
        Export(entry);
    }
}

void TricklingMailServer::TearDown() {
    for (const char* pszName : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        unsetenv(pszName);
    }
    m_home.reset();
}

KorvaneTesting::ProcessResult TricklingMailServer::Run(std::vector<std::string> args,
                                                       const std::string& input) {
    return KorvaneTesting::RunProcess(KorvanectlPath(), WithSettings(std::move(args)), input);
}

std::unique_ptr<KorvaneTesting::HostProcess> TricklingMailServer::Start(std::vector<std::string> args) {
    args.insert(args.begin(), KorvanectlPath());
    const std::string logPath = m_home->Path() + "/korvanectl-" + std::to_string(++m_nStarted) + ".log";
    const bool bOwnGroup = true; // HostProcess stops the whole group
    return std::make_unique<KorvaneTesting::HostProcess>(
        KorvaneTesting::StartLogged(WithSettings(std::move(args)), logPath, bOwnGroup), logPath);
}

std::vector<std::string> TricklingMailServer::MailTestTo(const TricklingSmtpServer& server) {
    return {"mail",          "test",
            "--smtp-server", TricklingSmtpServer::ADDRESS,
            "--smtp-port",   std::to_string(server.Port()),
            "--from",        "notice@korvane.test",
            "--to",          "admin@korvane.test"};
}

std::optional<std::chrono::duration<double>>
TricklingMailServer::WaitForEnd(KorvaneTesting::HostProcess& process, std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    while (process.Running()) {
        if (std::chrono::steady_clock::now() - start > limit) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::chrono::steady_clock::now() - start;
}

std::optional<std::chrono::duration<double>>
TricklingMailServer::Interrupt(KorvaneTesting::HostProcess& process, std::chrono::milliseconds limit) {
    kill(process.Pid(), SIGINT);
    return WaitForEnd(process, limit);
}

std::vector<std::string> TricklingMailServer::WithSettings(std::vector<std::string> args) const {
    args.insert(args.end(), {"--settings", m_home->SettingsPath()});
    return args;
}

} // namespace KorvaneHostile
