#include "EventLoop.h"

#include <cerrno>
#include <stdexcept>
#include <sys/epoll.h>
#include <unistd.h>

namespace KorvaneSim {

EventLoop::EventLoop() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) {
        throw std::runtime_error("epoll_create1 failed");
    }
}

EventLoop::~EventLoop() {
    graveyard_.clear();
    close(epoll_);
}

void EventLoop::Add(int fd, std::uint32_t events, EventHandler* handler) {
    const std::uint64_t id = nextId_++;
    epoll_event event{};
    event.events = events;
    event.data.u64 = id;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) {
        throw std::runtime_error("epoll_ctl ADD failed");
    }
    byFd_[fd] = Registration{id, handler};
    fdById_[id] = fd;
}

void EventLoop::Modify(int fd, std::uint32_t events) {
    auto found = byFd_.find(fd);
    if (found == byFd_.end()) {
        return;
    }
    epoll_event event{};
    event.events = events;
    event.data.u64 = found->second.id;
    epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event);
}

void EventLoop::Remove(int fd) {
    auto found = byFd_.find(fd);
    if (found == byFd_.end()) {
        return;
    }
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    fdById_.erase(found->second.id);
    byFd_.erase(found);
}

EventLoop::TimerId EventLoop::AddTimer(std::chrono::milliseconds delay, std::function<void()> callback) {
    const TimerId id{Clock::now() + delay, nextId_++};
    timers_.emplace(id, std::move(callback));
    return id;
}

void EventLoop::CancelTimer(const TimerId& id) {
    timers_.erase(id);
}

void EventLoop::DeleteLater(std::unique_ptr<EventHandler> handler) {
    graveyard_.push_back(std::move(handler));
}

int EventLoop::NextTimeoutMs() const {
    if (timers_.empty()) {
        return -1;
    }
    const auto wait = timers_.begin()->first.first - Clock::now();
    if (wait <= Clock::duration::zero()) {
        return 0;
    }
    // Round up, so that a timer is never run early and the loop does not spin.
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
}

void EventLoop::RunDueTimers() {
    const auto now = Clock::now();
    // A callback may add or cancel timers, so take one at a time from the front.
    while (!timers_.empty() && timers_.begin()->first.first <= now) {
        auto node = timers_.extract(timers_.begin());
        node.mapped()();
    }
}

bool EventLoop::Run() {
    running_ = true;
    std::vector<epoll_event> events(256);
    while (running_) {
        const int count = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), NextTimeoutMs());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        for (int i = 0; i < count && running_; ++i) {
            auto fd = fdById_.find(events[i].data.u64);
            if (fd == fdById_.end()) {
                continue; // removed by an earlier callback of this round
            }
            byFd_[fd->second].handler->OnEvent(events[i].events);
        }
        graveyard_.clear();
        if (running_) {
            RunDueTimers();
        }
        graveyard_.clear();
    }
    return true;
}

} // namespace KorvaneSim
