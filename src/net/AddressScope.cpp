#include "net/AddressScope.h"

#include "net/AddressText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>

namespace Zelt {
namespace {

using Inet6Bytes = std::array<uint8_t, 16>;

std::string_view WithoutZone(std::string_view strText) {
    return strText.substr(0, strText.find('%'));
}

std::string_view ZoneOf(std::string_view strText) {
    return strText.substr(WithoutZone(strText).size());
}

AddressScope ScopeOfInet(const uint8_t* pBytes) {
    if (pBytes[0] == 0) {
        return AddressScope::Unspecified;
    }
    return pBytes[0] == 127 ? AddressScope::Loopback : AddressScope::Other;
}

AddressScope ScopeOfInet6(const Inet6Bytes& bytes) {
    constexpr uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::equal(std::begin(kMappedPrefix), std::end(kMappedPrefix), bytes.begin())) {
        return ScopeOfInet(bytes.data() + 12);
    }
    const bool bZeroHead = std::all_of(bytes.begin(), bytes.end() - 1, [](uint8_t b) { return b == 0; });
    if (bZeroHead && bytes.back() == 0) {
        return AddressScope::Unspecified;
    }
    return bZeroHead && bytes.back() == 1 ? AddressScope::Loopback : AddressScope::Other;
}

// The address as 16 bytes (IPv4 as its mapped IPv6 form), so that both families compare alike.
std::optional<Inet6Bytes> CanonicalBytes(std::string_view strText) {
    Inet6Bytes bytes{};
    if (ParseAddressText(AF_INET, strText, bytes.data() + 12) == 1) {
        bytes[10] = bytes[11] = 0xFF;
        return bytes;
    }
    if (ParseAddressText(AF_INET6, WithoutZone(strText), bytes.data()) == 1) {
        return bytes;
    }
    return std::nullopt;
}

} // namespace

AddressScope ScopeOfAddress(std::string_view strText) {
    const std::optional<Inet6Bytes> bytes = CanonicalBytes(strText);
    return bytes ? ScopeOfInet6(*bytes) : AddressScope::NotAnAddress;
}

bool IsSameAddress(std::string_view strFirst, std::string_view strSecond) {
    const std::optional<Inet6Bytes> first = CanonicalBytes(strFirst);
    const std::optional<Inet6Bytes> second = CanonicalBytes(strSecond);
    if (first && second) {
        return *first == *second && ZoneOf(strFirst) == ZoneOf(strSecond);
    }
    return strFirst == strSecond;
}

} // namespace Zelt
