#pragma once

// One epoll loop for the whole simulator: a thousand devices with their listeners and connections are
// served by one thread, never a thread per connection.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace KorvaneSim {

using Clock = std::chrono::steady_clock;

class EventHandler {
public:
    virtual ~EventHandler() = default;
    // Called with the epoll event bits of the handler's descriptor.
    virtual void OnEvent(std::uint32_t events) = 0;
};

class EventLoop {
public:
    using TimerId = std::pair<Clock::time_point, std::uint64_t>;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Watches the descriptor (level-triggered). Events that were already collected for a descriptor
    // that is removed before they are handled are dropped, so a handler may close other handlers'
    // descriptors from its callback.
    void Add(int fd, std::uint32_t events, EventHandler* handler);
    void Modify(int fd, std::uint32_t events);
    void Remove(int fd);

    TimerId AddTimer(std::chrono::milliseconds delay, std::function<void()> callback);
    // Cancelling a timer that has run or was cancelled already does nothing.
    void CancelTimer(const TimerId& id);

    // Destroys the object after the current round of callbacks, when nothing refers to it any more.
    void DeleteLater(std::unique_ptr<EventHandler> handler);

    // Runs until Stop; false when epoll failed.
    bool Run();
    void Stop() { running_ = false; }

private:
    void RunDueTimers();
    int NextTimeoutMs() const;

    int epoll_ = -1;
    bool running_ = false;
    std::uint64_t nextId_ = 1;
    struct Registration {
        std::uint64_t id;
        EventHandler* handler;
    };
    std::unordered_map<int, Registration> byFd_;
    std::unordered_map<std::uint64_t, int> fdById_;
    std::map<TimerId, std::function<void()>> timers_;
    std::vector<std::unique_ptr<EventHandler>> graveyard_;
};

} // namespace KorvaneSim
