#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A hand-written device on 127.x.y.z port 51055 for byte-exact tests of the framing: it records
// every connection's bytes and answers each non-empty connection with a fixed byte string.
class ScriptedDevice {
public:
    ScriptedDevice(const std::string& address, std::string reply);
    ~ScriptedDevice();

    // The bytes received on each connection, in order (probes give empty strings).
    std::vector<std::string> Connections();

private:
    void Serve();

    int m_fd;
    std::string m_reply;
    std::mutex m_mutex;
    std::vector<std::string> m_connections;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
