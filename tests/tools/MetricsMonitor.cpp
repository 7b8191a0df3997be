#include "MetricsMonitor.h"

#include "common/ProcessRun.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace KorvanectlTesting {
namespace {

constexpr std::string_view kUrl = "http://127.0.0.1:";

bool Ended(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

MetricsMonitor::MetricsMonitor(const std::string& settings, const std::vector<std::string>& environment)
    : m_log(settings + ".monitor.log") {
    std::vector<std::string> command{"/usr/bin/env"};
    command.insert(command.end(), environment.begin(), environment.end());
    command.insert(command.end(),
                   {KORVANECTL_PATH, "monitor", "--metrics", "127.0.0.1:0", "--settings", settings});
    m_pid = KorvaneTesting::StartLogged(command, m_log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_nPort == 0 && std::chrono::steady_clock::now() < deadline) {
        const std::string log = Log();
        if (const size_t nUrl = log.find(kUrl);
            nUrl != std::string::npos && log.find('\n', nUrl) != std::string::npos) {
            m_nPort = static_cast<uint16_t>(std::stoi(log.substr(nUrl + kUrl.size())));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

MetricsMonitor::~MetricsMonitor() {
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (Ended(m_pid)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
}

std::string MetricsMonitor::Log() const {
    std::ifstream file(m_log, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace KorvanectlTesting
