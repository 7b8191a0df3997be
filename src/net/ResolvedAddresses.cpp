#include "net/ResolvedAddresses.h"

#include "net/AddressText.h"

#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace Zelt {

std::optional<std::string> ResolvedAddresses::First(int nFamily) const {
    const std::vector<std::string>& texts = nFamily == AF_INET6 ? ipv6 : ipv4;
    return texts.empty() ? std::nullopt : std::optional<std::string>(texts.front());
}

std::optional<std::string> ResolvedAddresses::Last(int nFamily) const {
    const std::vector<std::string>& texts = nFamily == AF_INET6 ? ipv6 : ipv4;
    return texts.empty() ? std::nullopt : std::optional<std::string>(texts.back());
}

std::optional<ResolvedAddresses> ResolvedAddresses::LookUp(std::string_view text, int nFamily, int nFlags) {
    addrinfo hints{};
    hints.ai_family = nFamily;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = nFlags;
    addrinfo* pList = nullptr;
    if (text.empty() || getaddrinfo(std::string(text).c_str(), nullptr, &hints, &pList) != 0) {
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(pList, &freeaddrinfo);
    ResolvedAddresses addresses;
    for (const addrinfo* pEntry = pList; pEntry != nullptr; pEntry = pEntry->ai_next) {
        if (pEntry->ai_family == AF_INET) {
            addresses.ipv4.push_back(
                FormatAddressText(AF_INET, &reinterpret_cast<const sockaddr_in*>(pEntry->ai_addr)->sin_addr));
        } else if (pEntry->ai_family == AF_INET6) {
            addresses.ipv6.push_back(FormatAddressText(
                AF_INET6, &reinterpret_cast<const sockaddr_in6*>(pEntry->ai_addr)->sin6_addr));
        }
    }
    return addresses;
}

} // namespace Zelt
