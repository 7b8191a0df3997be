#pragma once

#include "admin/AdminInfoMgr.h"
#include "support/XmlDocument.h"

#include <optional>

namespace Korvane {

// Applies a parsed settings document to the manager.
class CSettingsReader {
public:
    // Applies, in this order, the language choice, the update interval, the groups, the window,
    // the mail settings and the devices. False, with nothing applied, when one of the five top-level parts is
    // missing. A failure inside a part keeps what was applied before it.
    static bool Apply(const Zelt::CXMLDocument& document, CKorvaneAdminInfoMgr& manager);

private:
    struct Parts {
        Zelt::CXMLNode updateTime;
        Zelt::CXMLNode groupList;
        Zelt::CXMLNode window;
        Zelt::CXMLNode mail;
        Zelt::CXMLNode devices;
    };

    static std::optional<Parts> FindParts(const Zelt::CXMLNode& root);
    static void ApplyParts(const Parts& parts, CKorvaneAdminInfoMgr& manager);
    static void ApplyLanguage(const Zelt::CXMLNode& root, CKorvaneAdminInfoMgr& manager);
    static void ApplyGroups(const Parts& parts, CKorvaneAdminInfoMgr& manager);
    static void ApplyWindow(const Zelt::CXMLNode& window, CKorvaneAdminInfoMgr& manager);
    static void ApplyMail(const Zelt::CXMLNode& mail, CKorvaneAdminInfoMgr& manager);
    static void ApplyDevices(const Zelt::CXMLNode& devices, CKorvaneAdminInfoMgr& manager);
    static bool ApplyDevice(const Zelt::CXMLNode& info, CKorvaneAdminInfoMgr& manager);
    static void ApplyAddressApproval(const Zelt::CXMLNode& korvane, CManagedDevice& device);
    static void ApplyLastUpdate(const Zelt::CXMLNode& korvane, CManagedDevice& device);
};

} // namespace Korvane
