#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Zelt {

// Address family of a text: AF_INET or AF_INET6 for a literal, 0 for anything else
// (a host name included; only the resolvers turn names into addresses).
int GetAddressFamily(std::string_view strText);

bool IsInetAddress(std::string_view strText);

// A zone suffix ("%4", "%eth0") is ignored.
bool IsInet6Address(std::string_view strText);

// Parses an IPv4 (4 bytes out) or IPv6 (16 bytes out) literal. 1 on success, 0 for malformed text
// (the output is then untouched); any other family sets errno to EAFNOSUPPORT and gives -1.
int ParseAddressText(int nFamily, std::string_view strText, void* pOutput);

// Writes the text of a 4- or 16-byte address. Returns pszOutput, or nullptr with errno ENOSPC when
// the text and its terminator do not fit (the output is then untouched), or EAFNOSUPPORT for
// any other family.
const char* FormatAddressText(int nFamily, const void* pAddress, char* pszOutput, size_t nCapacity);

// The same as a string; empty on failure.
std::string FormatAddressText(int nFamily, const void* pAddress);

} // namespace Zelt
