#include "ApprovalNotice.h"

#include "TerminalText.h"
#include "admin/AddressApproval.h"

#include <ostream>

namespace Korvanectl {

std::string WaitingForApproval(const Korvane::CManagedDevice& device, const std::string& mac) {
    return device.Name() + " (" + mac + "): turned up at " +
           Korvane::CAddressApproval::Text(device.GetUnapprovedAddresses()) +
           "; its password is approved for " + Korvane::CAddressApproval::ApprovedText(device);
}

void ReportWaitingDevices(const Korvane::CKorvaneAdminInfoMgr& manager, const std::vector<std::string>& macs,
                          std::ostream& out) {
    bool bAny = false;
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice* pDevice = manager.FindDevice(mac);
        if (pDevice != nullptr && pDevice->HasUnapprovedAddresses()) {
            out << WaitingForApproval(*pDevice, mac) << '\n';
            bAny = true;
        }
    }
    if (bAny) {
        out << "The password is not sent to a new address until you approve it (korvanectl approve "
               "NAME|MAC) after checking that the device really moved.\n";
    }
}

} // namespace Korvanectl
