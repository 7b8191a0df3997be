#include "metrics/ListenAddress.h"

#include <arpa/inet.h>
#include <charconv>

namespace Korvane {
namespace {

std::optional<uint16_t> PortNumber(std::string_view text) {
    unsigned nPort = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), nPort);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || nPort > 65535) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(nPort);
}

} // namespace

std::optional<CListenAddress> CListenAddress::Parse(std::string_view text) {
    const size_t nColon = text.rfind(':');
    if (nColon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<uint16_t> port = PortNumber(text.substr(nColon + 1));
    std::string host(text.substr(0, nColon));
    if (!port || host.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    if (host.empty() || host == "localhost") {
        host = "127.0.0.1";
    }
    CListenAddress address;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address.m_address);
        if (inet_pton(AF_INET6, host.substr(1, host.size() - 2).c_str(), &ipv6.sin6_addr) != 1) {
            return std::nullopt;
        }
        ipv6.sin6_family = AF_INET6;
        ipv6.sin6_port = htons(*port);
        address.m_nLength = sizeof ipv6;
        return address;
    }
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address.m_address);
    if (inet_pton(AF_INET, host.c_str(), &ipv4.sin_addr) != 1) {
        return std::nullopt;
    }
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = htons(*port);
    address.m_nLength = sizeof ipv4;
    return address;
}

std::string CListenAddress::Text() const {
    char host[INET6_ADDRSTRLEN] = {};
    if (m_address.ss_family == AF_INET6) {
        const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(m_address);
        inet_ntop(AF_INET6, &ipv6.sin6_addr, host, sizeof host);
        return "[" + std::string(host) + "]:" + std::to_string(ntohs(ipv6.sin6_port));
    }
    const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(m_address);
    inet_ntop(AF_INET, &ipv4.sin_addr, host, sizeof host);
    return std::string(host) + ':' + std::to_string(ntohs(ipv4.sin_port));
}

} // namespace Korvane
