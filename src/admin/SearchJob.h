#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"
#include "support/TextIds.h"

#include <chrono>
#include <functional>
#include <string>

namespace Korvane {

enum SearchResult : int { SEARCH_SUCCEEDED = 0, SEARCH_FAILED = 1, SEARCH_CANCELLED = 2 };

// How a pass ended and how long it took.
struct SearchOutcome {
    SearchResult result;
    std::chrono::milliseconds duration;
};

// One discovery pass that brings every device found under management: each device whose basic
// information arrived goes to the store; devices that answered discovery but not the information
// request are passed over.
class CSearchJob {
public:
    // Called on a discovery worker for each device found; it must not return before the store's
    // owning thread has taken the device (the store has no lock).
    using FoundSink = std::function<void(const CManagedDevice& device)>;

    // Runs on the caller's (background) thread until the pass has ended.
    static SearchOutcome Run(const Zelt::CancelEventPtr& cancelEvent, const FoundSink& found);

    // The message shown for a result: the network error for a failed search, 0 for none.
    static int MessageId(SearchResult result) {
        return result == SEARCH_FAILED ? Zelt::Text::SearchNetworkError : 0;
    }
    // "The search took N.N seconds", for the status bar.
    static std::string DurationText(std::chrono::milliseconds duration);
};

} // namespace Korvane
