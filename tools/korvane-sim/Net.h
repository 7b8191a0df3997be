#pragma once

// Plain POSIX socket helpers: address texts, listeners and datagram sockets bound to a device's own
// address, so that everything a device sends leaves from that address.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/socket.h>

namespace KorvaneSim {

struct IpAddress {
    int family = 0; // AF_INET or AF_INET6
    sockaddr_storage storage{};
    socklen_t length = 0;

    const sockaddr* Raw() const { return reinterpret_cast<const sockaddr*>(&storage); }
    // The address without port; IPv6 with "%zone" when it has a scope (unless withZone is false).
    std::string Text(bool withZone = true) const;
    std::uint16_t Port() const;
    void SetPort(std::uint16_t port);
    // The raw address bytes (4 or 16).
    const unsigned char* Bytes() const;
    bool SameHost(const IpAddress& other) const;
};

// Numeric IPv4 or IPv6 text; IPv6 may carry a zone ("fe80::1%eth0" or "%2"). Port 0.
std::optional<IpAddress> ParseIpAddress(const std::string& text);
IpAddress FromSockaddr(const sockaddr* address, socklen_t length);
// The address plus n (carrying through the whole address; the zone is kept).
IpAddress OffsetAddress(const IpAddress& base, std::uint64_t n);
IpAddress WildcardAddress(int family, std::uint16_t port);

void SetNonBlocking(int fd);

// A listening TCP socket on the address and port (SO_REUSEADDR, so a device can listen again at once
// after a reboot; IPv6 only for IPv6). -1 with the reason on failure.
int OpenTcpListener(const IpAddress& address, std::uint16_t port, std::string& error);
// A non-blocking UDP socket bound to the address and port, optionally with SO_REUSEADDR and
// SO_BROADCAST. -1 with the reason on failure.
int OpenUdpSocket(const IpAddress& address, std::uint16_t port, bool reuseAddress, std::string& error);

std::string ErrnoText(int error);

// How draining a non-blocking socket ended.
enum class DrainEnd {
    WouldBlock, // everything available was read
    Stopped,    // the handler asked to stop (its connection went away)
    PeerClosed, // end of stream
    Failed,     // a receive error
};

// Receives from a non-blocking socket until it would block, handing each chunk to onData, which
// returns false to stop.
template <typename OnData>
DrainEnd DrainSocket(int fd, void* buffer, std::size_t size, OnData&& onData) {
    for (;;) {
        const ssize_t received = recv(fd, buffer, size, 0);
        if (received > 0) {
            if (!onData(static_cast<std::size_t>(received))) {
                return DrainEnd::Stopped;
            }
        } else if (received == 0) {
            return DrainEnd::PeerClosed;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return DrainEnd::WouldBlock;
        } else if (errno != EINTR) {
            return DrainEnd::Failed;
        }
    }
}

} // namespace KorvaneSim
