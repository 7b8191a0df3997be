#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace Zelt {

// Runs functions on the thread that owns some state, on behalf of worker threads: Send blocks the
// worker until its function has run there, Post does not wait. It is what window messages are to
// the desktop program, for korvanectl and the tests.
class CCallQueue {
public:
    void Send(std::function<void()> call);
    void Post(std::function<void()> call);

    // On the owning thread: runs the queued calls, waiting for more, until one of them returns
    // with Quit() called. A call that throws ends Run with its exception (its sender returns).
    void Run();
    // Makes Run return after the current call; call it from a posted function.
    void Quit() { m_bQuit = true; }

private:
    // What a sender waits on: its own, so that finishing one call wakes one sender, not all.
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool bDone = false;
    };
    struct ReleaseSender {
        Completion* pCompletion;
        ~ReleaseSender();
    };
    struct Entry {
        std::function<void()> call;
        Completion* pCompletion = nullptr; // for a sent call
    };

    std::mutex m_mutex;
    std::condition_variable m_changed; // only the owning thread waits on it
    std::deque<Entry> m_entries;
    bool m_bQuit = false;
};

} // namespace Zelt
