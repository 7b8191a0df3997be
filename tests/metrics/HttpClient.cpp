#include "HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>

namespace Korvane::Testing {

HttpClient::HttpClient(uint16_t nPort) : m_socket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot connect to the server");
    }
}

void HttpClient::Send(std::string_view bytes) {
    if (send(m_socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error("cannot send the request");
    }
}

bool HttpClient::ReadUntilClosed(std::chrono::milliseconds wait, std::string& received) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{m_socket.Get(), POLLIN, 0};
        if (remaining.count() <= 0 || poll(&ready, 1, static_cast<int>(remaining.count())) <= 0) {
            return false;
        }
        char buffer[65536];
        const ssize_t nRead = recv(m_socket.Get(), buffer, sizeof buffer, 0);
        if (nRead <= 0) {
            return true;
        }
        received.append(buffer, static_cast<size_t>(nRead));
    }
}

std::string HttpClient::ReceiveAll(std::chrono::milliseconds wait) {
    std::string received;
    ReadUntilClosed(wait, received);
    return received;
}

bool HttpClient::ClosedWithin(std::chrono::milliseconds wait) {
    std::string ignored;
    return ReadUntilClosed(wait, ignored);
}

std::string HttpClient::Exchange(uint16_t nPort, std::string_view request) {
    HttpClient client(nPort);
    client.Send(request);
    return client.ReceiveAll();
}

} // namespace Korvane::Testing
