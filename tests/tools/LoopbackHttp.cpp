#include "LoopbackHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace KorvanectlTesting {
namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Closes the descriptor when it goes.
struct Socket {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ~Socket() { close(fd); }
};

HttpResponse Parsed(const std::string& received) {
    HttpResponse response;
    const size_t nHeadEnd = received.find("\r\n\r\n");
    if (received.rfind("HTTP/1.", 0) != 0 || received.size() < 12 || nHeadEnd == std::string::npos) {
        return response;
    }
    response.status = std::stoi(received.substr(9, 3));
    response.body = received.substr(nHeadEnd + 4);
    return response;
}

} // namespace

HttpResponse HttpGet(uint16_t port, const std::string& target) {
    const Socket connection;
    const timeval limit{5, 0};
    setsockopt(connection.fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(connection.fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    const sockaddr_in address = Loopback(port);
    if (connect(connection.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nConnection: close\r\n\r\n";
    if (send(connection.fd, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        return {};
    }
    std::string received;
    char buffer[16384];
    for (ssize_t nRead; (nRead = recv(connection.fd, buffer, sizeof buffer, 0)) > 0;) {
        received.append(buffer, static_cast<size_t>(nRead));
    }
    return Parsed(received);
}

uint16_t FreeLoopbackPort() {
    const Socket probe;
    sockaddr_in address = Loopback(0);
    socklen_t nLength = sizeof address;
    if (bind(probe.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(probe.fd, reinterpret_cast<sockaddr*>(&address), &nLength) != 0) {
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    return ntohs(address.sin_port);
}

} // namespace KorvanectlTesting
