#include "admin/AddressApproval.h"

#include "admin/SettingsXml.h"
#include "admin/TextFormat.h"
#include "support/StringTable.h"
#include "support/Trace.h"

namespace Korvane {
namespace {

constexpr const char* kIPv4Path = "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip";
constexpr const char* kIPv6Path = "network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip";

std::string JoinedOrNone(const std::vector<std::string>& addresses) {
    std::string text;
    for (const std::string& address : addresses) {
        if (!address.empty()) {
            text += (text.empty() ? "" : ", ") + address;
        }
    }
    return text.empty() ? std::string(Zelt::CStringTable::Text(Zelt::Text::WordNone)) : text;
}

std::string InformationText(const CKorvaneInfo& device, const char* pszPath) {
    if (!device.HasRootNode()) {
        return std::string();
    }
    return SettingsXml::OptionalText(device.GetRootNode(), pszPath).value_or(std::string());
}

} // namespace

AddressPair CAddressApproval::InformationAddresses(const CKorvaneInfo& device) {
    return {InformationText(device, kIPv4Path), InformationText(device, kIPv6Path)};
}

void CAddressApproval::Hold(CManagedDevice& device, const AddressPair& approvedPlace) {
    const AddressPair seen = InformationAddresses(device);
    if (!device.HasPassword() || device.AreApproved(seen)) {
        device.SetUnapprovedAddresses(AddressPair());
        return;
    }
    Zelt::DebugTrace("CAddressApproval::Hold: %s turned up at %s %s, not approved.\n",
                     device.GetMacAddress().c_str(), seen.ipv4.c_str(), seen.ipv6.c_str());
    device.SetUnapprovedAddresses(seen);
    MoveTo(device, approvedPlace);
}

bool CAddressApproval::Approve(CManagedDevice& device) {
    if (!device.HasUnapprovedAddresses()) {
        return false;
    }
    const AddressPair& waiting = device.GetUnapprovedAddresses();
    AddressPair target = device.CurrentAddresses();
    if (!waiting.ipv4.empty()) {
        target.ipv4 = waiting.ipv4;
    }
    if (!waiting.ipv6.empty()) {
        target.ipv6 = waiting.ipv6;
    }
    MoveTo(device, target);
    device.ApproveCurrentAddresses();
    device.SetUnapprovedAddresses(AddressPair());
    return true;
}

std::string CAddressApproval::Text(const AddressPair& addresses) {
    return JoinedOrNone({addresses.ipv4, addresses.ipv6});
}

std::string CAddressApproval::ApprovedText(const CManagedDevice& device) {
    return JoinedOrNone(device.ApprovedAddresses());
}

std::string CAddressApproval::WaitingLine(const CManagedDevice& device) {
    if (!device.HasUnapprovedAddresses()) {
        return std::string();
    }
    return CTextFormat::FormatId(Zelt::Text::AddressUnapprovedDetail,
                                 {Text(device.GetUnapprovedAddresses()), ApprovedText(device)});
}

void CAddressApproval::MoveTo(CKorvaneInfo& device, const AddressPair& addresses) {
    if (!device.HasRootNode()) {
        return;
    }
    const Zelt::CXMLNode root = device.GetRootNode();
    for (const auto& [pszPath, pText] :
         {std::pair{kIPv4Path, &addresses.ipv4}, std::pair{kIPv6Path, &addresses.ipv6}}) {
        const Zelt::CXMLNodeList nodes = root.SelectNodes(pszPath);
        if (!nodes.empty()) {
            Zelt::CXMLNode(nodes.front()).SetText(*pText);
        }
    }
    device.TakeFreshInfo(root);
}

} // namespace Korvane
