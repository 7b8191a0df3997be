// How quickly a cancel reaches a blocked read, and what a connection costs on loopback: every
// poll of every device opens at least one connection.
#include "net/CancelEvent.h"
#include "net/SocketErrors.h"
#include "net/StrmCltSocket.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using Clock = std::chrono::steady_clock;

// A loopback listener that accepts and keeps the latest connections open until it goes.
class Listener {
public:
    Listener() : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_fd, 128);
        socklen_t nLength = sizeof address;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &nLength);
        m_nPort = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            for (int fd; (fd = accept(m_fd, nullptr, nullptr)) >= 0;) {
                if (m_accepted.size() == kKeptConnections) {
                    close(m_accepted.front());
                    m_accepted.erase(m_accepted.begin());
                }
                m_accepted.push_back(fd);
            }
        });
    }
    ~Listener() {
        shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        close(m_fd);
        for (int fd : m_accepted) {
            close(fd);
        }
    }
    uint16_t Port() const { return m_nPort; }

private:
    static constexpr size_t kKeptConnections = 16;
    int m_fd;
    uint16_t m_nPort = 0;
    std::thread m_thread;
    std::vector<int> m_accepted;
};

void BM_CancelReachesABlockedRead(benchmark::State& state) {
    Listener listener;
    for (auto _ : state) {
        auto event = std::make_shared<Zelt::CancelEvent>();
        Zelt::CStrmCltSocket socket(AF_INET, event, 30000);
        socket.Open("127.0.0.1", listener.Port());
        std::atomic<int64_t> setAt{0};
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            setAt = Clock::now().time_since_epoch().count();
            event->Set();
        });
        char buffer[1];
        try {
            socket.Read(buffer, sizeof buffer, nullptr, nullptr);
        } catch (const Zelt::CSocketEvent&) {
        }
        const int64_t returnedAt = Clock::now().time_since_epoch().count();
        canceller.join();
        state.SetIterationTime(std::chrono::duration<double>(Clock::duration(returnedAt - setAt)).count());
    }
}
BENCHMARK(BM_CancelReachesABlockedRead)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

void BM_ConnectAndCloseOnLoopback(benchmark::State& state) {
    Listener listener;
    for (auto _ : state) {
        Zelt::CStrmCltSocket socket(AF_INET, nullptr, 30000);
        socket.Open("127.0.0.1", listener.Port());
        socket.Close();
    }
}
BENCHMARK(BM_ConnectAndCloseOnLoopback)->Unit(benchmark::kMicrosecond)->Iterations(2000);

} // namespace
