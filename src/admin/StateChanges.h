#pragma once

#include "admin/AdminInfoMgr.h"

#include <map>
#include <string>
#include <vector>

namespace Korvane {

// What changed for each device between two looks at the store: whether it stopped or started
// answering and which alerts are new. The monitor reports these per device, so that a service's
// log says which device went wrong.
class CStateChanges {
public:
    struct Change {
        std::string mac;
        std::string name;
        bool bStoppedAnswering = false;
        bool bStartedAnswering = false;
        int nNewAlertBits = 0; // status bits that were not set before, "unreachable" aside
    };

    // Takes the store's present state as the one to compare with.
    void Remember(const CKorvaneAdminInfoMgr& manager);
    // What changed since the last look; then remembers the present state.
    std::vector<Change> Since(const CKorvaneAdminInfoMgr& manager);

private:
    std::map<std::string, int> m_bits;
};

} // namespace Korvane
