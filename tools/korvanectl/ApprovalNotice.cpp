#include "ApprovalNotice.h"

#include "Message.h"
#include "TerminalText.h"
#include "admin/AddressApproval.h"

#include <ostream>

namespace Korvanectl {

std::string WaitingForApproval(const Korvane::CManagedDevice& device, const std::string& mac) {
    return Message(Zelt::Text::CliWaitingForApproval,
                   {device.Name(), mac, Korvane::CAddressApproval::Text(device.GetUnapprovedAddresses()),
                    Korvane::CAddressApproval::ApprovedText(device)});
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
        out << Message(Zelt::Text::CliApprovalNotice) << '\n';
    }
}

} // namespace Korvanectl
