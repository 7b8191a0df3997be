#include "admin/SettingsReader.h"

#include "admin/Decimal.h"
#include "admin/MailSettingsXml.h"
#include "admin/SettingsXml.h"
#include "admin/UpdateTime.h"
#include "support/Trace.h"
#include "support/XmlError.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <string>
#include <unordered_map>
#include <vector>

namespace Korvane {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The whole text, blanks around it aside, as one decimal int.
std::optional<int> StrictDecimal(std::string_view text) {
    text = Trimmed(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    int nValue = 0;
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nValue);
    if (text.empty() || error != std::errc() || pEnd != text.data() + text.size()) {
        return std::nullopt;
    }
    return nValue;
}

// The interval is read leniently: the leading decimal number of the text, 0 when there
// is none, out-of-range values held at the limits.
int LeadingDecimal(std::string_view text) {
    return static_cast<int>(std::clamp<int64_t>(CDecimal::LeadingInteger(text), INT_MIN, INT_MAX));
}

std::vector<std::string> TextsOf(const Zelt::CXMLNodeList& nodes) {
    std::vector<std::string> texts;
    texts.reserve(nodes.size());
    for (const Zelt::CXMLNode& node : nodes) {
        texts.push_back(node.GetText());
    }
    return texts;
}

// Group name -> the MAC copies of the devices whose "belong" names it. The names are compared
// as texts: a query built from a name breaks on an apostrophe or a quote in it.
std::unordered_map<std::string, std::vector<std::string>> MembersByGroup(const Zelt::CXMLNode& devices) {
    std::unordered_map<std::string, std::vector<std::string>> members;
    for (const Zelt::CXMLNode& korvane : devices.SelectNodes("korvane")) {
        const std::vector<std::string> macs = TextsOf(korvane.SelectNodes("mac"));
        for (const Zelt::CXMLNode& group : korvane.SelectNodes("belong/group")) {
            std::vector<std::string>& list = members[group.GetText()];
            list.insert(list.end(), macs.begin(), macs.end());
        }
    }
    return members;
}

} // namespace

bool CSettingsReader::Apply(const Zelt::CXMLDocument& document, CKorvaneAdminInfoMgr& manager) {
    const std::optional<Parts> parts = FindParts(document.GetRootNode());
    if (!parts) {
        return false;
    }
    try {
        ApplyLanguage(document.GetRootNode(), manager);
        ApplyParts(*parts, manager);
    } catch (const Zelt::CXMLError& error) {
        Zelt::DebugTrace("CSettingsReader::Apply(): %s", error.what());
    }
    return true;
}

std::optional<CSettingsReader::Parts> CSettingsReader::FindParts(const Zelt::CXMLNode& root) {
    Parts parts;
    const std::pair<const char*, Zelt::CXMLNode*> paths[] = {
        {"appsettings/updatetime", &parts.updateTime},
        {"appsettings/grouplist", &parts.groupList},
        {"appsettings/window", &parts.window},
        {"appsettings/mail", &parts.mail},
        {"korvaneinfos", &parts.devices},
    };
    for (const auto& [pszPath, pNode] : paths) {
        std::optional<Zelt::CXMLNode> found = SettingsXml::FirstNode(root, pszPath);
        if (!found) {
            return std::nullopt;
        }
        *pNode = std::move(*found);
    }
    return parts;
}

void CSettingsReader::ApplyParts(const Parts& parts, CKorvaneAdminInfoMgr& manager) {
    manager.m_nUpdateInterval = LeadingDecimal(parts.updateTime.GetText());
    ApplyGroups(parts, manager);
    ApplyWindow(parts.window, manager);
    ApplyMail(parts.mail, manager);
    ApplyDevices(parts.devices, manager);
}

// Files without the choice, or with one this version does not know, follow the system.
void CSettingsReader::ApplyLanguage(const Zelt::CXMLNode& root, CKorvaneAdminInfoMgr& manager) {
    const std::string code =
        SettingsXml::TextOrEmpty(root, std::string("appsettings/") + SettingsXml::LANGUAGE);
    manager.m_language = Zelt::CLanguage::FromCode(code);
}

void CSettingsReader::ApplyGroups(const Parts& parts, CKorvaneAdminInfoMgr& manager) {
    manager.ClearGroups();
    std::unordered_map<std::string, std::vector<std::string>> members = MembersByGroup(parts.devices);
    for (const Zelt::CXMLNode& group : parts.groupList.SelectNodes("group")) {
        const std::string name = group.GetText();
        manager.SetGroup(name, members[name]);
    }
}

