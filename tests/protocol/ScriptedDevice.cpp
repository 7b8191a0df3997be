#include "ScriptedDevice.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

ScriptedDevice::ScriptedDevice(const std::string& address, std::string reply,
                               std::chrono::milliseconds readDelay)
    : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), m_reply(std::move(reply)),
      m_readDelay(readDelay) {
    const int nOn = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof nOn);
    if (m_readDelay.count() > 0) {
        const int nReceiveBuffer = 65536; // inherited by the accepted connections
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &nReceiveBuffer, sizeof nReceiveBuffer);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(51055);
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(m_fd, 16) != 0) {
        throw std::runtime_error("cannot listen on " + address + ":51055");
    }
    m_thread = std::thread([this] { Serve(); });
}

ScriptedDevice::~ScriptedDevice() {
    m_bStop = true;
    shutdown(m_fd, SHUT_RDWR);
    m_thread.join();
    close(m_fd);
}

std::vector<std::string> ScriptedDevice::Connections() {
    std::lock_guard lock(m_mutex);
    return m_connections;
}

// Reads until the client pauses for 200 ms or closes, then answers when anything came.
void ScriptedDevice::Serve() {
    for (int fd; !m_bStop && (fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        std::this_thread::sleep_for(m_readDelay);
        std::string received;
        pollfd wait{fd, POLLIN, 0};
        char buffer[4096];
        while (poll(&wait, 1, 200) == 1) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            received.append(buffer, static_cast<size_t>(n));
        }
        {
            // Recorded before answering: the client looks as soon as it has the answer.
            std::lock_guard lock(m_mutex);
            m_connections.push_back(received);
        }
        if (!received.empty()) {
            send(fd, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
        }
        close(fd);
    }
}
