#pragma once

#include <cstdint>
#include <string_view>
#include <sys/socket.h>

namespace Zelt {

// Resolves text (a literal or a host name) for nFamily (0 for either) and copies nLength bytes of
// the first result's socket address to pOutput, zero-filled beyond the result's own length.
// Throws CSocketError of kind SOCKET_KIND_ADDRESS.
void Net_StrToAddr(std::string_view strText, sockaddr* pOutput, socklen_t nLength, int nFamily);

// The socket address of a literal and a port. A host name, or a literal the resolver refuses,
// gives an all-zero address; callers resolve names first.
void SetSockAddrIn(sockaddr_storage& output, std::string_view strText, uint16_t nPort);

} // namespace Zelt
