// Looks up COUNT host names that no name server knows, all at once, one thread each (as a fleet of
// device polls does), and prints how many lookups there were, how many a name server answered
// (that there is no such name), how many waited for the C library's retry after a lost query
// (5 s), and the slowest one:
//   korvane-lookup-burst COUNT
//   lookups=1000 answered=1000 retried=641 slowest_ms=10038
// Run inside a test host, it asks that host's name server only.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <latch>
#include <netdb.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Milliseconds = std::chrono::milliseconds;

// Nothing answers faster than this after a lost query; an answered one takes milliseconds.
constexpr Milliseconds kRetryWait{4500};

struct Lookup {
    bool answered = false;
    Milliseconds duration{};
};

Lookup TimedLookup(const std::string& name) {
    const auto start = std::chrono::steady_clock::now();
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pResults = nullptr;
    const int nResult = getaddrinfo(name.c_str(), nullptr, &hints, &pResults);
    if (nResult == 0) {
        freeaddrinfo(pResults);
    }
    // Without an answer (no server, or every try lost) the C library says EAI_AGAIN.
    return {nResult == 0 || nResult == EAI_NONAME,
            std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start)};
}

// Every lookup holds a socket and briefly the resolver's files; under a common limit of 1024
// descriptors, lookups of a burst would fail at once for want of one and hide the lost queries.
void AllowDescriptorsFor(int nCount) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return;
    }
    const rlim_t wanted = 4 * static_cast<rlim_t>(nCount) + 64;
    limit.rlim_cur = std::max(limit.rlim_max, wanted);
    limit.rlim_max = limit.rlim_cur;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) { // above the hard limit only with the privilege
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int nCount = argc == 2 ? std::atoi(argv[1]) : 0;
    if (nCount <= 0 || nCount > 10000) {
        std::fprintf(stderr, "usage: korvane-lookup-burst COUNT (1..10000)\n");
        return 2;
    }
    AllowDescriptorsFor(nCount);
    std::vector<Lookup> lookups(static_cast<size_t>(nCount));
    std::latch ready(nCount);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < nCount; ++i) {
            threads.emplace_back([&, i] {
                // Names of this run alone, so no cache has them.
                const std::string name =
                    "burst-" + std::to_string(getpid()) + "-" + std::to_string(i) + ".test";
                ready.arrive_and_wait();
                lookups[static_cast<size_t>(i)] = TimedLookup(name);
            });
        }
    }
    long nAnswered = 0;
    long nRetried = 0;
    Milliseconds slowest{};
    for (const Lookup& lookup : lookups) {
        nAnswered += lookup.answered ? 1 : 0;
        nRetried += lookup.duration >= kRetryWait ? 1 : 0;
        slowest = std::max(slowest, lookup.duration);
    }
    std::printf("lookups=%d answered=%ld retried=%ld slowest_ms=%lld\n", nCount, nAnswered, nRetried,
                static_cast<long long>(slowest.count()));
    return 0;
}
