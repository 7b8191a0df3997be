#pragma once

#include "admin/AdminInfoMgr.h"

#include <cstddef>

namespace Korvane {

// What one search (the search dialog, korvanectl discover --add) brings under management: every
// device found that is managed already is updated, and at most MAX_NEW_DEVICES devices are added.
// Discovery reaches one broadcast domain, and no LAN segment holds that many storage devices; a
// host that answers with ever new MACs would otherwise fill the store and the settings file.
class CSearchIntake {
public:
    static constexpr size_t MAX_NEW_DEVICES = 256;

    enum Outcome { TAKEN, REFUSED, BEYOND_BOUND };

    explicit CSearchIntake(CKorvaneAdminInfoMgr& manager) : m_manager(manager) {}

    // REFUSED as AddOrUpdate refuses (no information, no valid MAC); BEYOND_BOUND for a new device
    // once the bound is reached.
    Outcome Take(const CManagedDevice& device);
    // The new devices left out because of the bound.
    size_t PassedOver() const { return m_nPassedOver; }
    // The text that tells the user how many were left out (empty when none was).
    std::string PassedOverText() const;

private:
    CKorvaneAdminInfoMgr& m_manager;
    size_t m_nAdded = 0;
    size_t m_nPassedOver = 0;
};

} // namespace Korvane
