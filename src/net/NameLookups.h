#pragma once

#include "net/CancelEvent.h"
#include "net/ResolvedAddresses.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace Zelt {

// One name's lookup, shared by every caller that waits for it.
struct NameLookup {
    enum Stage { QUEUED, RUNNING, ANSWERED };

    std::string name;
    Stage stage = QUEUED;
    size_t nWaiters = 0;
    ResolvedAddresses answer;
    std::chrono::steady_clock::time_point answeredAt;
    // A manual-reset event (of the cancel events' kind, so that a caller can poll it beside its
    // own cancel event), set when the answer is in; the lookup lets go of it then.
    std::shared_ptr<CancelEvent> answeredSignal;
};

// The lookups of the name resolver: the names asked for, their answers for a short while, and
// the threads that ask the C library. getaddrinfo cannot be interrupted, so the lookups run on
// detached threads of their own, at most a fixed number at once; a thread keeps its place while
// the C library holds it and ends when nothing waits. The threads share this object by
// shared_ptr, so none of them ever touches what the end of the process has destroyed.
class CNameLookups : public std::enable_shared_from_this<CNameLookups> {
public:
    using Clock = std::chrono::steady_clock;

    // What a caller gets from Join: the answer at once, or a lookup to wait for (with its
    // answered signal) and whether the call started it.
    struct Ticket {
        std::optional<ResolvedAddresses> answer;
        std::shared_ptr<NameLookup> lookup;
        std::shared_ptr<CancelEvent> answeredSignal;
        bool bStarted = false;
    };

    CNameLookups(size_t nMaxThreads, Clock::duration answerLifetime);

    // The answer that came for the name within the answer lifetime, or a lookup of it to wait
    // for: the one under way, else a new one. Throws std::system_error when no event can be made.
    Ticket Join(const std::string& name);
    // The caller stops waiting: the answer when it has come. A queued lookup that nobody waits
    // for any more is dropped unasked.
    std::optional<ResolvedAddresses> Leave(const std::shared_ptr<NameLookup>& lookup);

private:
    std::shared_ptr<NameLookup> Queue(const std::string& name);
    void StartThreadIfNeeded();
    void Serve();
    void ForgetExpiredAnswers(Clock::time_point now);
    bool IsFresh(const NameLookup& lookup, Clock::time_point now) const;

    const size_t m_nMaxThreads;
    const Clock::duration m_answerLifetime;
    std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<NameLookup>> m_lookups;
    std::deque<std::shared_ptr<NameLookup>> m_queue;
    size_t m_nThreads = 0;
    Clock::time_point m_lastExpiry;
};

} // namespace Zelt
