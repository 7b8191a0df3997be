#include "net/NetworkInterfaces.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <memory>
#include <net/if.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace Zelt {
namespace {

using InterfaceList = std::unique_ptr<ifaddrs, decltype(&freeifaddrs)>;

// Null when the system cannot list its interfaces.
InterfaceList ListInterfaces() {
    ifaddrs* pList = nullptr;
    if (getifaddrs(&pList) != 0) {
        pList = nullptr;
    }
    return InterfaceList(pList, &freeifaddrs);
}

// The link-layer entry of an interface, or null for its protocol address entries.
const sockaddr_ll* LinkAddress(const ifaddrs& entry) {
    if (entry.ifa_addr == nullptr || entry.ifa_addr->sa_family != AF_PACKET) {
        return nullptr;
    }
    return reinterpret_cast<const sockaddr_ll*>(entry.ifa_addr);
}

// getifaddrs lists one entry per interface and address; this gathers them per interface, so
// that each interface is judged, and listed, once.
struct InterfaceSummary {
    std::string_view strName;
    unsigned nFlags = 0;
    bool bHardwareAddress = false;
    bool bInet6Address = false;
};

std::vector<InterfaceSummary> SummariseInterfaces(const ifaddrs* pList) {
    std::vector<InterfaceSummary> summaries;
    for (const ifaddrs* pEntry = pList; pEntry != nullptr; pEntry = pEntry->ifa_next) {
        const std::string_view strName(pEntry->ifa_name);
        auto summary = std::find_if(summaries.begin(), summaries.end(),
                                    [&](const InterfaceSummary& known) { return known.strName == strName; });
        if (summary == summaries.end()) {
            summary = summaries.insert(summaries.end(), InterfaceSummary{strName, pEntry->ifa_flags});
        }
        const sockaddr_ll* pLink = LinkAddress(*pEntry);
        summary->bHardwareAddress |= pLink != nullptr && pLink->sll_halen != 0;
        summary->bInet6Address |= pEntry->ifa_addr != nullptr && pEntry->ifa_addr->sa_family == AF_INET6;
    }
    return summaries;
}

bool CarriesLinkLocalIpv6(const InterfaceSummary& summary) {
    // IFF_RUNNING is the kernel's operational state "up".
    const unsigned nUp = IFF_UP | IFF_RUNNING;
    return (summary.nFlags & nUp) == nUp && (summary.nFlags & IFF_LOOPBACK) == 0 &&
           summary.bHardwareAddress && summary.bInet6Address;
}

} // namespace

bool IsProtocolAvailable(int nFamily) {
    if (nFamily != AF_INET && nFamily != AF_INET6) {
        return false;
    }
    const int nSocket = socket(nFamily, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (nSocket >= 0) {
        close(nSocket);
        return true;
    }
    // Running out of descriptors or memory says nothing about the protocol; the caller's own open
    // then fails with the real reason instead of quietly leaving the family out.
    return errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
}

std::vector<unsigned> ListIpv6InterfaceIndexes() {
    const InterfaceList list = ListInterfaces();
    std::vector<unsigned> indexes;
    for (const InterfaceSummary& summary : SummariseInterfaces(list.get())) {
        if (!CarriesLinkLocalIpv6(summary)) {
            continue;
        }
        const unsigned nIndex = if_nametoindex(std::string(summary.strName).c_str());
        if (nIndex != 0) {
            indexes.push_back(nIndex);
        }
    }
    return indexes;
}

std::array<uint8_t, 6> LocalMacAddress() {
    std::array<uint8_t, 6> mac{};
    const InterfaceList list = ListInterfaces();
    for (const ifaddrs* pEntry = list.get(); pEntry != nullptr; pEntry = pEntry->ifa_next) {
        const sockaddr_ll* pLink = LinkAddress(*pEntry);
        if (pLink != nullptr && pLink->sll_halen == mac.size() && (pEntry->ifa_flags & IFF_LOOPBACK) == 0) {
            std::memcpy(mac.data(), pLink->sll_addr, mac.size());
        }
    }
    return mac;
}

} // namespace Zelt
