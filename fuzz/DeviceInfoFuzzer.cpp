// Arbitrary bytes as a device's GETINFO response: whatever "korvaneinfo" it carries is stored as
// a managed device, evaluated, shown in every column and in the detail report, and saved with
// the settings. Nothing crashes; the device's key maps back to its MAC, and the saved settings
// load again with the same devices.
#include "admin/AdminInfoMgr.h"
#include "admin/CellText.h"
#include "admin/DetailReport.h"
#include "admin/InfoColumnTable.h"
#include "admin/SettingsReader.h"
#include "admin/SettingsWriter.h"
#include "admin/StatusEvaluation.h"
#include "protocol/KorvaneInfo.h"
#include "support/XmlDocument.h"
#include "support/XmlError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void ShowEverything(Korvane::CManagedDevice& device) {
    Korvane::CStatusEvaluation::EvaluateStatusBits(device);
    Korvane::CStatusEvaluation::StatusText(device);
    Korvane::CStatusEvaluation::InformationTimeText(device);
    for (const Korvane::InfoColumn& column : Korvane::InfoColumnTable::Defaults().Columns()) {
        Korvane::CCellText::CellText(column.key, device);
    }
    Korvane::CCellText::StateIconIndex(device);
    const Korvane::CDetailReport report(device);
    for (const int nSection : Korvane::CDetailReport::TreeSections(device)) {
        report.SectionText(nSection);
    }
}

void CheckKeys(Korvane::CKorvaneAdminInfoMgr& manager) {
    for (const std::string& mac : manager.Macs()) {
        if (manager.MacOfKey(manager.DeviceKey(mac)) != mac) {
            std::abort();
        }
    }
}

void CheckSavedSettings(const Korvane::CKorvaneAdminInfoMgr& manager) {
    Zelt::CXMLDocument saved;
    saved.LoadFromBytes(Korvane::CSettingsWriter::Serialize(manager));
    Korvane::CKorvaneAdminInfoMgr reloaded;
    if (!Korvane::CSettingsReader::Apply(saved, reloaded) || reloaded.Macs() != manager.Macs()) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Korvane::CKorvaneInfo session("192.0.2.1", "");
    try {
        Zelt::CXMLDocument response;
        response.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
        session.TakeFreshInfo(response.GetRootNode().SingleSelectNode("response/korvaneinfo"));
    } catch (const Zelt::CXMLError&) {
        return 0;
    }
    Korvane::CKorvaneAdminInfoMgr manager;
    if (!manager.AddOrUpdate(Korvane::CManagedDevice(session))) {
        return 0;
    }
    manager.UpdateFromFullFetch(Korvane::CManagedDevice(session));
    manager.UpdateFromStatusFetch(session.GetMacAddress(), session);
    for (const std::string& mac : manager.Macs()) {
        ShowEverything(*manager.FindDevice(mac));
    }
    CheckKeys(manager);
    CheckSavedSettings(manager);
    return 0;
}
