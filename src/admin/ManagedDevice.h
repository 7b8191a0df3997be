#pragma once

#include "protocol/KorvaneInfo.h"

#include <ctime>
#include <string>

namespace Korvane {

// Status bits of a managed device.
enum StatusBit : int {
    STATUS_BIT_UNREACHABLE = 1,
    STATUS_BIT_QUOTA = 2,
    STATUS_BIT_CAPACITY = 4,
    STATUS_BIT_DISK_ERROR = 8,
    STATUS_BIT_UPS = 16,
    STATUS_BIT_NOTICE = 32,
};

// Outcome of the last information update of a managed device.
enum CommunicationResult : int {
    RESULT_SUCCESS = 0,
    RESULT_TIMEOUT = 1,
    RESULT_COMMUNICATION_ERROR = 2,
    RESULT_DEVICE_ERROR = 3,
    RESULT_DEVICE_BUSY = 4,
};

// An IPv4 and an IPv6 address text; empty for none.
struct AddressPair {
    std::string ipv4;
    std::string ipv6;

    bool IsEmpty() const { return ipv4.empty() && ipv6.empty(); }
    bool operator==(const AddressPair&) const = default;
};

// A device under management: its session (addresses, password, last information) and what the
// program remembers about it besides.
//
// Its password goes only to the addresses at which it was saved or last approved: a managed
// device's session is always restricted to them. When the device turns up elsewhere (a search,
// its host name, its own report) while it has a password, the record stays at its approved
// addresses and the new ones wait for the user's approval.
class CManagedDevice : public CKorvaneInfo {
public:
    CManagedDevice() { RestrictPasswordTo({}); }
    explicit CManagedDevice(const CKorvaneInfo& session);

    // The device's own MAC text from its information ("network/tcpip/lan/mac"), as reported.
    std::string ReportedMac() const;

    bool GetSavePassword() const { return m_bSavePassword; }
    void SetSavePassword(bool bSave) { m_bSavePassword = bSave; }
    bool GetPasswordAccepted() const { return m_bPasswordAccepted; }
    void SetPasswordAccepted(bool bAccepted) { m_bPasswordAccepted = bAccepted; }
    bool HasPassword() const { return GetPassword() != NO_PASSWORD; }

    int GetStatusBits() const { return m_nStatusBits; }
    void SetStatusBits(int nBits) { m_nStatusBits = nBits; }
    int GetResultCode() const { return m_nResultCode; }
    void SetResultCode(int nCode) { m_nResultCode = nCode; }
    // When an update last brought the device's information; 0 when none ever did.
    std::time_t GetLastSuccess() const { return m_lastSuccess; }
    void SetLastSuccess(std::time_t time) { m_lastSuccess = time; }
    bool GetPortForwarding() const { return m_bPortForwarding; }
    void SetPortForwarding(bool bPortForwarding) { m_bPortForwarding = bPortForwarding; }

    // The device name shown everywhere: the host name of the session.
    const std::string& Name() const { return GetHostName(); }

    AddressPair CurrentAddresses() const { return {GetIPv4Address(), GetIPv6Address()}; }
    // Whether every address of the pair (empty ones aside) is approved for the password.
    bool AreApproved(const AddressPair& addresses) const;
    void ApproveCurrentAddresses();
    // Where the device turned up without approval; empty when nothing waits.
    const AddressPair& GetUnapprovedAddresses() const { return m_unapproved; }
    void SetUnapprovedAddresses(AddressPair addresses) { m_unapproved = std::move(addresses); }
    bool HasUnapprovedAddresses() const { return !m_unapproved.IsEmpty(); }

private:
    bool m_bSavePassword = false;
    bool m_bPasswordAccepted = false;
    int m_nStatusBits = 0;
    int m_nResultCode = RESULT_SUCCESS;
    std::time_t m_lastSuccess = 0;
    bool m_bPortForwarding = false;
    AddressPair m_unapproved;
};

} // namespace Korvane
