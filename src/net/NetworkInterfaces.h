#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace Zelt {

// Whether this machine can open sockets of an IP family (AF_INET, AF_INET6); any other family
// is not available. Asked afresh on every call.
bool IsProtocolAvailable(int nFamily);

// The interfaces a link-local IPv6 peer may be reached through: up and running, not loopback,
// with a hardware address and an IPv6 address. Each index once, in the system's interface order;
// empty when the interfaces cannot be listed.
std::vector<unsigned> ListIpv6InterfaceIndexes();

// This PC's MAC address as the legacy discovery sends it: the hardware address of the last
// non-loopback adapter with a 6-byte address, all zero when there is none.
std::array<uint8_t, 6> LocalMacAddress();

} // namespace Zelt
