#include "admin/SearchIntake.h"

#include "admin/TextFormat.h"
#include "support/TextIds.h"

namespace Korvane {

CSearchIntake::Outcome CSearchIntake::Take(const CManagedDevice& device) {
    const std::string mac = CKorvaneAdminInfoMgr::NormalizeMac(device.ReportedMac());
    const bool bNew = !mac.empty() && m_manager.FindDevice(mac) == nullptr;
    if (bNew && m_nAdded >= MAX_NEW_DEVICES) {
        ++m_nPassedOver;
        return BEYOND_BOUND;
    }
    if (!m_manager.AddOrUpdate(device)) {
        return REFUSED;
    }
    m_nAdded += bNew ? 1 : 0;
    return TAKEN;
}

std::string CSearchIntake::PassedOverText() const {
    if (m_nPassedOver == 0) {
        return std::string();
    }
    return CTextFormat::FormatId(Zelt::Text::SearchAddLimit,
                                 {std::to_string(MAX_NEW_DEVICES), std::to_string(m_nPassedOver)});
}

} // namespace Korvane
