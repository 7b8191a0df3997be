#pragma once

#include "net/CancelEvent.h"
#include "support/XmlDocument.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <exception>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

class CRequestParam;

// Outcome of the last operation of a session.
enum SessionStatus : int {
    STATUS_SUCCESS = 0,
    STATUS_CANCELLED = 1,
    STATUS_SOCKET_ERROR = 2,
    STATUS_TIMEOUT = 3,
    STATUS_XML_ERROR = 4,
    STATUS_DEVICE_ERROR = 5,
    STATUS_AUTHORIZATION_ERROR = 6,
    // The password was withheld: the device turned up at an address the user has not approved.
    STATUS_ADDRESS_NOT_APPROVED = 7,
};

// What GetInfo asks for.
enum GetInfoCategoryId : int {
    ID_GETINFO_CATEGORY_ADMIN_SIMPLE = 0,
    ID_GETINFO_CATEGORY_ADMIN_NORMAL = 1,
    ID_GETINFO_CATEGORY_ADMIN_DETAIL = 2,
    ID_GETINFO_CATEGORY_RESTORE_SIMPLE = 3,
    ID_GETINFO_CATEGORY_RESTORE_DETAIL = 4,
    ID_GETINFO_CATEGORY_STATUS = 5,
};

// "*" stands for no stored password; it is sent as it is.
constexpr const char* NO_PASSWORD = "*";

using MacBytes = std::array<uint8_t, 6>;

// The program's view of one device and the only code that talks to a device over TCP. As a
// document its element is a copy of the device's latest "korvaneinfo". Every operation that
// talks to the device records its outcome in the status and rethrows what ended it.
class CKorvaneInfo : public Zelt::CXMLDocument {
public:
    CKorvaneInfo();
    // Addresses may be IPv4 or IPv6 literals or host names; what pszAddress yields wins.
    CKorvaneInfo(std::string_view pszAddress, std::string_view pszAddress2, bool bIPv4Usable = true,
                 bool bIPv6Usable = true);
    CKorvaneInfo(const CKorvaneInfo& other);
    // Copies everything but the status.
    CKorvaneInfo& operator=(const CKorvaneInfo& other);
    ~CKorvaneInfo() = default;

    int GetStatus() const { return m_nStatus; }
    const std::string& GetHostName() const { return m_strHostName; }
    const std::string& GetMacAddress() const { return m_strMacAddress; }
    const std::string& GetIPv4Address() const { return m_strIPv4Address; }
    const std::string& GetIPv6Address() const { return m_strIPv6Address; }
    bool IsIPv4Usable() const { return m_bIPv4Usable; }
    bool IsIPv6Usable() const { return m_bIPv6Usable; }
    const std::string& GetAuthKey() const { return m_strAuthKey; }
    const std::string& GetPassword() const { return m_strPassword; }
    void SetPassword(std::string strPassword) { m_strPassword = std::move(strPassword); }

    // The addresses at which the password may be sent. A session opened on an address the user
    // gave sends it anywhere; once restricted, a password bound for any other address is withheld
    // (CAddressNotApproved), so that a host that takes over a device's address or name never
    // receives it.
    void RestrictPasswordTo(std::vector<std::string> addresses);
    bool IsPasswordRestricted() const { return m_bPasswordRestricted; }
    const std::vector<std::string>& ApprovedAddresses() const { return m_approvedAddresses; }
    bool IsApprovedAddress(std::string_view address) const;
    // The address of the last connection made, empty before the first.
    const std::string& GetReachedAddress() const { return m_strReachedAddress; }

    // A probe connection of one family; a failed probe marks the family unusable for good and,
    // when asked, hands over why it failed (naming the address and port).
    bool CheckConnection(int nFamily, const Zelt::CancelEventPtr& cancelEvent,
                         std::exception_ptr* pFailure = nullptr);
    void RecheckConnections();

    // One framed exchange; returns the text of the last response document (empty when no
    // response is expected).
    std::string ConnectionKorvane(std::string_view request, const Zelt::CancelEventPtr& cancelEvent,
                                  std::istream* pAdditionalData, int nWaitMilliseconds, bool bExpectResponse);

