#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A hand-written device on 127.x.y.z port 51055 for byte-exact tests of the framing: it records
// every connection's bytes and answers each non-empty connection with a fixed byte string. With a
// read delay it leaves each connection unread for that long (a small receive buffer makes the
// client wait to send).
class ScriptedDevice {
public:
    ScriptedDevice(const std::string& address, std::string reply,
                   std::chrono::milliseconds readDelay = std::chrono::milliseconds(0));
    ~ScriptedDevice();

    // The bytes received on each connection, in order (probes give empty strings).
    std::vector<std::string> Connections();

private:
    void Serve();

    int m_fd;
    std::string m_reply;
    std::chrono::milliseconds m_readDelay;
    std::mutex m_mutex;
    std::vector<std::string> m_connections;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
