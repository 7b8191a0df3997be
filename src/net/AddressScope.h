#pragma once

#include <string_view>

namespace Zelt {

// What an address literal points at, as far as the program's safety rules care: addresses that a
// device reports or that arrive in a discovery reply must never lead the program to this machine.
enum class AddressScope {
    NotAnAddress, // a host name, or text that is no literal
    Unspecified,  // 0.0.0.0/8, ::, ::ffff:0.0.0.0: connecting there reaches this machine
    Loopback,     // 127.0.0.0/8, ::1, ::ffff:127.x.x.x
    Other,
};

// A zone suffix ("%eth0") is ignored.
AddressScope ScopeOfAddress(std::string_view strText);

inline bool IsUnspecifiedAddress(std::string_view strText) {
    return ScopeOfAddress(strText) == AddressScope::Unspecified;
}

inline bool IsLoopbackAddress(std::string_view strText) {
    return ScopeOfAddress(strText) == AddressScope::Loopback;
}

// Whether two texts name the same address (literals compared by value, "127.000.0.1" is
// "127.0.0.1"; anything else by its text).
bool IsSameAddress(std::string_view strFirst, std::string_view strSecond);

} // namespace Zelt
