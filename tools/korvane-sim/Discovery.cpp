// Discovery: the current protocol (54-byte datagrams on the discovery port, by IPv4 broadcast and IPv6
// multicast) and the two older ones (132 bytes, IPv4 only, one port each). Every device that is on logs
// each datagram; those that answer the protocol reply from their own address.

#include "Farm.h"

#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <unistd.h>

namespace KorvaneSim {
namespace {

constexpr std::size_t kKafSize = 54;
constexpr std::size_t kQrxSize = 132;
constexpr std::size_t kTruncatedSize = 20;
// Real requests are 54 or 132 bytes; anything longer is logged cut to this.
constexpr std::size_t kDatagramLimit = 2048;

std::string Hex(const unsigned char* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0x0F]);
    }
    return text;
}

std::size_t RequestSize(Discovery protocol) {
    return protocol == Discovery::Kaf ? kKafSize : kQrxSize;
}

const unsigned char* ReplyIpv4(const Device& device) {
    return device.knobs.discoveryAddress ? device.knobs.discoveryAddress->Bytes() : device.ipv4.Bytes();
}

// Op 1, the request id echoed, the MAC as 12 hexadecimal digits in the device's own case, the raw
// addresses (IPv6 zero without one) and the vendor text.
std::string KafReply(const Device& device, const unsigned char* request) {
    std::string reply(kKafSize, '\0');
    reply[0] = 1;
    std::memcpy(&reply[1], request + 1, 4);
    std::string macText;
    for (char c : device.mac) {
        if (c != ':' && c != '-') {
            macText.push_back(c);
        }
    }
    std::memcpy(&reply[5], macText.data(), std::min<std::size_t>(macText.size(), 12));
    std::memcpy(&reply[18], ReplyIpv4(device), 4);
    if (device.ipv6) {
        std::memcpy(&reply[22], device.ipv6->Bytes(), 16);
    }
    std::memcpy(&reply[38], "VESTRANO", 8);
    return reply;
}

// The older protocols: the request id and the requester's MAC echoed, the device's IPv4 address and
// MAC as raw bytes; host name and vendor text fill the fields that the request uses for its own.
std::string QrxReply(const Device& device, const unsigned char* request) {
    std::string reply(kQrxSize, '\0');
    reply[0] = static_cast<char>(device.knobs.discoveryOp);
    std::memcpy(&reply[1], request + 1, 4);
    std::memcpy(&reply[8], request + 8, 6);
    std::memcpy(&reply[14], ReplyIpv4(device), 4);
    std::memcpy(&reply[28], device.macBytes.data(), 6);
    std::memcpy(&reply[34], device.hostname.data(), std::min<std::size_t>(device.hostname.size(), 64));
    std::memcpy(&reply[115], "VESTRAN", 7);
    return reply;
}

int FaultOp(DiscoveryFault fault) {
    switch (fault) {
    case DiscoveryFault::Op0:
        return 0;
    case DiscoveryFault::Op2:
        return 2;
    case DiscoveryFault::Op3:
        return 3;
    case DiscoveryFault::Op4:
        return 4;
    case DiscoveryFault::Op5:
        return 5;
    case DiscoveryFault::Op6:
        return 6;
    case DiscoveryFault::Op7:
        return 7;
    default:
        return -1;
    }
}

// Breaks the reply in the one way the fault names, where that way means something for the protocol.
void Spoil(Discovery protocol, DiscoveryFault fault, std::string& reply) {
    const bool current = protocol == Discovery::Kaf;
    const int op = FaultOp(fault);
    if (op >= 0) {
        // 5, 6 and 7 are valid ops of the older protocols (discovery-op sets them there).
        if (current || op < 5) {
            reply[0] = static_cast<char>(op);
        }
        return;
    }
    switch (fault) {
    case DiscoveryFault::ZeroMac:
        if (current) {
            std::memcpy(&reply[5], "000000000000", 13);
        } else {
            std::memset(&reply[28], 0, 6);
        }
        break;
    case DiscoveryFault::EmptyMac:
        if (current) {
            std::memset(&reply[5], 0, 13);
        }
        break;
    case DiscoveryFault::WrongId:
        if (!current) {
            // The id plus one: close to the right one, so that only a full comparison notices.
            for (int i = 4; i >= 1; --i) {
                if (++reply[i] != 0) {
                    break;
                }
            }
        }
        break;
    case DiscoveryFault::WrongRequester:
        if (!current) {
            reply[13] = static_cast<char>(reply[13] ^ 0x01);
        }
        break;
    case DiscoveryFault::Truncated:
        reply.resize(kTruncatedSize);
        break;
    case DiscoveryFault::BadMac:
        if (current) {
            reply[11] = ' ';
            reply[12] = '\n';
        }
        break;
    default:
        break;
    }
}

} // namespace

