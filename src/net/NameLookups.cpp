#include "net/NameLookups.h"

#include "support/Trace.h"

#include <algorithm>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <utility>

namespace Zelt {
namespace {

// A lookup that fails in any way answers with nothing: the thread must not end the program.
ResolvedAddresses AskTheCLibrary(const std::string& name) {
    try {
        return ResolvedAddresses::LookUp(name, AF_UNSPEC, 0).value_or(ResolvedAddresses{});
    } catch (const std::exception&) {
        return ResolvedAddresses{};
    }
}

} // namespace

CNameLookups::CNameLookups(size_t nMaxThreads, Clock::duration answerLifetime)
    : m_nMaxThreads(nMaxThreads), m_answerLifetime(answerLifetime) {}

CNameLookups::Ticket CNameLookups::Join(const std::string& name) {
    std::lock_guard lock(m_mutex);
    const Clock::time_point now = Clock::now();
    if (const auto found = m_lookups.find(name); found != m_lookups.end()) {
        NameLookup& lookup = *found->second;
        if (lookup.stage != NameLookup::ANSWERED) {
            ++lookup.nWaiters;
            return Ticket{std::nullopt, found->second, lookup.answeredSignal, false};
        }
        if (IsFresh(lookup, now)) {
            return Ticket{lookup.answer, nullptr, nullptr, false};
        }
    }
    ForgetExpiredAnswers(now);
    std::shared_ptr<NameLookup> lookup = Queue(name);
    return Ticket{std::nullopt, lookup, lookup->answeredSignal, true};
}

std::optional<ResolvedAddresses> CNameLookups::Leave(const std::shared_ptr<NameLookup>& lookup) {
    std::lock_guard lock(m_mutex);
    --lookup->nWaiters;
    if (lookup->stage == NameLookup::ANSWERED) {
        return lookup->answer;
    }
    if (lookup->stage == NameLookup::QUEUED && lookup->nWaiters == 0) {
        // Nobody needs it any more: the name server is not asked for it.
        std::erase(m_queue, lookup);
        m_lookups.erase(lookup->name);
    }
    return std::nullopt;
}

std::shared_ptr<NameLookup> CNameLookups::Queue(const std::string& name) {
    auto lookup = std::make_shared<NameLookup>();
    lookup->name = name;
    lookup->nWaiters = 1;
    lookup->answeredSignal = std::make_shared<CancelEvent>();
    m_lookups.insert_or_assign(name, lookup);
    m_queue.push_back(lookup);
    StartThreadIfNeeded();
    return lookup;
}

// Every thread is busy with a lookup or about to take the next one, so a queued lookup needs a
// new thread while there are fewer than the limit.
void CNameLookups::StartThreadIfNeeded() {
    if (m_nThreads >= m_nMaxThreads) {
        return;
    }
    try {
        std::thread([self = shared_from_this()] { self->Serve(); }).detach();
        ++m_nThreads;
    } catch (const std::system_error& error) {
        // The lookup waits for a running thread, or its callers for their time limit.
        DebugTrace("CNameLookups: no thread for a lookup: %s\n", error.what());
    }
}

void CNameLookups::Serve() {
    std::unique_lock lock(m_mutex);
    while (!m_queue.empty()) {
        const std::shared_ptr<NameLookup> lookup = std::move(m_queue.front());
        m_queue.pop_front();
        lookup->stage = NameLookup::RUNNING;
        lock.unlock();
        ResolvedAddresses answer = AskTheCLibrary(lookup->name);
        lock.lock();
        // Filled in also when every caller has given up: the next one finds it.
        lookup->answer = std::move(answer);
        lookup->stage = NameLookup::ANSWERED;
        lookup->answeredAt = Clock::now();
        std::exchange(lookup->answeredSignal, nullptr)->Set();
    }
    --m_nThreads;
}

void CNameLookups::ForgetExpiredAnswers(Clock::time_point now) {
    if (now - m_lastExpiry < m_answerLifetime) {
        return;
    }
    m_lastExpiry = now;
    std::erase_if(m_lookups, [this, now](const auto& entry) {
        return entry.second->stage == NameLookup::ANSWERED && !IsFresh(*entry.second, now);
    });
}

bool CNameLookups::IsFresh(const NameLookup& lookup, Clock::time_point now) const {
    return now - lookup.answeredAt < m_answerLifetime;
}

} // namespace Zelt
