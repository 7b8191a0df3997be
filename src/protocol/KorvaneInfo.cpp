#include "protocol/KorvaneInfo.h"

#include "net/AddressScope.h"
#include "net/AddressText.h"
#include "net/BroadCastSocket.h"
#include "net/NameResolver.h"
#include "net/SocketErrors.h"
#include "net/StrmCltSocket.h"
#include "protocol/AuthRequestParam.h"
#include "protocol/DeviceConnection.h"
#include "protocol/FWUpdateRequestParam.h"
#include "protocol/GetInfoRequestParam.h"
#include "protocol/InfoBounds.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/MelodyRequestParam.h"
#include "protocol/PowerOffRequestParam.h"
#include "protocol/RebootRequestParam.h"
#include "protocol/SetInfoRequestParam.h"
#include "support/Base64Str.h"
#include "support/FileInputBuffer.h"
#include "support/RegularFile.h"
#include "support/Trace.h"
#include "support/XmlError.h"
#include "support/XmlQueries.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <istream>
#include <optional>

namespace Korvane {
namespace {

using Zelt::DebugTrace;

constexpr const char* kMacPath = "network/tcpip/lan/mac";
constexpr const char* kIPv4SettingPath = "network/tcpip[not(@family=\"inet6\")]/lan/ipsetting";
constexpr const char* kIPv6SettingPath = "network/tcpip[@family=\"inet6\"][@enable=\"true\"]/lan/ipsetting";
constexpr const char* kHostPath = "network/host";
constexpr int kProbeWaitMilliseconds = 30000;
// A device that answered this long ago is still there: an update's status request follows its
// authorization at once, and a probe before it would only cost the device and the client a
// connection each.
constexpr std::chrono::seconds kAnsweredRecently{2};
constexpr int kAuthorizationWaitMilliseconds = 30000;
constexpr int kFirmwareRequestWaitMilliseconds = 30000;
constexpr int kFirmwareConnectionWaitMilliseconds = 60000;
constexpr int kCommandConnectionWaitMilliseconds = 30000;
constexpr int kNetworkPowerOffWaitMilliseconds = 3000;

struct CategoryRequest {
    const char* pszTraceName;
    uint32_t nCategories;
    uint32_t nInfoType;
};

// Indexed by GetInfoCategoryId.
constexpr CategoryRequest kCategoryRequests[] = {
    {"ID_GETINFO_CATEGORY_ADMIN_SIMPLE", KORVANE_ADMIN_SIMPLE, 0},
    {"ID_GETINFO_CATEGORY_ADMIN_NORMAL", KORVANE_ADMIN_NORMAL, 0},
    {"ID_GETINFO_CATEGORY_ADMIN_DETAIL", KORVANE_ADMIN_DETAIL, 0},
    {"ID_GETINFO_CATEGORY_RESTORE_SIMPLE", KORVANE_RESTORE_SIMPLE, 0},
    {"ID_GETINFO_CATEGORY_RESTORE_DETAIL", KORVANE_RESTORE_DETAIL, 0},
    {"ID_GETINFO_CATEGORY_STATUS", KORVANE_STATUS | KORVANE_NETWORK, INFOTYPE_SIMPLE},
};

std::optional<std::string> OptionalText(const Zelt::CXMLNode& node, const char* pszPath) {
    try {
        return node.SingleSelectNode(pszPath).GetText();
    } catch (const Zelt::CXMLError&) {
        return std::nullopt;
    }
}

std::string FileNameOf(const std::string& strPath) {
    const size_t nSeparator = strPath.find_last_of("/\\");
    return nSeparator == std::string::npos ? strPath : strPath.substr(nSeparator + 1);
}

int HexDigitValue(char ch) {
    if (std::isdigit(static_cast<unsigned char>(ch))) {
        return ch - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Sets the address of one family from the text: what it resolved to, else the text when it is an
// address of the family. True when the text is a name for the resolved address.
bool TakeFamilyAddress(std::string_view text, const std::optional<std::string>& resolved, bool bLiteral,
                       std::string& address, const char* pszLabel) {
    if (resolved) {
        DebugTrace("CKorvaneInfo constructor: %s: resolved to %s.\n", pszLabel, resolved->c_str());
        address = *resolved;
        return address != text;
    }
    if (bLiteral) {
        DebugTrace("CKorvaneInfo constructor: %s: address literal.\n", pszLabel);
        address = text;
    }
    return false;
}

} // namespace

CKorvaneInfo::CKorvaneInfo() = default;

CKorvaneInfo::CKorvaneInfo(std::string_view pszAddress, std::string_view pszAddress2, bool bIPv4Usable,
                           bool bIPv6Usable)
    : m_bIPv4Usable(bIPv4Usable), m_bIPv6Usable(bIPv6Usable) {
    if (!pszAddress2.empty()) {
        TakeAddress(pszAddress2, "pszAddress2");
    }
    if (!pszAddress.empty()) {
        TakeAddress(pszAddress, "pszAddress");
    }
}

CKorvaneInfo::CKorvaneInfo(const CKorvaneInfo& other) : CXMLDocument() {
    m_nStatus = other.m_nStatus;
    *this = other;
}

CKorvaneInfo& CKorvaneInfo::operator=(const CKorvaneInfo& other) {
    if (this == &other) {
        return *this;
    }
    m_strHostName = other.m_strHostName;
    m_strMacAddress = other.m_strMacAddress;
    m_strIPv4Address = other.m_strIPv4Address;
    m_strIPv6Address = other.m_strIPv6Address;
    m_bIPv4Usable = other.m_bIPv4Usable;
    m_bIPv6Usable = other.m_bIPv6Usable;
    m_strAuthKey = other.m_strAuthKey;
    m_strPassword = other.m_strPassword;
    m_bPasswordRestricted = other.m_bPasswordRestricted;
    m_approvedAddresses = other.m_approvedAddresses;
    m_strReachedAddress = other.m_strReachedAddress;
    if (other.HasRootNode()) {
        SetRootNode(other.GetRootNode());
    } else if (HasRootNode()) {
        RemoveChild(GetRootNode());
    }
    return *this;
}

// A resolvable text gives the resolved address, and a text that differs from it is a host name
// (the name resolver's time limit applies).
void CKorvaneInfo::TakeAddress(std::string_view text, const char* pszLabel) {
    const Zelt::ResolvedAddresses resolved = Zelt::CNameResolver::Resolve(text, nullptr);
    const bool bIPv4Named = TakeFamilyAddress(text, resolved.First(AF_INET), Zelt::IsInetAddress(text),
                                              m_strIPv4Address, pszLabel);
    const bool bIPv6Named = TakeFamilyAddress(text, resolved.First(AF_INET6), Zelt::IsInet6Address(text),
                                              m_strIPv6Address, pszLabel);
    if (bIPv4Named || bIPv6Named) {
        DebugTrace("CKorvaneInfo constructor: %s is hostname.\n", pszLabel);
        m_strHostName = text;
    }
}

const std::string& CKorvaneInfo::AddressOf(int nFamily) const {
    return nFamily == AF_INET6 ? m_strIPv6Address : m_strIPv4Address;
}

// The failure the caller reports when no address can be reached: that of the first one tried.
void CKorvaneInfo::NoteProbeFailure(std::exception_ptr* pFailure, const std::string& address,
                                    int nSystemError) {
    DebugTrace("CKorvaneInfo::CheckConnection: NG.\n");
    if (pFailure == nullptr || *pFailure) {
        return;
    }
    Zelt::CSocketError failure("CKorvaneInfo::ConnectionKorvane(): socket open error.",
                               Zelt::SOCKET_KIND_OPEN, nSystemError);
    failure.SetRemote(address, KORVANE_DEVICE_PORT);
    *pFailure = std::make_exception_ptr(failure);
}

bool CKorvaneInfo::CheckConnection(int nFamily, const Zelt::CancelEventPtr& cancelEvent,
                                   std::exception_ptr* pFailure) {
    if (nFamily != AF_INET && nFamily != AF_INET6) {
        DebugTrace("CKorvaneInfo::CheckConnection: Address family not supported.\n");
        return false;
    }
    bool& bUsable = nFamily == AF_INET ? m_bIPv4Usable : m_bIPv6Usable;
    const std::string& address = AddressOf(nFamily);
    if (!bUsable || address.empty()) {
        return false;
    }
    // Connecting to an unspecified address reaches this machine, never a device.
    if (Zelt::IsUnspecifiedAddress(address)) {
        DebugTrace("CKorvaneInfo::CheckConnection: unspecified address %s refused.\n", address.c_str());
        return false;
    }
    DebugTrace("CKorvaneInfo::CheckConnection: Try %s %s\n", nFamily == AF_INET ? "IPv4" : "IPv6",
               address.c_str());
    try {
        Zelt::CStrmCltSocket probe(nFamily, cancelEvent, kProbeWaitMilliseconds);
        probe.Open(address, KORVANE_DEVICE_PORT);
        probe.Close();
        DebugTrace("CKorvaneInfo::CheckConnection: OK.\n");
        return true;
    } catch (const Zelt::CSocketEvent&) {
        // A cancel says nothing about the family.
        DebugTrace("CKorvaneInfo::CheckConnection: NG.\n");
        return false;
    } catch (const Zelt::CSocketTimeOut&) {
        NoteProbeFailure(pFailure, address, ETIMEDOUT);
        bUsable = false;
        return false;
    } catch (const Zelt::CSocketError& error) {
        NoteProbeFailure(pFailure, address, error.GetSystemError());
        bUsable = false;
        return false;
    } catch (const std::exception&) {
        DebugTrace("CKorvaneInfo::CheckConnection: NG.\n");
        bUsable = false;
        return false;
    }
}

void CKorvaneInfo::RecheckConnections() {
    if (!m_strIPv4Address.empty()) {
        m_bIPv4Usable = CheckConnection(AF_INET, nullptr);
    }
    if (!m_strIPv6Address.empty()) {
        m_bIPv6Usable = CheckConnection(AF_INET6, nullptr);
    }
}

int CKorvaneInfo::FamilyAnsweredJustNow() const {
    if (m_strAnsweredAddress.empty() ||
        std::chrono::steady_clock::now() - m_answeredAt >= kAnsweredRecently) {
        return AF_UNSPEC;
    }
    for (const int nFamily : {AF_INET, AF_INET6}) {
        const bool bUsable = nFamily == AF_INET ? m_bIPv4Usable : m_bIPv6Usable;
        if (bUsable && AddressOf(nFamily) == m_strAnsweredAddress) {
            return nFamily;
        }
    }
    return AF_UNSPEC;
}

int CKorvaneInfo::ChooseFamily(const Zelt::CancelEventPtr& cancelEvent) {
    if (const int nFamily = FamilyAnsweredJustNow(); nFamily != AF_UNSPEC) {
        DebugTrace("CKorvaneInfo::ConnectionKorvane: Use %s (answered just now)\n",
                   nFamily == AF_INET ? "IPv4" : "IPv6");
        return nFamily;
    }
    // Why the first address tried failed is what the user is told.
    std::exception_ptr failure;
    if (CheckConnection(AF_INET, cancelEvent, &failure)) {
        DebugTrace("CKorvaneInfo::ConnectionKorvane: Use IPv4\n");
        return AF_INET;
    }
    if (CheckConnection(AF_INET6, cancelEvent, &failure)) {
        DebugTrace("CKorvaneInfo::ConnectionKorvane: Use IPv6\n");
        return AF_INET6;
    }
    if (cancelEvent && cancelEvent->IsSet()) {
        m_nStatus = STATUS_CANCELLED;
        throw Zelt::CSocketEvent();
    }
    m_nStatus = STATUS_SOCKET_ERROR;
    if (failure) {
        DebugTrace("CKorvaneInfo::ConnectionKorvane(): socket open error.\n");
        std::rethrow_exception(failure);
    }
    Zelt::ThrowSocketError("CKorvaneInfo::ConnectionKorvane(): socket open error.", Zelt::SOCKET_KIND_OPEN);
}

template <typename Action>
auto CKorvaneInfo::RecordingOutcome(Action&& action) -> decltype(action()) {
    try {
        return action();
    } catch (const Zelt::CSocketTimeOut&) {
        m_nStatus = STATUS_TIMEOUT;
        throw;
    } catch (const Zelt::CSocketError&) {
        m_nStatus = STATUS_SOCKET_ERROR;
        throw;
    } catch (const Zelt::CSocketEvent&) {
        m_nStatus = STATUS_CANCELLED;
        throw;
    } catch (const CKorvaneAuthorizationError&) {
        m_nStatus = STATUS_AUTHORIZATION_ERROR;
        throw;
    } catch (const CErrorParam&) {
        m_nStatus = STATUS_DEVICE_ERROR;
        throw;
    }
}

std::string CKorvaneInfo::ConnectionKorvane(std::string_view request, const Zelt::CancelEventPtr& cancelEvent,
                                            std::istream* pAdditionalData, int nWaitMilliseconds,
                                            bool bExpectResponse) {
    return Exchange(request, cancelEvent, pAdditionalData, nWaitMilliseconds, bExpectResponse, false);
}

std::string CKorvaneInfo::Exchange(std::string_view request, const Zelt::CancelEventPtr& cancelEvent,
                                   std::istream* pAdditionalData, int nWaitMilliseconds, bool bExpectResponse,
                                   bool bCarriesPassword) {
    const int nSocketWait = nWaitMilliseconds > 0 ? nWaitMilliseconds + 5000 : nWaitMilliseconds;
    DebugTrace("CKorvaneInfo::ConnectionKorvane: Socket wait limit: %d\n", nSocketWait);
    const int nFamily = ChooseFamily(cancelEvent);
    const std::string& address = AddressOf(nFamily);
    if (bCarriesPassword) {
        CheckPasswordMayGoTo(address);
    }
    m_strReachedAddress = address;
    // Set again once this exchange is answered; after a failure the next one probes.
    m_strAnsweredAddress.clear();
    return RecordingOutcome([&] {
        Zelt::CBase64EncodeStr encoder;
        CDeviceConnection connection(nFamily, address, cancelEvent, nSocketWait);
        connection.SendRequest(encoder.Convert(request));
        if (pAdditionalData != nullptr) {
            connection.SendAdditionalData(*pAdditionalData);
        }
        const std::string last = bExpectResponse ? connection.ReadFinalResponse() : std::string();
        connection.Close();
        DebugTrace("CKorvaneInfo::ConnectionKorvane: Close\n");
        m_strAnsweredAddress = address;
        m_answeredAt = std::chrono::steady_clock::now();
        m_nStatus = STATUS_SUCCESS;
        return last;
    });
}

void CKorvaneInfo::RestrictPasswordTo(std::vector<std::string> addresses) {
    m_bPasswordRestricted = true;
    m_approvedAddresses = std::move(addresses);
}

bool CKorvaneInfo::IsApprovedAddress(std::string_view address) const {
    return std::any_of(m_approvedAddresses.begin(), m_approvedAddresses.end(),
                       [&](const std::string& approved) { return Zelt::IsSameAddress(approved, address); });
}

void CKorvaneInfo::CheckPasswordMayGoTo(const std::string& address) {
    if (!m_bPasswordRestricted || IsApprovedAddress(address)) {
        return;
    }
    DebugTrace("CKorvaneInfo::Authorization: password withheld from %s (not approved).\n", address.c_str());
    m_nStatus = STATUS_ADDRESS_NOT_APPROVED;
    throw CAddressNotApproved(address);
}

std::string CKorvaneInfo::Serialised(const CRequestParam& request) {
    Zelt::CXMLDocument document;
    // A request that could not be built must not go out half-made.
    if (!request.MakeRequestXml(document)) {
        m_nStatus = STATUS_XML_ERROR;
        throw Zelt::CXMLError("MakeRequestXml Error!\n");
    }
    return document.SaveToBytes();
}

void CKorvaneInfo::Authorization(std::string_view user, std::string_view password,
                                 const Zelt::CancelEventPtr& cancelEvent, int nWaitMilliseconds) {
    CAuthRequestParam request(std::string(), nWaitMilliseconds);
    request.SetUser(std::string(user));
    request.SetPassword(std::string(password));
    const std::string text =
        Exchange(Serialised(request), cancelEvent, nullptr, nWaitMilliseconds, true, password != NO_PASSWORD);
    try {
        Zelt::CXMLDocument response;
        response.LoadFromBytes(text);
        const Zelt::CXMLNode root = response.GetRootNode();
        if (root.SingleSelectNode("result").GetText() != "OK") {
            m_nStatus = STATUS_AUTHORIZATION_ERROR;
            throw CKorvaneAuthorizationError();
        }
        m_strAuthKey = root.SingleSelectNode("response/authkey").GetText();
        m_nStatus = STATUS_SUCCESS;
    } catch (const Zelt::CXMLError&) {
        m_nStatus = STATUS_XML_ERROR;
        throw;
    }
}

void CKorvaneInfo::GetInfo(int nCategoryID, const Zelt::CancelEventPtr& cancelEvent, int nWaitMilliseconds) {
    CGetInfoRequestParam request;
    const bool bKnown = nCategoryID >= 0 && nCategoryID <= ID_GETINFO_CATEGORY_STATUS;
    if (bKnown) {
        const CategoryRequest& category = kCategoryRequests[nCategoryID];
        DebugTrace("CKorvaneInfo::GetInfo: nCategoryID=%s\n", category.pszTraceName);
        request.AddCategory(category.nCategories);
        request.SetInfoType(category.nInfoType);
    } else {
        DebugTrace("CKorvaneInfo::GetInfo: nCategoryID=%d\n", nCategoryID);
    }
    try {
        if (request.NeedsAuthorization()) {
            DebugTrace("CKorvaneInfo::GetInfo: Authorization\n");
            Authorization("admin", m_strPassword, cancelEvent, kAuthorizationWaitMilliseconds);
        }
        request.SetAuthKey(m_strAuthKey);
        request.SetWaitMillisec(nWaitMilliseconds);
        DebugTrace("CKorvaneInfo::GetInfo: MakeRequestXml\n");
        const std::string text = Serialised(request);
        DebugTrace("CKorvaneInfo::GetInfo: ConnectionKorvane\n");
        const std::string responseText =
            ConnectionKorvane(text, cancelEvent, nullptr, nWaitMilliseconds, true);
        DebugTrace("CKorvaneInfo::GetInfo: Load\n");
        Zelt::CXMLDocument response;
        response.LoadFromBytes(responseText);
        const Zelt::CXMLNode info = response.GetRootNode().SingleSelectNode("response/korvaneinfo");
        CInfoBounds::Check(info);
        TakeReportedInfo(info);
        m_nStatus = STATUS_SUCCESS;
        DebugTrace("CKorvaneInfo::GetInfo: Success\n");
    } catch (const Zelt::CXMLError&) {
        m_nStatus = STATUS_XML_ERROR;
        throw;
    } catch (const Zelt::CSocketTimeOut&) {
        m_nStatus = STATUS_TIMEOUT;
        throw;
    }
}

void CKorvaneInfo::TakeFreshInfo(const Zelt::CXMLNode& element) {
    const auto take = [&](const std::string& path, std::string& field) {
        if (std::optional<std::string> text = OptionalText(element, path.c_str())) {
            field = std::move(*text);
        }
    };
    take(kMacPath, m_strMacAddress);
    take(std::string(kIPv4SettingPath) + "/ip", m_strIPv4Address);
    take(std::string(kIPv6SettingPath) + "/ip", m_strIPv6Address);
    take(std::string(kHostPath) + "/name", m_strHostName);
    SetInfoNode(element);
}

void CKorvaneInfo::TakeReportedInfo(const Zelt::CXMLNode& element) {
    const std::string keptIPv4 = m_strIPv4Address;
    const std::string keptIPv6 = m_strIPv6Address;
    TakeFreshInfo(element);
    const std::pair<std::string*, const std::string*> fields[] = {{&m_strIPv4Address, &keptIPv4},
                                                                  {&m_strIPv6Address, &keptIPv6}};
    for (const auto& [pTaken, pKept] : fields) {
        if (!MayTakeReportedAddress(*pTaken)) {
            DebugTrace("CKorvaneInfo::TakeReportedInfo: reported address %s refused, %s kept.\n",
                       pTaken->c_str(), pKept->c_str());
            *pTaken = *pKept;
            SetReportedAddressText(pTaken == &m_strIPv4Address ? kIPv4SettingPath : kIPv6SettingPath, *pKept);
        }
    }
}

bool CKorvaneInfo::MayTakeReportedAddress(const std::string& reported) const {
    switch (Zelt::ScopeOfAddress(reported)) {
    case Zelt::AddressScope::Unspecified:
        return false;
    case Zelt::AddressScope::Loopback:
        return Zelt::IsLoopbackAddress(m_strReachedAddress);
    default:
        return true;
    }
}

// The stored information shows the address the session keeps, so that the next start (which
// reads the addresses from it) keeps it too.
void CKorvaneInfo::SetReportedAddressText(const char* pszSettingPath, const std::string& address) {
    const Zelt::CXMLNodeList nodes = GetRootNode().SelectNodes(std::string(pszSettingPath) + "/ip");
    if (!nodes.empty()) {
        Zelt::CXMLNode(nodes.front()).SetText(address);
    }
}

void CKorvaneInfo::SetInfoNode(const Zelt::CXMLNode& element) {
    if (element.IsEmpty()) {
        return;
    }
    try {
        SetRootNode(element);
        m_nStatus = STATUS_SUCCESS;
    } catch (const Zelt::CXMLError&) {
        m_nStatus = STATUS_XML_ERROR;
        throw;
    }
}

void CKorvaneInfo::CopyInfoFrom(const CKorvaneInfo& other) {
    try {
        SetInfoNode(other.GetRootNode());
    } catch (const std::exception&) {
    }
}

void CKorvaneInfo::UpdateBasicInfo(const Zelt::CXMLNode& fresh) {
    struct Part {
        const char* pszPath;
        const char* pszValueChild; // nullptr: the node's own text
        std::string* pField;
    };
    const Part parts[] = {
        {"product", nullptr, nullptr},
        {"systeminfo/power", nullptr, nullptr},
        {kMacPath, nullptr, &m_strMacAddress},
        {kIPv4SettingPath, "ip", &m_strIPv4Address},
        {kIPv6SettingPath, "ip", &m_strIPv6Address},
        {kHostPath, "name", &m_strHostName},
    };
    try {
        const Zelt::CXMLNode root = GetRootNode();
        for (const Part& part : parts) {
            const Zelt::CXMLNode freshNode = fresh.SingleSelectNode(part.pszPath);
            Zelt::ReplaceNode(root.SingleSelectNode(part.pszPath), freshNode);
            if (part.pField != nullptr) {
                *part.pField = part.pszValueChild ? freshNode.SingleSelectNode(part.pszValueChild).GetText()
                                                  : freshNode.GetText();
            }
        }
        m_nStatus = STATUS_SUCCESS;
    } catch (const Zelt::CXMLError&) {
        m_nStatus = STATUS_XML_ERROR;
        throw;
    }
}

std::string CKorvaneInfo::RunCommand(CRequestParam& request, const Zelt::CancelEventPtr& cancelEvent,
                                     int nAuthorizationWait, int nConnectionWait,
                                     std::istream* pAdditionalData) {
    Authorization("admin", m_strPassword, cancelEvent, nAuthorizationWait);
    request.SetAuthKey(m_strAuthKey);
    std::string response =
        ConnectionKorvane(Serialised(request), cancelEvent, pAdditionalData, nConnectionWait, true);
    m_nStatus = STATUS_SUCCESS;
    return response;
}

void CKorvaneInfo::FWUpdate(const Zelt::CancelEventPtr& cancelEvent, const std::string& strFirmwarePath) {
    // Opened so that a FIFO or device in the image's place can neither hold nor feed the upload.
    const Zelt::CRegularFile image(strFirmwarePath, O_RDONLY);
    if (!image.IsOpen()) {
        m_nStatus = STATUS_SOCKET_ERROR;
        Zelt::ThrowSocketError("CKorvaneInfo::FWUpdate(): the firmware file cannot be read.",
                               Zelt::SOCKET_KIND_SEND);
    }
    Zelt::CFileInputBuffer buffer(image.Get());
    std::istream firmware(&buffer);
    CFWUpdateRequestParam request(FileNameOf(strFirmwarePath), std::string(),
                                  kFirmwareRequestWaitMilliseconds);
    RunCommand(request, cancelEvent, kAuthorizationWaitMilliseconds, kFirmwareConnectionWaitMilliseconds,
               &firmware);
}

void CKorvaneInfo::SetInfo(const Zelt::CancelEventPtr& cancelEvent, const std::string& strInfoNode,
                           bool bShutdownAfter, int nWaitMilliseconds) {
    CSetInfoRequestParam request(std::string(), nWaitMilliseconds);
    request.SetInfoNode(strInfoNode);
    if (bShutdownAfter) {
        request.SetPostProcesses({ProcessEntry{PROCESS_COMMAND_SHUTDOWN, std::string(), -1}});
    }
    RunCommand(request, cancelEvent, kAuthorizationWaitMilliseconds, nWaitMilliseconds);
}

void CKorvaneInfo::Melody(const Zelt::CancelEventPtr& cancelEvent, bool bPlay, int nWaitMilliseconds) {
    CMelodyRequestParam request(std::string(), nWaitMilliseconds);
    request.SetCommand(bPlay ? MELODY_ON : MELODY_OFF);
    RunCommand(request, cancelEvent, nWaitMilliseconds, kCommandConnectionWaitMilliseconds);
}

void CKorvaneInfo::Reboot(const Zelt::CancelEventPtr& cancelEvent, int nWaitMilliseconds) {
    CRebootRequestParam request(std::string(), nWaitMilliseconds);
    RunCommand(request, cancelEvent, nWaitMilliseconds, kCommandConnectionWaitMilliseconds);
}

void CKorvaneInfo::PowerOff(const Zelt::CancelEventPtr& cancelEvent, bool bNetwork, int nWaitMilliseconds) {
    CPowerOffRequestParam request(std::string(), nWaitMilliseconds);
    request.SetNetwork(bNetwork);
    RunCommand(request, cancelEvent, nWaitMilliseconds,
               bNetwork ? kNetworkPowerOffWaitMilliseconds : nWaitMilliseconds);
}

MacBytes CKorvaneInfo::ParseMacAddress(std::string_view strMacAddress) {
    MacBytes mac{};
    size_t nByte = 0;
    for (char ch : strMacAddress) {
        if (ch == ':') {
            ++nByte;
        } else if (const int nDigit = HexDigitValue(ch); nDigit >= 0 && nByte < mac.size()) {
            mac[nByte] = static_cast<uint8_t>(mac[nByte] << 4 | nDigit);
        }
    }
    return mac;
}

std::string CKorvaneInfo::WakeOnLanPacket(std::string_view strMacAddress) {
    const MacBytes mac = ParseMacAddress(strMacAddress);
    std::string packet(6, '\xFF');
    for (int i = 0; i < 16; ++i) {
        packet.append(reinterpret_cast<const char*>(mac.data()), mac.size());
    }
    return packet;
}

void CKorvaneInfo::SendWakeOnLan(std::string_view strMacAddress) {
    const std::string packet = WakeOnLanPacket(strMacAddress);
    Zelt::CBroadCastSocket broadcast;
    broadcast.Open(KORVANE_DEVICE_PORT);
    broadcast.Write(packet.data(), packet.size());
    broadcast.Close();
}

void CKorvaneInfo::PowerOn() {
    RecordingOutcome([&] { SendWakeOnLan(m_strMacAddress); });
    m_nStatus = STATUS_SUCCESS;
}

} // namespace Korvane
