#pragma once

#include "admin/AdminInfoMgr.h"
#include "operations/InfoResult.h"

namespace Korvane {

// What the owner of the store does with one information result, wherever it came from (the
// periodic update, the detail report, the add dialog): store the information, mark the device
// reachable or not, record the communication result. The device is found by its MAC.
class CInfoResultApplier {
public:
    // False when the device is not (or no longer) managed.
    static bool Apply(CKorvaneAdminInfoMgr& manager, const InfoResult& result);
};

} // namespace Korvane
