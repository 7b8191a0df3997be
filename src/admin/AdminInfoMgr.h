#pragma once

#include "admin/DeviceKeyTable.h"
#include "admin/MailSettings.h"
#include "admin/ManagedDevice.h"
#include "support/Language.h"
#include "support/Utf8.h"

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Korvane {

// Orders group names by UTF-16 code units, the order of the group tree.
struct Utf16Less {
    bool operator()(const std::string& a, const std::string& b) const {
        return Zelt::CUtf8::CompareUtf16(a, b) < 0;
    }
};

// The window's placement as the settings file keeps it: x, y, h, w, h1, w1; -1 when unknown.
using WindowNumbers = std::array<int, 6>;

// The program's one store of administration data: the managed devices, the user's groups and
// the application settings. It has no lock: the thread that owns it (the GUI thread, or the
// main thread of korvanectl) is the only one that changes it; workers hand results over.
//
// Devices are identified by the canonical text of their MAC (CMacAddress) in every key and group,
// so that a device keeps its groups whichever spelling it reports, and a text that is no MAC is
// never taken for a device.
class CKorvaneAdminInfoMgr {
public:
    using DeviceTable = std::map<std::string, CManagedDevice>;
    using GroupTable = std::map<std::string, std::set<std::string>, Utf16Less>;

    // The canonical MAC text; empty for a text that is no MAC, which finds no device.
    static std::string NormalizeMac(std::string_view mac);
    // A device reached through a router's port forwarding keeps the addresses the user gave, in
    // its information and in its session (which later connections use), not the LAN addresses
    // it reports about itself. Empty texts leave their value as it is.
    static void WriteUserAddresses(CKorvaneInfo& target, const std::string& hostName, const std::string& ipv4,
                                   const std::string& ipv6);

    // --- devices ---
    // A search result or a manual add. False when the session has no "korvaneinfo" or no valid MAC.
    bool AddOrUpdate(const CManagedDevice& candidate);
    // The periodic full update. False when the fetch has no "korvaneinfo" or no valid MAC.
    bool UpdateFromFullFetch(const CManagedDevice& fetched);
    // The periodic status update: a partial document whose status and network parts replace the
    // stored ones. False, the record unchanged, when the result could exceed CInfoBounds.
    bool UpdateFromStatusFetch(const std::string& mac, const CKorvaneInfo& fetched);

    const DeviceTable& Devices() const { return m_devices; }
    const CManagedDevice* FindDevice(const std::string& mac) const;
    CManagedDevice* FindDevice(const std::string& mac);
    // A copy of the record; an empty record for an unknown MAC.
    CManagedDevice GetDevice(const std::string& mac) const;
    std::vector<std::string> Macs() const;
    std::vector<std::string> Names() const;
    // Every device whose name equals the text exactly, in table order.
    std::vector<std::string> FindMacsByName(const std::string& name) const;
    bool DeleteDevice(const std::string& mac);
    // The record of a MAC, created empty when the table lacks it; the settings file fills in the
    // records it loads in place rather than copying each document in.
    CManagedDevice& EnsureDevice(const std::string& mac);

    // Also approves the device's current addresses for the password.
    bool SetPassword(const std::string& mac, const std::string& password, bool bSave);
    // The user approves the addresses at which the device turned up: it moves there. False when
    // nothing waits for approval.
    bool ApproveNewAddresses(const std::string& mac);
    // The device was seen at these addresses (its host name resolved there) without approval.
    bool NoteUnapprovedAddresses(const std::string& mac, const AddressPair& addresses);
    bool SetPasswordAccepted(const std::string& mac, bool bAccepted);
    bool SetPortForwarding(const std::string& mac, bool bPortForwarding);
    bool SetResultCode(const std::string& mac, int nCode);
    bool MarkReachable(const std::string& mac);
    bool MarkUnreachable(const std::string& mac);

    // The compact 32-bit keys of the views.
    uint32_t DeviceKey(const std::string& mac) { return m_keys.KeyOf(NormalizeMac(mac)); }
    std::optional<std::string> MacOfKey(uint32_t nKey) const { return m_keys.MacOf(nKey); }

    // --- groups ---
    const GroupTable& Groups() const { return m_groups; }
    std::vector<std::string> GroupNames() const;
    bool GroupExists(const std::string& name) const { return m_groups.count(name) != 0; }
    void SetGroup(const std::string& name, const std::vector<std::string>& macs);
    bool RenameGroup(const std::string& oldName, const std::string& newName,
                     const std::vector<std::string>& macs);
    bool DeleteGroup(const std::string& name);
    bool IsMember(const std::string& name, const std::string& mac) const;
    // The groups a device belongs to, in group order.
    std::vector<std::string> GroupsOf(const std::string& mac) const;

    // --- application settings ---
    int m_nUpdateInterval = 0;
    WindowNumbers m_window = {-1, -1, -1, -1, -1, -1};
    std::vector<std::string> m_columnKeys;
    CMailSettings m_mail;
    // The desktop program's language; none: the system's (the locale).
    std::optional<Zelt::Language> m_language;

    void ClearDevices() { m_devices.clear(); }
    void ClearGroups() { m_groups.clear(); }

private:
    bool SetMark(const std::string& mac, const char* pszPower, bool bUnreachable);

    DeviceTable m_devices;
    GroupTable m_groups;
    CDeviceKeyTable m_keys;
};

} // namespace Korvane
