#include "metrics/MetricsServer.h"

#include "metrics/HttpExchange.h"
#include "support/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace Korvane {
namespace {

using Clock = CHttpExchange::Clock;

// After the system refused a connection (descriptors exhausted), accepting rests this long
// instead of spinning on a listener that stays readable.
constexpr std::chrono::milliseconds kAcceptPause{100};

[[noreturn]] void ThrowSystemError() {
    throw CMetricsServerError(std::strerror(errno));
}

Zelt::CFileDescriptor Listen(const CListenAddress& address) {
    Zelt::CFileDescriptor listener(
        socket(address.Address().ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!listener.IsOpen()) {
        ThrowSystemError();
    }
    // A restarted service must get its port back while old connections linger in TIME_WAIT.
    const int nOn = 1;
    setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof nOn);
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address.Address()), address.Length()) != 0 ||
        listen(listener.Get(), SOMAXCONN) != 0) {
        ThrowSystemError();
    }
    return listener;
}

uint16_t BoundPort(int nSocket) {
    sockaddr_storage bound{};
    socklen_t nLength = sizeof bound;
    getsockname(nSocket, reinterpret_cast<sockaddr*>(&bound), &nLength);
    return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(bound).sin6_port
                                             : reinterpret_cast<const sockaddr_in&>(bound).sin_port);
}

} // namespace

// The server's thread: one poll over the wake-up descriptor, the listener and every exchange.
class CMetricsServer::Loop {
public:
    Loop(Zelt::CFileDescriptor listener, Limits limits)
        : m_listener(std::move(listener)), m_limits(limits), m_wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        if (!m_wake.IsOpen()) {
            ThrowSystemError();
        }
    }

    int Listener() const { return m_listener.Get(); }

    void Run() {
        while (!Stopping()) {
            std::vector<pollfd> waits = Waits();
            poll(waits.data(), waits.size(), PollTimeout());
            const std::shared_ptr<const std::string> exposition = Exposition();
            // The wake-up descriptor first, then the listener when it is waited on, then the exchanges.
            const size_t nFirstExchange = waits.size() - m_exchanges.size();
            for (size_t n = nFirstExchange; n < waits.size(); ++n) {
                if (waits[n].revents != 0) {
                    m_exchanges[n - nFirstExchange].OnReady(waits[n].revents, exposition);
                }
            }
            DropFinished();
            if (nFirstExchange == 2 && (waits[1].revents & POLLIN) != 0) {
                Accept();
            }
        }
    }

    void Stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        const uint64_t nOne = 1;
        [[maybe_unused]] const ssize_t nWritten = write(m_wake.Get(), &nOne, sizeof nOne);
    }

    void Publish(std::string exposition) {
        auto published = std::make_shared<const std::string>(std::move(exposition));
        const std::lock_guard lock(m_mutex);
        m_exposition = std::move(published);
    }

private:
    bool Stopping() {
        const std::lock_guard lock(m_mutex);
        return m_bStop;
    }

    std::shared_ptr<const std::string> Exposition() {
        const std::lock_guard lock(m_mutex);
        return m_exposition;
    }

    std::vector<pollfd> Waits() const {
        std::vector<pollfd> waits{{m_wake.Get(), POLLIN, 0}};
        if (m_exchanges.size() < m_limits.nMaxConnections && Clock::now() >= m_acceptResumes) {
            waits.push_back({m_listener.Get(), POLLIN, 0});
        }
        for (const CHttpExchange& exchange : m_exchanges) {
            waits.push_back({exchange.Socket(), exchange.Events(), 0});
        }
        return waits;
    }

    // Until the nearest deadline of an exchange (or the end of an accept pause); for ever without.
    int PollTimeout() const {
        std::optional<Clock::time_point> wake;
        for (const CHttpExchange& exchange : m_exchanges) {
            wake = std::min(wake.value_or(exchange.Deadline()), exchange.Deadline());
        }
        if (Clock::now() < m_acceptResumes) {
            wake = std::min(wake.value_or(m_acceptResumes), m_acceptResumes);
        }
        if (!wake) {
            return -1;
        }
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(remaining.count(), 0));
    }

    void DropFinished() {
        const Clock::time_point now = Clock::now();
        std::erase_if(m_exchanges, [now](const CHttpExchange& exchange) {
            return exchange.IsFinished() || now >= exchange.Deadline();
        });
    }

    void Accept() {
        while (m_exchanges.size() < m_limits.nMaxConnections) {
            Zelt::CFileDescriptor socket(
                accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!socket.IsOpen()) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                    Zelt::DebugTrace("metrics: accept failed: %s", std::strerror(errno));
                    m_acceptResumes = Clock::now() + kAcceptPause;
                }
                return;
            }
            m_exchanges.emplace_back(std::move(socket), Clock::now() + m_limits.exchangeTimeout,
                                     m_limits.nMaxRequestBytes);
        }
    }

    Zelt::CFileDescriptor m_listener;
    Limits m_limits;
    Zelt::CFileDescriptor m_wake;
    std::vector<CHttpExchange> m_exchanges;
    Clock::time_point m_acceptResumes;
    std::mutex m_mutex;
    bool m_bStop = false;
    std::shared_ptr<const std::string> m_exposition = std::make_shared<const std::string>();
};

CMetricsServer::CMetricsServer(const CListenAddress& address) : CMetricsServer(address, Limits{}) {}

CMetricsServer::CMetricsServer(const CListenAddress& address, Limits limits)
    : m_loop(std::make_unique<Loop>(Listen(address), limits)), m_nPort(BoundPort(m_loop->Listener())),
      m_thread([this] { m_loop->Run(); }) {}

CMetricsServer::~CMetricsServer() {
    m_loop->Stop();
    m_thread.join();
}

void CMetricsServer::Publish(std::string exposition) {
    m_loop->Publish(std::move(exposition));
}

} // namespace Korvane
