#include "admin/AdminInfoMgr.h"

#include "admin/AddressApproval.h"
#include "protocol/InfoBounds.h"
#include "protocol/MacAddress.h"
#include "support/XmlError.h"
#include "support/XmlQueries.h"

#include <vector>

namespace Korvane {
namespace {

constexpr const char* kHostNamePath = "network/host/name";
constexpr const char* kIPv4Path = "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip";
constexpr const char* kIPv6Path = "network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip";
constexpr const char* kPowerPath = "systeminfo/power";

bool IsDeviceInformation(const CKorvaneInfo& session) {
    return session.HasRootNode() && session.GetRootNode().GetName() == "korvaneinfo";
}

void SetTextIfPresent(const Zelt::CXMLNode& root, const char* pszPath, const std::string& text) {
    const Zelt::CXMLNodeList nodes = root.SelectNodes(pszPath);
    if (!nodes.empty()) {
        Zelt::CXMLNode(nodes.front()).SetText(text);
    }
}

// The part of a path before its last "/", or empty for a top-level element.
std::string ParentPath(const std::string& path) {
    const size_t nSlash = path.find_last_of('/');
    return nSlash == std::string::npos ? std::string() : path.substr(0, nSlash);
}

// One part of a status fetch: the fresh node, and where it goes in the stored information (in
// place of the stored node, or under the stored parent when the stored information lacks it: a
// device added from its basic information has no status yet).
struct StatusPart {
    Zelt::CXMLNode fresh;
    Zelt::CXMLNode stored;
    Zelt::CXMLNode parent;
};

// Finds every part first, so that a failure (the only XML step that can fail is a selection)
// leaves the record as it was; then changes the record in place without copying it.
std::vector<StatusPart> FindStatusParts(const Zelt::CXMLNode& storedRoot, const Zelt::CXMLNode& freshRoot) {
    std::vector<StatusPart> parts;
    for (const char* pszPath :
         {"statusinfo", "network/tcpip[not(@family='inet6')]/lan",
          "network/tcpip[@family='inet6'][@enable='true']/lan", "network/host", "network/msnetwork"}) {
        const Zelt::CXMLNodeList fresh = freshRoot.SelectNodes(pszPath);
        if (fresh.empty()) {
            continue;
        }
        const Zelt::CXMLNodeList stored = storedRoot.SelectNodes(pszPath);
        const std::string parentPath = ParentPath(pszPath);
        const Zelt::CXMLNodeList parents =
            parentPath.empty() ? Zelt::CXMLNodeList{storedRoot} : storedRoot.SelectNodes(parentPath);
        if (!stored.empty() || !parents.empty()) {
            parts.push_back(StatusPart{fresh.front(), stored.empty() ? Zelt::CXMLNode() : stored.front(),
                                       parents.empty() ? Zelt::CXMLNode() : parents.front()});
        }
    }
    return parts;
}

} // namespace

void CKorvaneAdminInfoMgr::WriteUserAddresses(CKorvaneInfo& target, const std::string& hostName,
                                              const std::string& ipv4, const std::string& ipv6) {
    const Zelt::CXMLNode root = target.GetRootNode();
    const std::pair<const char*, const std::string*> fields[] = {
        {kHostNamePath, &hostName},
        {kIPv4Path, &ipv4},
        {kIPv6Path, &ipv6},
    };
    for (const auto& [pszPath, pText] : fields) {
        if (!pText->empty()) {
            SetTextIfPresent(root, pszPath, *pText);
        }
    }
    target.TakeFreshInfo(root);
}

std::string CKorvaneAdminInfoMgr::NormalizeMac(std::string_view mac) {
    return CMacAddress::Canonical(mac).value_or(std::string());
}

bool CKorvaneAdminInfoMgr::AddOrUpdate(const CManagedDevice& candidate) {
    if (!IsDeviceInformation(candidate)) {
        return false;
    }
    const std::string mac = NormalizeMac(candidate.ReportedMac());
    if (mac.empty()) {
        return false;
    }
    const auto existing = m_devices.find(mac);
    if (existing == m_devices.end()) {
        m_devices.emplace(mac, candidate);
        m_keys.KeyOf(mac);
        return true;
    }
    CManagedDevice& stored = existing->second;
    // Elsewhere than approved, the device keeps its record; only the new place is remembered.
    if (stored.HasPassword() && !stored.AreApproved(candidate.CurrentAddresses())) {
        stored.SetUnapprovedAddresses(candidate.CurrentAddresses());
        return true;
    }
    try {
        CManagedDevice updated(candidate);
        if (candidate.GetPortForwarding()) {
            WriteUserAddresses(updated, candidate.GetHostName(), candidate.GetIPv4Address(),
                               candidate.GetIPv6Address());
        }
        updated.RestrictPasswordTo(stored.ApprovedAddresses());
        updated.SetPassword(stored.GetPassword());
        updated.SetSavePassword(stored.GetSavePassword());
        updated.SetPasswordAccepted(stored.GetPasswordAccepted());
        updated.SetStatusBits(stored.GetStatusBits());
        updated.SetResultCode(stored.GetResultCode());
        updated.SetLastSuccess(stored.GetLastSuccess());
        existing->second = updated;
        return true;
    } catch (const Zelt::CXMLError&) {
        return false;
    }
}

bool CKorvaneAdminInfoMgr::UpdateFromFullFetch(const CManagedDevice& fetched) {
    if (!IsDeviceInformation(fetched)) {
        return false;
    }
    const std::string mac = NormalizeMac(fetched.ReportedMac());
    if (mac.empty()) {
        return false;
    }
    try {
        CManagedDevice updated(fetched);
        if (const CManagedDevice* pStored = FindDevice(mac)) {
            if (pStored->GetPortForwarding()) {
                WriteUserAddresses(updated, pStored->GetHostName(), pStored->GetIPv4Address(),
                                   pStored->GetIPv6Address());
            }
            // The fetched record is a copy taken when the update started; a password typed in
            // the meantime must not be undone by it.
            updated.SetPassword(pStored->GetPassword());
            updated.SetSavePassword(pStored->GetSavePassword());
            updated.RestrictPasswordTo(pStored->ApprovedAddresses());
            CAddressApproval::Hold(updated, pStored->CurrentAddresses());
        }
        m_devices.insert_or_assign(mac, updated);
        m_keys.KeyOf(mac);
        return true;
    } catch (const Zelt::CXMLError&) {
        return false;
    }
}

bool CKorvaneAdminInfoMgr::UpdateFromStatusFetch(const std::string& mac, const CKorvaneInfo& fetched) {
    CManagedDevice* pStored = FindDevice(mac);
    if (pStored == nullptr || !fetched.HasRootNode()) {
        return false;
    }
    try {
        if (!pStored->HasRootNode()) {
            pStored->SetInfoNode(fetched.GetRootNode());
        } else if (!CInfoBounds::FitTogether(pStored->GetRootNode(), fetched.GetRootNode())) {
            return false;
        }
        const Zelt::CXMLNode storedRoot = pStored->GetRootNode();
        for (StatusPart& part : FindStatusParts(storedRoot, fetched.GetRootNode())) {
            if (!part.stored.IsEmpty()) {
                Zelt::ReplaceNode(part.stored, part.fresh);
            } else {
                part.parent.AppendChild(part.fresh);
            }
        }
        SetTextIfPresent(storedRoot, kPowerPath, "ON");
        // The replaced network parts carry the device's LAN addresses; a device reached through
        // port forwarding keeps the user's, or the next start would connect to the LAN address.
        if (pStored->GetPortForwarding()) {
            WriteUserAddresses(*pStored, pStored->GetHostName(), pStored->GetIPv4Address(),
                               pStored->GetIPv6Address());
        }
        CAddressApproval::Hold(*pStored, pStored->CurrentAddresses());
        return true;
    } catch (const Zelt::CXMLError&) {
        return false;
    }
}

const CManagedDevice* CKorvaneAdminInfoMgr::FindDevice(const std::string& mac) const {
    const auto found = m_devices.find(NormalizeMac(mac));
    return found == m_devices.end() ? nullptr : &found->second;
}

CManagedDevice* CKorvaneAdminInfoMgr::FindDevice(const std::string& mac) {
    const auto found = m_devices.find(NormalizeMac(mac));
    return found == m_devices.end() ? nullptr : &found->second;
}

CManagedDevice CKorvaneAdminInfoMgr::GetDevice(const std::string& mac) const {
    const CManagedDevice* pDevice = FindDevice(mac);
    return pDevice != nullptr ? *pDevice : CManagedDevice();
}

std::vector<std::string> CKorvaneAdminInfoMgr::Macs() const {
    std::vector<std::string> macs;
    for (const auto& [mac, device] : m_devices) {
        macs.push_back(mac);
    }
    return macs;
}

std::vector<std::string> CKorvaneAdminInfoMgr::Names() const {
    std::vector<std::string> names;
    for (const auto& [mac, device] : m_devices) {
        names.push_back(device.Name());
    }
    return names;
}

std::vector<std::string> CKorvaneAdminInfoMgr::FindMacsByName(const std::string& name) const {
    std::vector<std::string> macs;
    for (const auto& [mac, device] : m_devices) {
        if (device.Name() == name) {
            macs.push_back(mac);
        }
    }
    return macs;
}

bool CKorvaneAdminInfoMgr::DeleteDevice(const std::string& mac) {
    const std::string key = NormalizeMac(mac);
    for (auto& [name, members] : m_groups) {
        members.erase(key);
    }
    return m_devices.erase(key) != 0;
}

CManagedDevice& CKorvaneAdminInfoMgr::EnsureDevice(const std::string& mac) {
    const std::string key = NormalizeMac(mac);
    m_keys.KeyOf(key);
    return m_devices[key];
}

bool CKorvaneAdminInfoMgr::SetPassword(const std::string& mac, const std::string& password, bool bSave) {
    CManagedDevice* pDevice = FindDevice(mac);
    if (pDevice == nullptr) {
        return false;
    }
    pDevice->SetPassword(password);
    pDevice->SetSavePassword(bSave);
    pDevice->SetPasswordAccepted(true);
    // The user gives the password for the device where it is now.
    pDevice->ApproveCurrentAddresses();
    return true;
}

bool CKorvaneAdminInfoMgr::ApproveNewAddresses(const std::string& mac) {
    CManagedDevice* pDevice = FindDevice(mac);
    return pDevice != nullptr && CAddressApproval::Approve(*pDevice);
}

bool CKorvaneAdminInfoMgr::NoteUnapprovedAddresses(const std::string& mac, const AddressPair& addresses) {
    CManagedDevice* pDevice = FindDevice(mac);
    if (pDevice == nullptr || addresses.IsEmpty() || pDevice->AreApproved(addresses)) {
        return false;
    }
    pDevice->SetUnapprovedAddresses(addresses);
    return true;
}

bool CKorvaneAdminInfoMgr::SetPasswordAccepted(const std::string& mac, bool bAccepted) {
    CManagedDevice* pDevice = FindDevice(mac);
    if (pDevice != nullptr) {
        pDevice->SetPasswordAccepted(bAccepted);
    }
    return pDevice != nullptr;
}

bool CKorvaneAdminInfoMgr::SetPortForwarding(const std::string& mac, bool bPortForwarding) {
    CManagedDevice* pDevice = FindDevice(mac);
    if (pDevice != nullptr) {
        pDevice->SetPortForwarding(bPortForwarding);
    }
    return pDevice != nullptr;
}

bool CKorvaneAdminInfoMgr::SetResultCode(const std::string& mac, int nCode) {
    CManagedDevice* pDevice = FindDevice(mac);
    if (pDevice != nullptr) {
        pDevice->SetResultCode(nCode);
    }
    return pDevice != nullptr;
}

bool CKorvaneAdminInfoMgr::SetMark(const std::string& mac, const char* pszPower, bool bUnreachable) {
    CManagedDevice* pDevice = FindDevice(mac);
    if (pDevice == nullptr) {
        return false;
    }
    if (pDevice->HasRootNode()) {
        SetTextIfPresent(pDevice->GetRootNode(), kPowerPath, pszPower);
    }
    const int nBits = pDevice->GetStatusBits();
    pDevice->SetStatusBits(bUnreachable ? nBits | STATUS_BIT_UNREACHABLE : nBits & ~STATUS_BIT_UNREACHABLE);
    return true;
}

bool CKorvaneAdminInfoMgr::MarkReachable(const std::string& mac) {
    return SetMark(mac, "ON", false);
}

bool CKorvaneAdminInfoMgr::MarkUnreachable(const std::string& mac) {
    return SetMark(mac, "OFF", true);
}

std::vector<std::string> CKorvaneAdminInfoMgr::GroupNames() const {
    std::vector<std::string> names;
    for (const auto& [name, members] : m_groups) {
        names.push_back(name);
    }
    return names;
}

void CKorvaneAdminInfoMgr::SetGroup(const std::string& name, const std::vector<std::string>& macs) {
    std::set<std::string>& members = m_groups[name];
    members.clear();
    for (const std::string& mac : macs) {
        if (std::string key = NormalizeMac(mac); !key.empty()) {
            members.insert(std::move(key));
        }
    }
}

bool CKorvaneAdminInfoMgr::RenameGroup(const std::string& oldName, const std::string& newName,
                                       const std::vector<std::string>& macs) {
    if (!DeleteGroup(oldName)) {
        return false;
    }
    SetGroup(newName, macs);
    return true;
}

bool CKorvaneAdminInfoMgr::DeleteGroup(const std::string& name) {
    return m_groups.erase(name) != 0;
}

bool CKorvaneAdminInfoMgr::IsMember(const std::string& name, const std::string& mac) const {
    const auto group = m_groups.find(name);
    return group != m_groups.end() && group->second.count(NormalizeMac(mac)) != 0;
}

std::vector<std::string> CKorvaneAdminInfoMgr::GroupsOf(const std::string& mac) const {
    std::vector<std::string> names;
    const std::string key = NormalizeMac(mac);
    for (const auto& [name, members] : m_groups) {
        if (members.count(key) != 0) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace Korvane
