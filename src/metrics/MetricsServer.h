#pragma once

#include "metrics/ListenAddress.h"
#include "support/FileDescriptor.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace Korvane {

// The metrics server could not listen; what() is the system's reason (the caller names the address).
class CMetricsServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Serves the latest published metrics over HTTP/1.1 from a thread of its own: GET (or HEAD)
// /metrics the exposition text, / a page that links it, anything else 404 or 405. Every
// connection is held to a bounded request, one deadline for the whole exchange and one response
// (then the server closes it), so a scraper that stalls, floods or never reads costs a slot for
// a few seconds and never the others their answers. Scrapes read what was published: they ask
// nothing of the devices.
class CMetricsServer {
public:
    struct Limits {
        size_t nMaxRequestBytes = 8192;
        // From the connection's acceptance to the last byte of the answer.
        std::chrono::milliseconds exchangeTimeout{10000};
        size_t nMaxConnections = 64;
    };

    // Listens at once. Throws CMetricsServerError when the address cannot be listened on.
    explicit CMetricsServer(const CListenAddress& address);
    CMetricsServer(const CListenAddress& address, Limits limits);
    // Stops the thread and closes every connection.
    ~CMetricsServer();
    CMetricsServer(const CMetricsServer&) = delete;
    CMetricsServer& operator=(const CMetricsServer&) = delete;

    // The exposition text that the following scrapes get; from any thread.
    void Publish(std::string exposition);
    // The port listened on (the one the system chose when the address asked for port 0).
    uint16_t Port() const { return m_nPort; }

private:
    class Loop;

    std::unique_ptr<Loop> m_loop;
    uint16_t m_nPort = 0;
    std::thread m_thread;
};

} // namespace Korvane
