#pragma once

#include <cstddef>
#include <string_view>

namespace Zelt {

// Resolve a host name or address text to the text of its first IPv4 (IPv6) address.
// 0 on success; 1 when the address cannot be formatted; -1 for empty text, a capacity of
// 21 (64) bytes or less, or a failed lookup. The output is untouched unless the result is 0.
// An IPv6 zone is not part of the text. These ask the C library directly and wait as long as it
// does; the names of devices are looked up through CNameResolver instead.
int resolve_hostname_inet(std::string_view strName, char* pszOutput, size_t nCapacity);
int resolve_hostname_inet6(std::string_view strName, char* pszOutput, size_t nCapacity);

} // namespace Zelt
