#include "net/SockAddr.h"

#include "net/AddressText.h"
#include "net/SocketErrors.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <string>

namespace Zelt {
namespace {

constexpr socklen_t INET_SOCKADDR_SIZE = sizeof(sockaddr_in);
constexpr socklen_t INET6_SOCKADDR_SIZE = sizeof(sockaddr_in6);

static_assert(INET_SOCKADDR_SIZE == 16 && INET6_SOCKADDR_SIZE == 28);

} // namespace

void Net_StrToAddr(std::string_view strText, sockaddr* pOutput, socklen_t nLength, int nFamily) {
    if (strText.empty() || pOutput == nullptr || nLength == 0) {
        ThrowSocketError("Net_StrToAddr: Empty argument.", SOCKET_KIND_ADDRESS);
    }
    if (nFamily == AF_INET && nLength < INET_SOCKADDR_SIZE) {
        ThrowSocketError("Net_StrToAddr: (IPv4) Buffer too small.", SOCKET_KIND_ADDRESS);
    }
    if (nFamily == AF_INET6 && nLength < INET6_SOCKADDR_SIZE) {
        ThrowSocketError("Net_StrToAddr: (IPv6) Buffer too small.", SOCKET_KIND_ADDRESS);
    }
    addrinfo hints{};
    hints.ai_family = nFamily;
    addrinfo* pList = nullptr;
    if (getaddrinfo(std::string(strText).c_str(), nullptr, &hints, &pList) != 0) {
        ThrowSocketError("Net_StrToAddr: getaddrinfo() failed.", SOCKET_KIND_ADDRESS);
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(pList, &freeaddrinfo);
    const socklen_t nCopied = std::min(nLength, list->ai_addrlen);
    auto* pBytes = reinterpret_cast<unsigned char*>(pOutput);
    std::memcpy(pBytes, list->ai_addr, nCopied);
    std::memset(pBytes + nCopied, 0, nLength - nCopied);
}

void SetSockAddrIn(sockaddr_storage& output, std::string_view strText, uint16_t nPort) {
    output = {};
    const int nFamily = GetAddressFamily(strText);
    if (nFamily == 0) {
        return;
    }
    auto* pAddress = reinterpret_cast<sockaddr*>(&output);
    try {
        Net_StrToAddr(strText, pAddress, nFamily == AF_INET ? INET_SOCKADDR_SIZE : INET6_SOCKADDR_SIZE,
                      nFamily);
    } catch (const CSocketError&) {
        // Already traced; the caller's bind or connect fails on the zero address.
        return;
    }
    if (nFamily == AF_INET) {
        auto* pInet = reinterpret_cast<sockaddr_in*>(&output);
        pInet->sin_family = AF_INET;
        pInet->sin_port = htons(nPort);
    } else {
        auto* pInet6 = reinterpret_cast<sockaddr_in6*>(&output);
        pInet6->sin6_family = AF_INET6;
        pInet6->sin6_port = htons(nPort);
    }
}

} // namespace Zelt
