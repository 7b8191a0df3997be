#pragma once

#include "admin/ManagedDevice.h"

namespace Korvane {

// The detail report's fetch (category 2) and the text it shows for each outcome.
class CDetailFetch {
public:
    static constexpr int CATEGORY = 2;
    // The message of an outcome (read error, password failed or not stored, device error,
    // cancelled, busy, timed out, communication error, cannot connect); 0 for a fetch that
    // succeeded or for the end of the job.
    static int MessageFor(int nInfoMessage, const CManagedDevice& device);
};

} // namespace Korvane
