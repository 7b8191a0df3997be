#pragma once

#include "admin/AdminInfoMgr.h"

#include <set>
#include <string>
#include <tuple>
#include <vector>

class QWidget;

namespace KorvaneApp {

// Asks the user, device by device, whether a device's password may go to the address it turned
// up at, naming the device, its MAC, the approved and the new address. An address the user has
// answered about is not asked about again in this run unless the user chooses the command.
class AddressApprovalPrompt {
public:
    AddressApprovalPrompt(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent);

    // Asks about those of the devices whose waiting addresses have not been asked about yet.
    // True when some device was approved (and moved).
    bool AskNew(const std::vector<std::string>& macs);
    // The command: asks about every device of the list that waits; says so when none does.
    bool AskAll(const std::vector<std::string>& macs);

private:
    using Asked = std::tuple<std::string, std::string, std::string>;

    static Asked AskedKey(const std::string& mac, const Korvane::CManagedDevice& device);
    bool Ask(const std::string& mac);

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    QWidget* m_pParent;
    std::set<Asked> m_asked;
};

} // namespace KorvaneApp
