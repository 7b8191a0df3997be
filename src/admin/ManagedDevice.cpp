#include "admin/ManagedDevice.h"

#include "support/XmlError.h"

namespace Korvane {

CManagedDevice::CManagedDevice(const CKorvaneInfo& session) : CKorvaneInfo(session) {
    if (!IsPasswordRestricted()) {
        RestrictPasswordTo({});
    }
}

std::string CManagedDevice::ReportedMac() const {
    try {
        return GetRootNode().SingleSelectNode("network/tcpip/lan/mac").GetText();
    } catch (const Zelt::CXMLError&) {
        return std::string();
    }
}

bool CManagedDevice::AreApproved(const AddressPair& addresses) const {
    for (const std::string* pAddress : {&addresses.ipv4, &addresses.ipv6}) {
        if (!pAddress->empty() && !IsApprovedAddress(*pAddress)) {
            return false;
        }
    }
    return true;
}

void CManagedDevice::ApproveCurrentAddresses() {
    std::vector<std::string> approved;
    for (const std::string* pAddress : {&GetIPv4Address(), &GetIPv6Address()}) {
        if (!pAddress->empty()) {
            approved.push_back(*pAddress);
        }
    }
    RestrictPasswordTo(std::move(approved));
    m_unapproved = AddressPair();
}

} // namespace Korvane
