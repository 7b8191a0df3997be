#pragma once

#include "admin/ManagedDevice.h"

namespace Korvane {

// The detail report's fetch (category 2) and the text it shows for each outcome.
class CDetailFetch {
public:
    static constexpr int CATEGORY = 2;
    // 20112, 20113, 20120 (no password stored), 20115, 20111, 20119, 20116, 20118, 20117; 0
    // for a fetch that succeeded or for the end of the job.
    static int MessageFor(int nInfoMessage, const CManagedDevice& device);
};

} // namespace Korvane
