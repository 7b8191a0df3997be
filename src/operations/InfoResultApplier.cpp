#include "operations/InfoResultApplier.h"

#include "protocol/KorvaneInfo.h"

#include <ctime>

namespace Korvane {
namespace {

bool StoreFetched(CKorvaneAdminInfoMgr& manager, const std::string& mac, const InfoResult& result) {
    if (result.nCategory == ID_GETINFO_CATEGORY_ADMIN_NORMAL) {
        return manager.UpdateFromFullFetch(result.device);
    }
    if (result.nCategory == ID_GETINFO_CATEGORY_STATUS) {
        return manager.UpdateFromStatusFetch(mac, result.device);
    }
    return true;
}

} // namespace

bool CInfoResultApplier::Apply(CKorvaneAdminInfoMgr& manager, const InfoResult& result) {
    const std::string mac = result.device.ReportedMac();
    if (manager.FindDevice(mac) == nullptr) {
        return false;
    }
    manager.NoteUnapprovedAddresses(mac, result.device.GetUnapprovedAddresses());
    switch (result.nMessage) {
    case INFO_FETCHED: {
        // Information the store refuses (beyond what one device may store) is a device error.
        const bool bStored = StoreFetched(manager, mac, result);
        manager.MarkReachable(mac);
        if (bStored) {
            manager.FindDevice(mac)->SetLastSuccess(std::time(nullptr));
        }
        return manager.SetResultCode(mac, bStored ? RESULT_SUCCESS : RESULT_DEVICE_ERROR);
    }
    case INFO_NOT_OBTAINED:
        return manager.MarkUnreachable(mac);
    case INFO_AUTHORIZATION_REJECTED:
        manager.MarkReachable(mac);
        manager.SetPasswordAccepted(mac, false);
        return manager.SetResultCode(mac, RESULT_SUCCESS);
    case INFO_DEVICE_ERROR:
    case INFO_OTHER_FAILURE:
    case INFO_TOO_LARGE:
        manager.MarkReachable(mac);
        return manager.SetResultCode(mac, RESULT_DEVICE_ERROR);
    case INFO_DEVICE_BUSY:
        manager.MarkReachable(mac);
        return manager.SetResultCode(mac, RESULT_DEVICE_BUSY);
    case INFO_TIMEOUT:
        manager.MarkReachable(mac);
        return manager.SetResultCode(mac, RESULT_TIMEOUT);
    case INFO_SOCKET_ERROR:
        manager.MarkReachable(mac);
        return manager.SetResultCode(mac, RESULT_COMMUNICATION_ERROR);
    case INFO_CANNOT_START:
        manager.MarkUnreachable(mac);
        return manager.SetResultCode(mac, RESULT_COMMUNICATION_ERROR);
    default:
        return true;
    }
}

} // namespace Korvane
