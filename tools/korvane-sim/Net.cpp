#include "Net.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

namespace KorvaneSim {

std::string IpAddress::Text(bool withZone) const {
    char buffer[INET6_ADDRSTRLEN + IF_NAMESIZE + 2] = {};
    if (family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr, buffer, sizeof buffer);
        return buffer;
    }
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&storage);
    inet_ntop(AF_INET6, &v6->sin6_addr, buffer, sizeof buffer);
    std::string text = buffer;
    if (withZone && v6->sin6_scope_id != 0) {
        char name[IF_NAMESIZE] = {};
        text += '%';
        text += if_indextoname(v6->sin6_scope_id, name) != nullptr ? name : std::to_string(v6->sin6_scope_id);
    }
    return text;
}

std::uint16_t IpAddress::Port() const {
    return ntohs(family == AF_INET ? reinterpret_cast<const sockaddr_in*>(&storage)->sin_port
                                   : reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
}

void IpAddress::SetPort(std::uint16_t port) {
    if (family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&storage)->sin_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = htons(port);
    }
}

const unsigned char* IpAddress::Bytes() const {
    if (family == AF_INET) {
        return reinterpret_cast<const unsigned char*>(
            &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr);
    }
    return reinterpret_cast<const unsigned char*>(
        &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr);
}

bool IpAddress::SameHost(const IpAddress& other) const {
    if (family != other.family) {
        return false;
    }
    return std::memcmp(Bytes(), other.Bytes(), family == AF_INET ? 4 : 16) == 0;
}

std::optional<IpAddress> ParseIpAddress(const std::string& text) {
    IpAddress address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        address.family = AF_INET;
        v4->sin_family = AF_INET;
        address.length = sizeof(sockaddr_in);
        return address;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    const std::size_t percent = text.find('%');
    const std::string host = text.substr(0, percent);
    if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) != 1) {
        return std::nullopt;
    }
    if (percent != std::string::npos) {
        const std::string zone = text.substr(percent + 1);
        if (zone.empty()) {
            return std::nullopt;
        }
        unsigned index = if_nametoindex(zone.c_str());
        if (index == 0 && zone.find_first_not_of("0123456789") == std::string::npos && zone.size() < 10) {
            index = static_cast<unsigned>(std::stoul(zone));
        }
        if (index == 0) {
            return std::nullopt;
        }
        v6->sin6_scope_id = index;
    }
    address.family = AF_INET6;
    v6->sin6_family = AF_INET6;
    address.length = sizeof(sockaddr_in6);
    return address;
}

IpAddress FromSockaddr(const sockaddr* raw, socklen_t length) {
    IpAddress address;
    std::memcpy(&address.storage, raw, std::min<std::size_t>(length, sizeof address.storage));
    address.family = raw->sa_family;
    address.length = length;
    return address;
}

IpAddress OffsetAddress(const IpAddress& base, std::uint64_t n) {
    IpAddress result = base;
    auto* bytes = const_cast<unsigned char*>(result.Bytes());
    int i = base.family == AF_INET ? 3 : 15;
    std::uint64_t carry = n;
    while (carry != 0 && i >= 0) {
        const std::uint64_t sum = bytes[i] + (carry & 0xFF);
        bytes[i] = static_cast<unsigned char>(sum);
        carry = (carry >> 8) + (sum >> 8);
        --i;
    }
    return result;
}

IpAddress WildcardAddress(int family, std::uint16_t port) {
    IpAddress address;
    address.family = family;
    if (family == AF_INET) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_ANY);
        address.length = sizeof(sockaddr_in);
    } else {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_any;
        address.length = sizeof(sockaddr_in6);
    }
    address.SetPort(port);
    return address;
}

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

std::string ErrnoText(int error) {
    return std::strerror(error);
}

namespace {

int OpenBound(int type, const IpAddress& address, std::uint16_t port, bool reuseAddress, std::string& error) {
    const int fd = socket(address.family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = "socket: " + ErrnoText(errno);
        return -1;
    }
    const int on = 1;
    if (reuseAddress) {
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    if (address.family == AF_INET6) {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    IpAddress bound = address;
    bound.SetPort(port);
    if (bind(fd, bound.Raw(), bound.length) != 0) {
        error = "bind " + bound.Text() + " port " + std::to_string(port) + ": " + ErrnoText(errno);
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int OpenTcpListener(const IpAddress& address, std::uint16_t port, std::string& error) {
    const int fd = OpenBound(SOCK_STREAM, address, port, true, error);
    if (fd >= 0 && listen(fd, 128) != 0) {
        error = "listen: " + ErrnoText(errno);
        close(fd);
        return -1;
    }
    return fd;
}

int OpenUdpSocket(const IpAddress& address, std::uint16_t port, bool reuseAddress, std::string& error) {
    const int fd = OpenBound(SOCK_DGRAM, address, port, reuseAddress, error);
    if (fd >= 0 && address.family == AF_INET) {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
    return fd;
}

} // namespace KorvaneSim
