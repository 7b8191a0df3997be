#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Zelt {

// The addresses a name or address text stands for, as texts, in the order the C library gives them.
struct ResolvedAddresses {
    std::vector<std::string> ipv4;
    std::vector<std::string> ipv6;

    bool IsEmpty() const { return ipv4.empty() && ipv6.empty(); }
    // The first (last) address of a family, AF_INET or AF_INET6; nothing when there is none.
    std::optional<std::string> First(int nFamily) const;
    std::optional<std::string> Last(int nFamily) const;

    // Asks the C library (getaddrinfo with the family, 0 for both, and the flags) and blocks until
    // it answers; nothing when it finds nothing. An IPv6 zone is not part of the texts.
    static std::optional<ResolvedAddresses> LookUp(std::string_view text, int nFamily, int nFlags);
};

} // namespace Zelt