void CSettingsReader::ApplyWindow(const Zelt::CXMLNode& window, CKorvaneAdminInfoMgr& manager) {
    WindowNumbers numbers{};
    bool bValid = true;
    for (size_t i = 0; i < numbers.size() && bValid; ++i) {
        const std::optional<std::string> text =
            SettingsXml::OptionalText(window, std::string("size/") + SettingsXml::WINDOW_NUMBER_NAMES[i]);
        const std::optional<int> number = text ? StrictDecimal(*text) : std::nullopt;
        // A zero height or width (h, w, h1, w1) would place an invisible window or pane.
        bValid = number.has_value() && (i < 2 || *number != 0);
        numbers[i] = number.value_or(-1);
    }
    if (!bValid) {
        numbers.fill(-1);
    }
    manager.m_window = numbers;
    manager.m_columnKeys = TextsOf(window.SelectNodes("columnlist/column"));
}

void CSettingsReader::ApplyMail(const Zelt::CXMLNode& mail, CKorvaneAdminInfoMgr& manager) {
    try {
        CMailSettingsXml::Read(mail, manager.m_mail);
    } catch (const Zelt::CXMLError&) {
        manager.m_mail.nAuthMethod = MAIL_AUTH_NONE;
    }
}

void CSettingsReader::ApplyDevices(const Zelt::CXMLNode& devices, CKorvaneAdminInfoMgr& manager) {
    manager.ClearDevices();
    try {
        for (const Zelt::CXMLNode& info : devices.SelectNodes("korvane/korvaneinfo")) {
            if (!ApplyDevice(info, manager)) {
                return;
            }
        }
    } catch (const Zelt::CXMLError& error) {
        Zelt::DebugTrace("CSettingsReader::ApplyDevices(): %s", error.what());
    }
}

// False for an entry without a MAC: it cannot be keyed, and loading stops there as it does for
// any damaged device entry. An entry whose MAC is no MAC is left out alone.
bool CSettingsReader::ApplyDevice(const Zelt::CXMLNode& info, CKorvaneAdminInfoMgr& manager) {
    const std::optional<std::string> mac = SettingsXml::OptionalText(info, "network/tcpip/lan/mac");
    if (!mac || mac->empty()) {
        return false;
    }
    const std::string key = CKorvaneAdminInfoMgr::NormalizeMac(*mac);
    if (key.empty()) {
        Zelt::DebugTrace("CSettingsReader::ApplyDevice(): an entry whose MAC is no MAC is left out.\n");
        return true;
    }
    CManagedDevice& device = manager.EnsureDevice(key);
    device.TakeFreshInfo(info);
    const Zelt::CXMLNode korvane = info.GetParent();
    if (const std::optional<std::string> password = SettingsXml::OptionalText(korvane, "adminpasswd")) {
        manager.SetPassword(key, *password, true);
    }
    const std::optional<std::string> forwarding = SettingsXml::OptionalAttribute(korvane, "portforwarding");
    device.SetPortForwarding(forwarding && SettingsXml::EqualsNoCase(*forwarding, "enable"));
    ApplyAddressApproval(korvane, device);
    ApplyLastUpdate(korvane, device);
    return true;
}

// A file without the element predates approvals: the password stays approved where it was saved,
// which SetPassword has done.
void CSettingsReader::ApplyAddressApproval(const Zelt::CXMLNode& korvane, CManagedDevice& device) {
    if (const std::optional<Zelt::CXMLNode> approved =
            SettingsXml::FirstNode(korvane, SettingsXml::APPROVED_ADDRESSES)) {
        device.RestrictPasswordTo(TextsOf(approved->SelectNodes("address")));
    }
    if (const std::optional<Zelt::CXMLNode> waiting =
            SettingsXml::FirstNode(korvane, SettingsXml::UNAPPROVED_ADDRESSES)) {
        device.SetUnapprovedAddresses({SettingsXml::OptionalText(*waiting, "ipv4").value_or(std::string()),
                                       SettingsXml::OptionalText(*waiting, "ipv6").value_or(std::string())});
    }
}

// Values out of range are left at their defaults: a hand-edited file must not invent a state.
void CSettingsReader::ApplyLastUpdate(const Zelt::CXMLNode& korvane, CManagedDevice& device) {
    const std::optional<Zelt::CXMLNode> lastUpdate =
        SettingsXml::FirstNode(korvane, SettingsXml::LAST_UPDATE);
    if (!lastUpdate) {
        return;
    }
    const std::string result = SettingsXml::OptionalText(*lastUpdate, "result").value_or(std::string());
    if (result.size() == 1 && result[0] >= '0' && result[0] - '0' <= RESULT_DEVICE_BUSY) {
        device.SetResultCode(result[0] - '0');
    }
    if (SettingsXml::OptionalText(*lastUpdate, "unreachable") == "true") {
        device.SetStatusBits(device.GetStatusBits() | STATUS_BIT_UNREACHABLE);
    }
    if (const std::optional<std::string> succeeded = SettingsXml::OptionalText(*lastUpdate, "succeeded")) {
        device.SetLastSuccess(CUpdateTime::FromText(*succeeded).value_or(0));
    }
}

} // namespace Korvane
