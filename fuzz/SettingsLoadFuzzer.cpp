// Arbitrary bytes as an unscrambled settings file: loading never crashes, and what it loaded
// can be saved and loaded again.
#include "admin/AdminInfoMgr.h"
#include "admin/SettingsReader.h"
#include "admin/SettingsWriter.h"
#include "support/XmlDocument.h"
#include "support/XmlError.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Zelt::CXMLDocument document;
    try {
        document.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Zelt::CXMLError&) {
        return 0;
    }
    Korvane::CKorvaneAdminInfoMgr manager;
    if (!Korvane::CSettingsReader::Apply(document, manager)) {
        return 0;
    }
    Korvane::CKorvaneAdminInfoMgr reloaded;
    Zelt::CXMLDocument saved;
    saved.LoadFromBytes(Korvane::CSettingsWriter::Serialize(manager));
    Korvane::CSettingsReader::Apply(saved, reloaded);
    return 0;
}
