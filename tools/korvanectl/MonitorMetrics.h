#pragma once

#include "SweepMetrics.h"
#include "admin/AdminInfoMgr.h"
#include "metrics/ListenAddress.h"
#include "metrics/MetricsServer.h"

#include <string>

namespace Korvanectl {

// The monitor's metrics server: it serves the exposition of the store's devices and of the
// sweeps as last published. Scrapes read what was published and ask the devices nothing; the
// store is read only here, on its own thread, when the monitor publishes.
class MonitorMetrics {
public:
    // Listens at once; throws CommandError naming the address and the reason when it cannot.
    explicit MonitorMetrics(const Korvane::CListenAddress& address);

    // The address listened on as a URL of the metrics ("http://127.0.0.1:9731/metrics").
    std::string Url() const;
    void SweepStarted(int nCategory) { m_sweeps.Started(nCategory); }
    // A sweep has ended: its outcome and the store as it now is are published.
    void SweepCompleted(const Korvane::CKorvaneAdminInfoMgr& manager);
    void Publish(const Korvane::CKorvaneAdminInfoMgr& manager);

private:
    std::string m_host; // the address without the port: "127.0.0.1", "[::1]"
    Korvane::CMetricsServer m_server;
    SweepMetrics m_sweeps;
};

} // namespace Korvanectl
