#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"

#include <functional>

namespace Korvane {

enum SearchResult : int { SEARCH_SUCCEEDED = 0, SEARCH_FAILED = 1, SEARCH_CANCELLED = 2 };

// One discovery pass that brings every device found under management: each device whose basic
// information arrived goes to the store; devices that answered discovery but not the information
// request are passed over.
class CSearchJob {
public:
    // Called on a discovery worker for each device found; it must not return before the store's
    // owning thread has taken the device (the store has no lock).
    using FoundSink = std::function<void(const CManagedDevice& device)>;

    // Runs on the caller's (background) thread until the pass has ended.
    static SearchResult Run(const Zelt::CancelEventPtr& cancelEvent, const FoundSink& found);

    // The message shown for a result: 10016 for a failed search, 0 for none.
    static int MessageId(SearchResult result) { return result == SEARCH_FAILED ? 10016 : 0; }
};

} // namespace Korvane
