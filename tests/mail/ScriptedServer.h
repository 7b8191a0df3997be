#pragma once

#include "ScriptedSession.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace MailTesting {

// A hand-written server on 127.84.0.1 (the mail tests' loopback range), or another loopback
// address, with a port of the system's choice. One thread accepts connections one after another and runs the
// script on each; what the client sent on each connection is kept.
class ScriptedServer {
public:
    using Script = std::function<void(ScriptedSession&)>;
    using Clock = std::chrono::steady_clock;

    static constexpr const char* ADDRESS = "127.84.0.1";

    explicit ScriptedServer(Script script, const char* pszAddress = ADDRESS);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return m_port; }
    // What each connection received, once the connection that is running (if any) has ended.
    // Values that the script stored are safe to read after this.
    std::vector<std::string> Transcripts();
    // When each connection was accepted.
    std::vector<Clock::time_point> AcceptTimes();

private:
    void Serve();
    void WaitWhileBusy(std::unique_lock<std::mutex>& lock);

    int m_fd;
    uint16_t m_port = 0;
    Script m_script;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_busy = false;
    std::vector<std::string> m_transcripts;
    std::vector<Clock::time_point> m_acceptTimes;
    std::thread m_thread;
};

} // namespace MailTesting
