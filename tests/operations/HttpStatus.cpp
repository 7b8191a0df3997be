#include "HttpStatus.h"

#include <cstdlib>
#include <netdb.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace OperationsTesting {
namespace {

constexpr std::string_view kScheme = "http://";

int ConnectTo(const std::string& address, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &result) != 0) {
        return -1;
    }
    int fd = socket(result->ai_family, SOCK_STREAM, 0);
    const timeval limit{5, 0};
    if (fd >= 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (connect(fd, result->ai_addr, result->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(result);
    return fd;
}

std::string Exchange(int fd, const std::string& request) {
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
        return {};
    }
    std::string response;
    char buffer[4096];
    ssize_t nRead = 0;
    while ((nRead = recv(fd, buffer, sizeof buffer, 0)) > 0) {
        response.append(buffer, static_cast<size_t>(nRead));
    }
    return response;
}

} // namespace

UrlParts SplitUrl(const std::string& url) {
    if (url.rfind(kScheme, 0) != 0) {
        return {};
    }
    const size_t slash = url.find('/', kScheme.size());
    if (slash == std::string::npos) {
        return {url.substr(kScheme.size()), "/"};
    }
    return {url.substr(kScheme.size(), slash - kScheme.size()), url.substr(slash)};
}

int HttpStatus(const std::string& address, std::uint16_t port, const std::string& path) {
    const int fd = ConnectTo(address, port);
    if (fd < 0) {
        return 0;
    }
    const std::string response =
        Exchange(fd, "GET " + path + " HTTP/1.1\r\nHost: " + address + "\r\nConnection: close\r\n\r\n");
    close(fd);
    constexpr std::string_view kStatusLine = "HTTP/1.1 ";
    if (response.rfind(kStatusLine, 0) != 0 || response.size() < kStatusLine.size() + 3) {
        return 0;
    }
    return std::atoi(response.substr(kStatusLine.size(), 3).c_str());
}

} // namespace OperationsTesting