    void Authorization(std::string_view user, std::string_view password,
                       const Zelt::CancelEventPtr& cancelEvent, int nWaitMilliseconds);
    void GetInfo(int nCategoryID, const Zelt::CancelEventPtr& cancelEvent, int nWaitMilliseconds);
    void FWUpdate(const Zelt::CancelEventPtr& cancelEvent, const std::string& strFirmwarePath);
    void SetInfo(const Zelt::CancelEventPtr& cancelEvent, const std::string& strInfoNode, bool bShutdownAfter,
                 int nWaitMilliseconds);
    void Melody(const Zelt::CancelEventPtr& cancelEvent, bool bPlay, int nWaitMilliseconds);
    void Reboot(const Zelt::CancelEventPtr& cancelEvent, int nWaitMilliseconds);
    void PowerOff(const Zelt::CancelEventPtr& cancelEvent, bool bNetwork, int nWaitMilliseconds);
    // Wakes the device with the Wake-on-LAN packet by IPv4 limited broadcast.
    void PowerOn();

    void SetInfoNode(const Zelt::CXMLNode& element);
    // Takes a fresh "korvaneinfo" element: its MAC, addresses and host name (where present)
    // become the session's, and a copy of it the stored information.
    void TakeFreshInfo(const Zelt::CXMLNode& element);
    // TakeFreshInfo for what the device just reported about itself: a reported address that
    // would lead to this machine (unspecified, or loopback from a device not reached over
    // loopback) is not taken; the session and the stored information keep the address they had.
    void TakeReportedInfo(const Zelt::CXMLNode& element);
    void CopyInfoFrom(const CKorvaneInfo& other);
    void UpdateBasicInfo(const Zelt::CXMLNode& fresh);

    // Sends the Wake-on-LAN packet for a MAC text by IPv4 limited broadcast to the device port.
    static void SendWakeOnLan(std::string_view strMacAddress);
    // The 102-byte Wake-on-LAN packet for a MAC text ("00:11:22:33:44:55").
    static std::string WakeOnLanPacket(std::string_view strMacAddress);
    static MacBytes ParseMacAddress(std::string_view strMacAddress);

private:
    static void NoteProbeFailure(std::exception_ptr* pFailure, const std::string& address, int nSystemError);
    void TakeAddress(std::string_view text, const char* pszLabel);
    const std::string& AddressOf(int nFamily) const;
    int ChooseFamily(const Zelt::CancelEventPtr& cancelEvent);
    int FamilyAnsweredJustNow() const;
    std::string Exchange(std::string_view request, const Zelt::CancelEventPtr& cancelEvent,
                         std::istream* pAdditionalData, int nWaitMilliseconds, bool bExpectResponse,
                         bool bCarriesPassword);
    void CheckPasswordMayGoTo(const std::string& address);
    bool MayTakeReportedAddress(const std::string& reported) const;
    void SetReportedAddressText(const char* pszSettingPath, const std::string& address);
    // Authorizes as "admin", then sends the request with the session's key.
    std::string RunCommand(CRequestParam& request, const Zelt::CancelEventPtr& cancelEvent,
                           int nAuthorizationWait, int nConnectionWait,
                           std::istream* pAdditionalData = nullptr);
    std::string Serialised(const CRequestParam& request);
    template <typename Action>
    auto RecordingOutcome(Action&& action) -> decltype(action());

    int m_nStatus = STATUS_SUCCESS;
    std::string m_strHostName;
    std::string m_strMacAddress;
    std::string m_strIPv4Address;
    std::string m_strIPv6Address;
    bool m_bIPv4Usable = true;
    bool m_bIPv6Usable = true;
    std::string m_strAuthKey;
    std::string m_strPassword = NO_PASSWORD;
    bool m_bPasswordRestricted = false;
    std::vector<std::string> m_approvedAddresses;
    std::string m_strReachedAddress;
    // Where and when the last exchange was answered: the next exchange soon after goes there
    // without a probe connection.
    std::string m_strAnsweredAddress;
    std::chrono::steady_clock::time_point m_answeredAt;
};

} // namespace Korvane
