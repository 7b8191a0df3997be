#pragma once

#include "net/CancelEvent.h"
#include "net/ResolvedAddresses.h"

#include <chrono>
#include <cstddef>
#include <string_view>

namespace Zelt {

// The one way the program turns the names of devices into addresses. The system's resolver may
// drop a burst of queries and then wait seconds before it asks again, and getaddrinfo can neither
// be cancelled nor given a time limit; so every lookup goes through this service:
// - address texts are read at once and never reach a name server;
// - at most MAX_LOOKUPS_IN_FLIGHT names are looked up at once in the whole process;
// - an answer serves every caller for ANSWER_LIFETIME after it came (all workers of one update
//   share it, and a name is looked up once per update);
// - a caller waits at most LOOKUP_TIME_LIMIT, and not at all once its cancel event is set; it then
//   gets no addresses, as for a name that does not resolve. A lookup that the C library holds
//   longer keeps its place until it returns, and its answer still serves the next caller.
class CNameResolver {
public:
    static constexpr size_t MAX_LOOKUPS_IN_FLIGHT = 8;
    static constexpr std::chrono::milliseconds LOOKUP_TIME_LIMIT{2000};
    static constexpr std::chrono::seconds ANSWER_LIFETIME{5};

    // The addresses the text stands for: itself when it is an address, else what its name
    // resolves to within the time limit; none when it resolves to nothing, no answer came in
    // time or the event was set.
    static ResolvedAddresses Resolve(std::string_view text, const CancelEventPtr& cancelEvent);
};

} // namespace Zelt
