#include "ManagedDeviceJson.h"

#include "admin/CellText.h"
#include "admin/StatusEvaluation.h"
#include "admin/UpdateTime.h"

namespace Korvanectl {

nlohmann::json ManagedDeviceJson(const std::string& mac, const Korvane::CManagedDevice& device) {
    nlohmann::json row = {{"key", mac},
                          {"name", device.Name()},
                          {"state", Korvane::CStatusEvaluation::OverallState(device)},
                          {"stateText", Korvane::CCellText::StatusText(device)},
                          {"answered", !Korvane::CStatusEvaluation::IsConnectionError(device)},
                          {"result", device.GetResultCode()},
                          {"lastUpdate", nullptr}};
    if (device.GetLastSuccess() != 0) {
        row["lastUpdate"] = Korvane::CUpdateTime::ToText(device.GetLastSuccess());
    }
    return row;
}

nlohmann::json ManagedDeviceJson(const Korvane::CKorvaneAdminInfoMgr& manager, const std::string& mac) {
    nlohmann::json row = ManagedDeviceJson(mac, *manager.FindDevice(mac));
    row["groups"] = manager.GroupsOf(mac);
    return row;
}

} // namespace Korvanectl
