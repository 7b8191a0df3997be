#include "admin/StateChanges.h"

namespace Korvane {

void CStateChanges::Remember(const CKorvaneAdminInfoMgr& manager) {
    m_bits.clear();
    for (const auto& [mac, device] : manager.Devices()) {
        m_bits[mac] = device.GetStatusBits();
    }
}

std::vector<CStateChanges::Change> CStateChanges::Since(const CKorvaneAdminInfoMgr& manager) {
    std::vector<Change> changes;
    for (const auto& [mac, device] : manager.Devices()) {
        const auto known = m_bits.find(mac);
        const int nOld = known != m_bits.end() ? known->second : 0;
        const int nNew = device.GetStatusBits();
        const bool bWasAnswering = (nOld & STATUS_BIT_UNREACHABLE) == 0;
        const bool bAnswers = (nNew & STATUS_BIT_UNREACHABLE) == 0;
        Change change{mac, device.Name(), bWasAnswering && !bAnswers, !bWasAnswering && bAnswers,
                      nNew & ~nOld & ~STATUS_BIT_UNREACHABLE};
        if (change.bStoppedAnswering || change.bStartedAnswering || change.nNewAlertBits != 0) {
            changes.push_back(std::move(change));
        }
    }
    Remember(manager);
    return changes;
}

} // namespace Korvane
