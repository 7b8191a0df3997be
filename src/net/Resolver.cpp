#include "net/Resolver.h"

#include "net/ResolvedAddresses.h"
#include "support/Trace.h"

#include <cstring>
#include <sys/socket.h>

namespace Zelt {
namespace {

// The smallest text buffers the callers use: 22 bytes for IPv4, 65 for IPv6.
constexpr size_t INET_MINIMUM_CAPACITY = 22;
constexpr size_t INET6_MINIMUM_CAPACITY = 65;

int Resolve(const char* pszFunction, int nFamily, std::string_view strName, char* pszOutput, size_t nCapacity,
            size_t nMinimumCapacity) {
    if (strName.empty() || pszOutput == nullptr || nCapacity < nMinimumCapacity) {
        return -1;
    }
    const std::optional<ResolvedAddresses> found = ResolvedAddresses::LookUp(strName, nFamily, 0);
    const std::optional<std::string> text = found ? found->First(nFamily) : std::nullopt;
    if (!text) {
        return -1;
    }
    if (text->empty() || text->size() >= nCapacity) {
        return 1;
    }
    std::memcpy(pszOutput, text->c_str(), text->size() + 1);
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
