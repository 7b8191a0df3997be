#include "LoopbackPeers.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace NetTesting {
namespace {

sockaddr_storage Address(const char* pszAddress, uint16_t nPort, socklen_t& nLength) {
    sockaddr_storage storage{};
    if (inet_pton(AF_INET6, pszAddress, &reinterpret_cast<sockaddr_in6&>(storage).sin6_addr) == 1) {
        auto& address = reinterpret_cast<sockaddr_in6&>(storage);
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(nPort);
        nLength = sizeof address;
    } else {
        auto& address = reinterpret_cast<sockaddr_in&>(storage);
        address.sin_family = AF_INET;
        address.sin_port = htons(nPort);
        inet_pton(AF_INET, pszAddress, &address.sin_addr);
        nLength = sizeof address;
    }
    return storage;
}

int BoundSocket(const char* pszAddress, int nType, uint16_t nPort) {
    socklen_t nLength = 0;
    const sockaddr_storage address = Address(pszAddress, nPort, nLength);
    const int fd = socket(address.ss_family, nType | SOCK_CLOEXEC, 0);
    const int nOn = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof nOn);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), nLength) != 0) {
        throw std::runtime_error("cannot bind a test socket");
    }
    return fd;
}

uint16_t LocalPort(int fd) {
    sockaddr_storage address{};
    socklen_t nLength = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &nLength);
    return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                               : reinterpret_cast<sockaddr_in&>(address).sin_port);
}

uint16_t UnusedPort(int nType) {
    const int fd = BoundSocket("127.0.0.1", nType, 0);
    const uint16_t nPort = LocalPort(fd);
    close(fd);
    return nPort;
}

} // namespace

TcpListener::TcpListener(const char* pszAddress, int nBacklog)
    : m_fd(BoundSocket(pszAddress, SOCK_STREAM, 0)) {
    listen(m_fd, nBacklog);
    m_nPort = LocalPort(m_fd);
}

TcpListener::~TcpListener() {
    m_bStop = true;
    shutdown(m_fd, SHUT_RDWR);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    close(m_fd);
}

int TcpListener::AcceptOne() {
    return accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
}

void TcpListener::StartEcho() {
    m_thread = std::thread([this] {
        for (int fd; (fd = AcceptOne()) >= 0;) {
            char buffer[4096];
            for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                send(fd, buffer, static_cast<size_t>(n), MSG_NOSIGNAL);
            }
            close(fd);
        }
    });
}

void TcpListener::StartAcceptAndClose() {
    m_thread = std::thread([this] {
        const int fd = AcceptOne();
        if (fd >= 0) {
            close(fd);
        }
    });
}

void TcpListener::StartFlood() {
    m_thread = std::thread([this] {
        const int fd = AcceptOne();
        while (fd >= 0 && !m_bStop) {
            send(fd, "x", 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (fd >= 0) {
            close(fd);
        }
    });
}

uint16_t UnusedTcpPort() {
    return UnusedPort(SOCK_STREAM);
}
uint16_t UnusedUdpPort() {
    return UnusedPort(SOCK_DGRAM);
}

void SendDatagram(const char* pszSource, uint16_t nPort, const std::string& data) {
    const int fd = BoundSocket(pszSource, SOCK_DGRAM, 0);
    socklen_t nLength = 0;
    const sockaddr_storage destination = Address("127.0.0.1", nPort, nLength);
    sendto(fd, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&destination), nLength);
    close(fd);
}

} // namespace NetTesting