bool Farm::OpenDiscoverySockets(std::string& error) {
    for (int family : {AF_INET, AF_INET6}) {
        std::string reason;
        const int fd = OpenUdpSocket(WildcardAddress(family, 0), settings_.discoveryPort, true, reason);
        if (fd < 0) {
            if (family == AF_INET) {
                error = "discovery socket: " + reason;
                return false;
            }
            std::cerr << "korvane-sim: no IPv6 discovery: " << reason << std::endl;
            continue;
        }
        sharedSockets_.push_back(fd);
        const std::uint16_t port = settings_.discoveryPort;
        Watch(fd, [this, fd, port](std::uint32_t) { OnDiscoveryDatagrams(fd, Discovery::Kaf, port); });
    }
    const Discovery legacy[] = {Discovery::Qrx, Discovery::QrxAlt};
    for (std::size_t i = 0; i < settings_.legacyDiscoveryPorts.size(); ++i) {
        const std::uint16_t port = settings_.legacyDiscoveryPorts[i];
        if (port == 0) {
            continue;
        }
        std::string reason;
        const int fd = OpenUdpSocket(WildcardAddress(AF_INET, 0), port, true, reason);
        if (fd < 0) {
            // Port 65 needs privileges; the other protocols still work without it.
            std::cerr << "korvane-sim: no " << DiscoveryName(legacy[i]) << " discovery on port " << port
                      << ": " << reason << std::endl;
            continue;
        }
        sharedSockets_.push_back(fd);
        const Discovery protocol = legacy[i];
        Watch(fd, [this, fd, protocol, port](std::uint32_t) { OnDiscoveryDatagrams(fd, protocol, port); });
    }
    return true;
}

void Farm::OnDiscoveryDatagrams(int fd, Discovery protocol, std::uint16_t port) {
    unsigned char datagram[kDatagramLimit];
    for (;;) {
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof peer;
        const ssize_t size =
            recvfrom(fd, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (size < 0) {
            return;
        }
        HandleDiscoveryDatagram(protocol, FromSockaddr(reinterpret_cast<sockaddr*>(&peer), peerLength), port,
                                datagram, static_cast<std::size_t>(size));
    }
}

bool Farm::IsDeviceAddress(const IpAddress& address) const {
    for (const auto& device : devices_) {
        if (address.SameHost(device->ipv4) || (device->ipv6 && address.SameHost(*device->ipv6))) {
            return true;
        }
    }
    return false;
}

void Farm::HandleDiscoveryDatagram(Discovery protocol, const IpAddress& from, std::uint16_t port,
                                   const unsigned char* data, std::size_t size) {
    // On loopback the devices' own replies can come back here; answering them could loop forever.
    if (IsDeviceAddress(from)) {
        return;
    }
    // Malformed requests are logged too, so that a test sees what its client really sent.
    const std::string line = std::string("discovery ") + DiscoveryName(protocol) + " " + Hex(data, size);
    const bool request = size == RequestSize(protocol) && data[0] == 0;
    IpAddress to = from;
    to.SetPort(port);
    std::size_t order = 0;
    for (auto& devicePointer : devices_) {
        Device& device = *devicePointer;
        if (device.power != Power::On) {
            continue;
        }
        AddLog(device, line);
        // An IPv6 request is answered over IPv6, so only by devices that have an IPv6 address.
        if (!request || !device.knobs.Answers(protocol) || (to.family == AF_INET6 && !device.ipv6)) {
            continue;
        }
        std::string reply = protocol == Discovery::Kaf ? KafReply(device, data) : QrxReply(device, data);
        Spoil(protocol, device.knobs.discoveryFault, reply);
        // Spread the replies a little, as real devices answer at slightly different times; a thousand
        // datagrams at once would overflow the requester's receive buffer.
        Device* target = &device;
        const int copies = device.knobs.discoveryCopies;
        loop_.AddTimer(std::chrono::milliseconds(order++),
                       [this, target, protocol, to, copies, reply = std::move(reply)] {
                           if (target->power == Power::On) {
                               SendDiscoveryReply(*target, protocol, to, reply, copies);
                           }
                       });
    }
}

void Farm::SendDiscoveryReply(Device& device, Discovery protocol, const IpAddress& to,
                              const std::string& reply, int copies) {
    // From the device's own address: the requester tells devices apart by the source address.
    const IpAddress* from = to.family == AF_INET ? &device.ipv4 : (device.ipv6 ? &*device.ipv6 : nullptr);
    if (from == nullptr) {
        return;
    }
    std::string error;
    const int fd = OpenUdpSocket(*from, 0, false, error);
    if (fd < 0) {
        std::cerr << "korvane-sim: " << device.Name() << ": discovery reply: " << error << std::endl;
        return;
    }
    for (int copy = 0; copy < copies; ++copy) {
        if (sendto(fd, reply.data(), reply.size(), 0, to.Raw(), to.length) ==
            static_cast<ssize_t>(reply.size())) {
            AddLog(device, std::string("discovery-reply ") + DiscoveryName(protocol));
        } else {
            std::cerr << "korvane-sim: " << device.Name() << ": discovery reply to " << to.Text() << ": "
                      << ErrnoText(errno) << std::endl;
        }
    }
    close(fd);
}

} // namespace KorvaneSim
