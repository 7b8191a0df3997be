#include "operations/AddTarget.h"

#include "admin/AdminInfoMgr.h"
#include "net/AddressScope.h"
#include "net/AddressText.h"
#include "net/NameResolver.h"
#include "operations/InfoResult.h"
#include "support/TextIds.h"
#include "support/XmlError.h"

#include <sys/socket.h>

namespace Korvane {
namespace {

constexpr const char* kIPv4Path = "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip";
constexpr const char* kIPv6Path = "network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip";

std::string ReportedText(const CKorvaneInfo& info, const char* pszPath) {
    try {
        return info.GetRootNode().SingleSelectNode(pszPath).GetText();
    } catch (const Zelt::CXMLError&) {
        return std::string();
    }
}

} // namespace

TypedAddresses CAddTarget::ResolveInput(const std::string& input, const Zelt::CancelEventPtr& cancelEvent) {
    const Zelt::ResolvedAddresses resolved = Zelt::CNameResolver::Resolve(input, cancelEvent);
    TypedAddresses addresses;
    addresses.typed = input;
    addresses.ipv4 = Zelt::IsInetAddress(input) ? input : resolved.First(AF_INET).value_or("");
    addresses.ipv6 = Zelt::IsInet6Address(input) ? input : resolved.First(AF_INET6).value_or("");
    for (std::string* pAddress : {&addresses.ipv4, &addresses.ipv6}) {
        if (Zelt::IsUnspecifiedAddress(*pAddress)) {
            addresses.refused = *pAddress;
            pAddress->clear();
        }
    }
    return addresses;
}

int CAddTarget::RefusalMessage(const TypedAddresses& addresses) {
    return !addresses.refused.empty() && addresses.ipv4.empty() && addresses.ipv6.empty()
               ? Zelt::Text::AddressIsThisComputer
               : 0;
}

CManagedDevice CAddTarget::Candidate(const TypedAddresses& addresses) {
    return CManagedDevice(CKorvaneInfo(addresses.ipv4, addresses.ipv6));
}

void CAddTarget::TakeFetched(CManagedDevice& candidate, const TypedAddresses& addresses) {
    const bool bIPv4Differs = !addresses.ipv4.empty() && ReportedText(candidate, kIPv4Path) != addresses.ipv4;
    const bool bIPv6Differs = !addresses.ipv6.empty() && ReportedText(candidate, kIPv6Path) != addresses.ipv6;
    if (!candidate.HasRootNode() || (!bIPv4Differs && !bIPv6Differs)) {
        return;
    }
    // Reached through a router: the information and the session keep what the user typed.
    const bool bTypedName = addresses.typed != addresses.ipv4 && addresses.typed != addresses.ipv6;
    CKorvaneAdminInfoMgr::WriteUserAddresses(candidate, bTypedName ? addresses.typed : std::string(),
                                             addresses.ipv4, addresses.ipv6);
    candidate.SetPortForwarding(true);
}

int CAddTarget::MessageFor(int nInfoMessage) {
    switch (nInfoMessage) {
    case INFO_NOT_OBTAINED:
    case INFO_CANNOT_START:
        return Zelt::Text::DeviceNotFound;
    case INFO_DEVICE_ERROR:
    case INFO_OTHER_FAILURE:
    case INFO_DEVICE_BUSY:
    case INFO_TIMEOUT:
    case INFO_SOCKET_ERROR:
        return Zelt::Text::InfoReadError;
    case INFO_TOO_LARGE:
        return Zelt::Text::InfoTooLarge;
    default:
        return 0;
    }
}

} // namespace Korvane
