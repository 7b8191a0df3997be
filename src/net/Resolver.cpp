#include "net/Resolver.h"

#include "net/AddressText.h"
#include "support/Trace.h"

#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>

namespace Zelt {
namespace {

// The smallest text buffers the callers use: 22 bytes for IPv4, 65 for IPv6.
constexpr size_t INET_MINIMUM_CAPACITY = 22;
constexpr size_t INET6_MINIMUM_CAPACITY = 65;

const void* BinaryAddress(const addrinfo& info) {
    if (info.ai_family == AF_INET6) {
        return &reinterpret_cast<const sockaddr_in6*>(info.ai_addr)->sin6_addr;
    }
    return &reinterpret_cast<const sockaddr_in*>(info.ai_addr)->sin_addr;
}

int Resolve(const char* pszFunction, int nFamily, std::string_view strName, char* pszOutput, size_t nCapacity,
            size_t nMinimumCapacity) {
    if (strName.empty() || pszOutput == nullptr || nCapacity < nMinimumCapacity) {
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = nFamily;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pList = nullptr;
    if (getaddrinfo(std::string(strName).c_str(), nullptr, &hints, &pList) != 0) {
        return -1;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(pList, &freeaddrinfo);
    if (FormatAddressText(list->ai_family, BinaryAddress(*list), pszOutput, nCapacity) == nullptr) {
        return 1;
    }
    DebugTrace("%s: resolved address=%s\n", pszFunction, pszOutput);
    return 0;
}

} // namespace

int resolve_hostname_inet(std::string_view strName, char* pszOutput, size_t nCapacity) {
    return Resolve("resolve_hostname_inet", AF_INET, strName, pszOutput, nCapacity, INET_MINIMUM_CAPACITY);
}

int resolve_hostname_inet6(std::string_view strName, char* pszOutput, size_t nCapacity) {
    return Resolve("resolve_hostname_inet6", AF_INET6, strName, pszOutput, nCapacity, INET6_MINIMUM_CAPACITY);
}

} // namespace Zelt
