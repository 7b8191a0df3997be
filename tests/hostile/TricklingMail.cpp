#include "TricklingMail.h"

#include <stdlib.h>
#include <thread>

namespace KorvaneHostile {

namespace {

constexpr const char* SMTP_ADDRESS = "127.87.0.1";
constexpr const char* XDG_NAMES[] = {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"};

void Export(const std::string& entry) {
    const size_t nEquals = entry.find('=');
    setenv(entry.substr(0, nEquals).c_str(), entry.substr(nEquals + 1).c_str(), 1);
}

template <class Condition>
double SecondsUntil(Condition condition, std::chrono::seconds limit) {
    const auto start = std::chrono::steady_clock::now();
    const auto seconds = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    };
    while (!condition() && seconds() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::min(seconds().count(), static_cast<double>(limit.count()));
}

} // namespace

TricklingMailServer::TricklingMailServer()
    : m_smtp(
          [this](MailTesting::ScriptedSession& session) {
              m_bHolding = true;
              session.Trickle("220 " + std::string(200, 'x') + "\r\n", std::chrono::seconds(2));
          },
          SMTP_ADDRESS) {
    for (const std::string& entry : {m_home.ConfigHome(), m_home.StateHome(), m_home.RuntimeDir()}) {
        Export(entry);
    }
}

TricklingMailServer::~TricklingMailServer() {
    for (const char* pszName : XDG_NAMES) {
        unsetenv(pszName);
    }
}

KorvaneTesting::ProcessResult TricklingMailServer::Run(std::vector<std::string> args,
                                                       const std::string& input) {
    return KorvaneTesting::RunProcess(KorvanectlPath(), WithSettings(std::move(args)), input);
}

std::unique_ptr<KorvaneTesting::HostProcess> TricklingMailServer::Start(std::vector<std::string> args) {
    args.insert(args.begin(), KorvanectlPath());
    const std::string logPath = m_home.Path() + "/korvanectl-" + std::to_string(++m_nStarted) + ".log";
    const bool bOwnGroup = true; // HostProcess stops the whole group
    return std::make_unique<KorvaneTesting::HostProcess>(
        KorvaneTesting::StartLogged(WithSettings(std::move(args)), logPath, bOwnGroup), logPath);
}

std::vector<std::string> TricklingMailServer::MailTo(const std::string& action) const {
    return {"mail",          action,
            "--smtp-server", SMTP_ADDRESS,
            "--smtp-port",   std::to_string(m_smtp.Port()),
            "--from",        "notice@korvane.test",
            "--to",          "admin@korvane.test"};
}

bool TricklingMailServer::Holding(std::chrono::seconds within) const {
    SecondsUntil([this] { return m_bHolding.load(); }, within);
    return m_bHolding;
}

double TricklingMailServer::SecondsUntilEnd(KorvaneTesting::HostProcess& process,
                                            std::chrono::seconds limit) {
    return SecondsUntil([&process] { return !process.Running(); }, limit);
}

std::vector<std::string> TricklingMailServer::WithSettings(std::vector<std::string> args) const {
    args.insert(args.end(), {"--settings", m_home.SettingsPath()});
    return args;
}

} // namespace KorvaneHostile
