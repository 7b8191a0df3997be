#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace MailTesting {

ScriptedServer::ScriptedServer(Script script, const char* pszAddress)
    : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), m_script(std::move(script)) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, pszAddress, &local.sin_addr);
    socklen_t length = sizeof local;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(m_fd, 16) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        close(m_fd);
        throw std::runtime_error(std::string("cannot listen on ") + pszAddress);
    }
    m_port = ntohs(local.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    m_stop = true;
    m_thread.join();
    close(m_fd);
}

std::vector<std::string> ScriptedServer::Transcripts() {
    std::unique_lock lock(m_mutex);
    WaitWhileBusy(lock);
    return m_transcripts;
}

std::vector<ScriptedServer::Clock::time_point> ScriptedServer::AcceptTimes() {
    std::unique_lock lock(m_mutex);
    WaitWhileBusy(lock);
    return m_acceptTimes;
}

void ScriptedServer::WaitWhileBusy(std::unique_lock<std::mutex>& lock) {
    if (!m_idle.wait_for(lock, std::chrono::seconds(30), [this] { return !m_busy; })) {
        throw std::runtime_error("the scripted connection did not end");
    }
}

// Polls in short slices so that the destructor is noticed between connections.
void ScriptedServer::Serve() {
    pollfd wait{m_fd, POLLIN, 0};
    while (!m_stop) {
        if (poll(&wait, 1, 50) != 1) {
            continue;
        }
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            m_busy = true;
            m_acceptTimes.push_back(Clock::now());
        }
        std::string received;
        {
            ScriptedSession session(fd, m_stop);
            m_script(session);
            received = session.Received();
        }
        std::lock_guard lock(m_mutex);
        m_transcripts.push_back(std::move(received));
        m_busy = false;
        m_idle.notify_all();
    }
}

} // namespace MailTesting
