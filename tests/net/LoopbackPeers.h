#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

// Plain POSIX peers for the socket tests, so that the classes under test meet independent code.
namespace NetTesting {

// A TCP listener on a loopback address with a port of the system's choice.
class TcpListener {
public:
    // backlog 0 and no accepting: the queue fills after one connection, as a stuck server's does.
    explicit TcpListener(const char* pszAddress = "127.0.0.1", int nBacklog = 16);
    ~TcpListener();

    uint16_t Port() const { return m_nPort; }
    // Accepts one connection (blocking) and returns its descriptor.
    int AcceptOne();
    // Accepts connections on a thread and echoes what each sends until it closes.
    void StartEcho();
    // Accepts one connection on a thread and closes it at once.
    void StartAcceptAndClose();
    // Accepts one connection on a thread, then sends "x" every few milliseconds until stopped.
    void StartFlood();

private:
    int m_fd;
    uint16_t m_nPort;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
};

// A port that nothing listens on right now (a listener was bound and closed).
uint16_t UnusedTcpPort();
uint16_t UnusedUdpPort();

// Sends one UDP datagram from a bound source address to 127.0.0.1:port.
void SendDatagram(const char* pszSource, uint16_t nPort, const std::string& data);

} // namespace NetTesting
