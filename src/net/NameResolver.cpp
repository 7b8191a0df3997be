#include "net/NameResolver.h"

#include "net/NameLookups.h"
#include "support/Trace.h"

#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <system_error>

namespace Zelt {
namespace {

using Clock = std::chrono::steady_clock;

enum class WaitEnd { ANSWERED, CANCELLED, TIMED_OUT };

CNameLookups& Lookups() {
    // Never destroyed: a caller may still be waiting while the process ends.
    static const auto* const pLookups = new std::shared_ptr<CNameLookups>(
        std::make_shared<CNameLookups>(CNameResolver::MAX_LOOKUPS_IN_FLIGHT, CNameResolver::ANSWER_LIFETIME));
    return **pLookups;
}

// No host name holds a colon, and the C library asks no name server for such text: it is an IPv6
// address or nothing.
bool CannotBeAName(std::string_view text) {
    return text.empty() || text.find(':') != std::string_view::npos;
}

WaitEnd WaitForAnswer(const CancelEvent& answered, const CancelEventPtr& cancelEvent,
                      Clock::time_point deadline) {
    pollfd fds[2] = {{answered.Handle(), POLLIN, 0}, {cancelEvent ? cancelEvent->Handle() : -1, POLLIN, 0}};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (poll(fds, 2, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0))) < 0 &&
            errno == EINTR) {
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return WaitEnd::ANSWERED;
        }
        // Else the cancel, or the limit has run out (or the wait failed: it must not last longer).
        return (fds[1].revents & POLLIN) != 0 ? WaitEnd::CANCELLED : WaitEnd::TIMED_OUT;
    }
}

ResolvedAddresses Answered(const std::string& name, const ResolvedAddresses& answer, const char* pszHow) {
    DebugTrace("CNameResolver: %s: %s (%zu IPv4, %zu IPv6).\n", name.c_str(), pszHow, answer.ipv4.size(),
               answer.ipv6.size());
    return answer;
}

ResolvedAddresses WaitForLookup(const std::string& name, const CNameLookups::Ticket& ticket,
                                const CancelEventPtr& cancelEvent, Clock::time_point deadline) {
    DebugTrace("CNameResolver: %s: %s.\n", name.c_str(),
               ticket.bStarted ? "lookup started" : "waiting for the lookup under way");
    const WaitEnd end = WaitForAnswer(*ticket.answeredSignal, cancelEvent, deadline);
    if (const std::optional<ResolvedAddresses> answer = Lookups().Leave(ticket.lookup)) {
        return Answered(name, *answer, "answered");
    }
    if (end == WaitEnd::CANCELLED) {
        DebugTrace("CNameResolver: %s: cancelled.\n", name.c_str());
    } else {
        DebugTrace("CNameResolver: %s: timed out after %lld ms.\n", name.c_str(),
                   static_cast<long long>(CNameResolver::LOOKUP_TIME_LIMIT.count()));
    }
    return ResolvedAddresses{};
}

} // namespace

ResolvedAddresses CNameResolver::Resolve(std::string_view text, const CancelEventPtr& cancelEvent) {
    const Clock::time_point deadline = Clock::now() + LOOKUP_TIME_LIMIT;
    if (std::optional<ResolvedAddresses> literal =
            ResolvedAddresses::LookUp(text, AF_UNSPEC, AI_NUMERICHOST)) {
        return std::move(*literal);
    }
    if (CannotBeAName(text)) {
        return ResolvedAddresses{};
    }
    const std::string name(text);
    if (cancelEvent && cancelEvent->IsSet()) {
        DebugTrace("CNameResolver: %s: cancelled.\n", name.c_str());
        return ResolvedAddresses{};
    }
    CNameLookups::Ticket ticket;
    try {
        ticket = Lookups().Join(name);
    } catch (const std::system_error& error) {
        DebugTrace("CNameResolver: %s: cannot wait for a lookup: %s\n", name.c_str(), error.what());
        return ResolvedAddresses{};
    }
    if (ticket.answer) {
        return Answered(name, *ticket.answer, "from the cache");
    }
    return WaitForLookup(name, ticket, cancelEvent, deadline);
}

} // namespace Zelt
