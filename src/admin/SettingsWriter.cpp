#include "admin/SettingsWriter.h"

#include "admin/MailSettingsXml.h"
#include "admin/SettingsXml.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "admin/UpdateTime.h"
#include "support/StringTable.h"
#include "support/XmlError.h"
#include "support/XmlLoadCheck.h"

#include <string_view>

namespace Korvane {
namespace {

using SettingsXml::AppendElement;

// Copied beside the device's information for readers of the file; loading takes the data from
// the information itself. Only their names and texts are copied, so that no markup a device put
// into them reaches the skeleton, where the placeholders must be the only "korvaneinfo" elements.
constexpr const char* kCopiedPaths[] = {
    "network/host/name",
    "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip",
    "network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip",
    "network/tcpip/lan/mac",
};

constexpr std::string_view kPlaceholder = "<korvaneinfo/>";
// Levels between the file's element and a device's information: korvaneinfos, korvane.
constexpr size_t kInfoLevel = 3;
constexpr int kMiB = 1024 * 1024;

std::string RefusalReason(Zelt::CXmlLoadCheck::Verdict verdict, size_t nBytes) {
    switch (verdict) {
    case Zelt::CXmlLoadCheck::TOO_LARGE:
        return CTextFormat::FormatId(Zelt::Text::SettingsTooLarge,
                                     {std::to_string((nBytes + kMiB - 1) / kMiB),
                                      std::to_string(Zelt::CXmlLoadCheck::MAX_DOCUMENT_BYTES / kMiB)});
    case Zelt::CXmlLoadCheck::TOO_DEEP:
        return std::string(Zelt::CStringTable::Text(Zelt::Text::SettingsNestedTooDeeply));
    case Zelt::CXmlLoadCheck::TEXT_TOO_LONG:
        return std::string(Zelt::CStringTable::Text(Zelt::Text::SettingsValueTooLong));
    default:
        return std::string(Zelt::CStringTable::Text(Zelt::Text::SettingsTooManyNames));
    }
}

// A device document's element as text: its serialisation without the declaration's line and the
// final line break.
std::string_view ElementText(const std::string& serialised) {
    const size_t nStart = serialised.find("?>\n");
    if (nStart == std::string::npos || serialised.back() != '\n') {
        throw Zelt::CXMLError("Save XMLfile Error!\n");
    }
    return std::string_view(serialised).substr(nStart + 3, serialised.size() - nStart - 4);
}

} // namespace

std::string CSettingsWriter::Serialize(const CKorvaneAdminInfoMgr& manager) {
    CSettingsWriter writer(manager);
    const Zelt::CXMLNode root = writer.m_document.CreateElement("KorvaneAdminSettingInfo");
    writer.m_document.SetRootNode(root);
    writer.WriteAppSettings(root);
    writer.WriteDevices(root);
    std::string text = writer.SplicedText();
    writer.CheckLoads(text.size());
    return text;
}

// A file that loading refuses would cost the user every device and password at the next start;
// such a save fails instead and the previous file stays.
void CSettingsWriter::CheckLoads(size_t nBytes) const {
    Zelt::CXmlLoadCheck check(nBytes);
    check.Add(m_document.GetRootNode(), 0);
    for (const auto& [mac, device] : m_manager.Devices()) {
        if (device.HasRootNode()) {
            check.Add(device.GetRootNode(), kInfoLevel);
        }
    }
    if (const Zelt::CXmlLoadCheck::Verdict verdict = check.Result(); verdict != Zelt::CXmlLoadCheck::LOADS) {
        throw Zelt::CXMLError(RefusalReason(verdict, nBytes));
    }
}

// Texts are escaped, so every "<korvaneinfo/>" in the skeleton's text is a placeholder.
std::string CSettingsWriter::SplicedText() const {
    const std::string skeleton = m_document.SaveToBytes();
    std::string text;
    size_t nFrom = 0;
    for (const std::string& serialised : m_spliced) {
        const size_t nAt = skeleton.find(kPlaceholder, nFrom);
        if (nAt == std::string::npos) {
            throw Zelt::CXMLError("Save XMLfile Error!\n");
        }
        text.append(skeleton, nFrom, nAt - nFrom).append(ElementText(serialised));
        nFrom = nAt + kPlaceholder.size();
    }
    return text.append(skeleton, nFrom, std::string::npos);
}

void CSettingsWriter::WriteAppSettings(const Zelt::CXMLNode& root) {
    const Zelt::CXMLNode appSettings = AppendElement(m_document, root, "appsettings");
    AppendElement(m_document, appSettings, "updatetime", std::to_string(m_manager.m_nUpdateInterval));
    WriteGroupList(appSettings);
    WriteWindow(appSettings);
    CMailSettingsXml::Write(m_document, appSettings, m_manager.m_mail);
    if (m_manager.m_language) {
        AppendElement(m_document, appSettings, SettingsXml::LANGUAGE,
                      Zelt::CLanguage::Code(*m_manager.m_language));
    }
}

void CSettingsWriter::WriteGroupList(const Zelt::CXMLNode& appSettings) {
    const Zelt::CXMLNode groupList = AppendElement(m_document, appSettings, "grouplist");
    for (const auto& [name, members] : m_manager.Groups()) {
        AppendElement(m_document, groupList, "group", name);
    }
}

void CSettingsWriter::WriteWindow(const Zelt::CXMLNode& appSettings) {
    const Zelt::CXMLNode window = AppendElement(m_document, appSettings, "window");
    const Zelt::CXMLNode size = AppendElement(m_document, window, "size");
    for (size_t i = 0; i < SettingsXml::WINDOW_NUMBER_NAMES.size(); ++i) {
        AppendElement(m_document, size, SettingsXml::WINDOW_NUMBER_NAMES[i],
                      std::to_string(m_manager.m_window[i]));
    }
    if (m_manager.m_columnKeys.empty()) {
        return;
    }
    const Zelt::CXMLNode columns = AppendElement(m_document, window, "columnlist");
    for (const std::string& key : m_manager.m_columnKeys) {
        AppendElement(m_document, columns, "column", key);
    }
}

void CSettingsWriter::WriteDevices(const Zelt::CXMLNode& root) {
    const Zelt::CXMLNode devices = AppendElement(m_document, root, "korvaneinfos");
    for (const auto& [mac, device] : m_manager.Devices()) {
        WriteDevice(devices, mac, device);
    }
}

void CSettingsWriter::WriteDevice(const Zelt::CXMLNode& devices, const std::string& mac,
                                  const CManagedDevice& device) {
    // Loading reads a device from its information only; an entry without it could not come back.
    if (!device.HasRootNode()) {
        return;
    }
    const Zelt::CXMLNode info = device.GetRootNode();
    Zelt::CXMLNode korvane = AppendElement(m_document, devices, "korvane");
    korvane.SetAttributeValue("portforwarding", device.GetPortForwarding() ? "enable" : "disable");
    if (device.GetSavePassword()) {
        AppendElement(m_document, korvane, "adminpasswd", device.GetPassword());
    }
    for (const char* pszPath : kCopiedPaths) {
        if (const std::optional<Zelt::CXMLNode> found = SettingsXml::FirstNode(info, pszPath)) {
            AppendElement(m_document, korvane, found->GetName(), found->GetText());
        }
    }
    WriteBelong(korvane, mac);
    WriteAddressApproval(korvane, device);
    WriteLastUpdate(korvane, device);
    AppendElement(m_document, korvane, "korvaneinfo");
    m_spliced.push_back(device.SaveToBytes());
}

void CSettingsWriter::WriteBelong(const Zelt::CXMLNode& korvane, const std::string& mac) {
    const std::vector<std::string> groups = m_manager.GroupsOf(mac);
    if (groups.empty()) {
        return;
    }
    const Zelt::CXMLNode belong = AppendElement(m_document, korvane, "belong");
    for (const std::string& name : groups) {
        AppendElement(m_document, belong, "group", name);
    }
}

void CSettingsWriter::WriteAddressApproval(const Zelt::CXMLNode& korvane, const CManagedDevice& device) {
    if (!device.ApprovedAddresses().empty()) {
        const Zelt::CXMLNode approved = AppendElement(m_document, korvane, SettingsXml::APPROVED_ADDRESSES);
        for (const std::string& address : device.ApprovedAddresses()) {
            AppendElement(m_document, approved, "address", address);
        }
    }
    if (device.HasUnapprovedAddresses()) {
        const AddressPair& waiting = device.GetUnapprovedAddresses();
        const Zelt::CXMLNode unapproved =
            AppendElement(m_document, korvane, SettingsXml::UNAPPROVED_ADDRESSES);
        AppendElement(m_document, unapproved, "ipv4", waiting.ipv4);
        AppendElement(m_document, unapproved, "ipv6", waiting.ipv6);
    }
}

// How the last update went, so that the next start shows a device that did not answer as such.
void CSettingsWriter::WriteLastUpdate(const Zelt::CXMLNode& korvane, const CManagedDevice& device) {
    const bool bUnreachable = CStatusEvaluation::IsConnectionError(device);
    if (device.GetResultCode() == RESULT_SUCCESS && !bUnreachable && device.GetLastSuccess() == 0) {
        return;
    }
    const Zelt::CXMLNode lastUpdate = AppendElement(m_document, korvane, SettingsXml::LAST_UPDATE);
    AppendElement(m_document, lastUpdate, "result", std::to_string(device.GetResultCode()));
    AppendElement(m_document, lastUpdate, "unreachable", bUnreachable ? "true" : "false");
    if (device.GetLastSuccess() != 0) {
        AppendElement(m_document, lastUpdate, "succeeded", CUpdateTime::ToText(device.GetLastSuccess()));
    }
}

} // namespace Korvane
