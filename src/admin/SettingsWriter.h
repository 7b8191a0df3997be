#pragma once

#include "admin/AdminInfoMgr.h"
#include "support/XmlDocument.h"

#include <string>
#include <vector>

namespace Korvane {

// Builds the settings document from the manager's state, in the file's fixed element order, and
// serialises it.
//
// The devices' information documents, nearly all of the file, are not copied into the settings
// document: each "korvane" gets an empty "korvaneinfo" placeholder, and the serialised skeleton
// gets each device's own serialisation spliced in at its placeholder. Without markup between
// elements the text is the same as that of the whole tree, at a fraction of the time and memory
// (copying and freeing a thousand large subtrees was most of the cost of a save).
class CSettingsWriter {
public:
    // The XML text (UTF-8 with its declaration) that is scrambled into the settings file. Throws
    // CXMLError, with the reason for the user, when the text would be beyond what loading reads.
    static std::string Serialize(const CKorvaneAdminInfoMgr& manager);

private:
    explicit CSettingsWriter(const CKorvaneAdminInfoMgr& manager) : m_manager(manager) {}

    void WriteAppSettings(const Zelt::CXMLNode& root);
    void WriteGroupList(const Zelt::CXMLNode& appSettings);
    void WriteWindow(const Zelt::CXMLNode& appSettings);
    void WriteDevices(const Zelt::CXMLNode& root);
    void WriteDevice(const Zelt::CXMLNode& devices, const std::string& mac, const CManagedDevice& device);
    void WriteAddressApproval(const Zelt::CXMLNode& korvane, const CManagedDevice& device);
    void WriteLastUpdate(const Zelt::CXMLNode& korvane, const CManagedDevice& device);
    void WriteBelong(const Zelt::CXMLNode& korvane, const std::string& mac);
    std::string SplicedText() const;
    void CheckLoads(size_t nBytes) const;

    const CKorvaneAdminInfoMgr& m_manager;
    Zelt::CXMLDocument m_document;
    // The serialised information documents that belong at the placeholders, in document order.
    // Serialised as each device is written, while its document is still in the cache.
    std::vector<std::string> m_spliced;
};

} // namespace Korvane
