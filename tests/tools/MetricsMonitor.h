#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace KorvanectlTesting {

// `korvanectl monitor --metrics 127.0.0.1:0` over a settings file, its output in a log beside
// it; the port is the one the monitor says it serves at. The monitor is stopped as a service
// manager stops it (SIGTERM; SIGKILL when it does not end) when the object goes.
class MetricsMonitor {
public:
    // Returns once the monitor serves; Port() is 0 when it never said so within the time.
    MetricsMonitor(const std::string& settings, const std::vector<std::string>& environment = {});
    ~MetricsMonitor();
    MetricsMonitor(const MetricsMonitor&) = delete;
    MetricsMonitor& operator=(const MetricsMonitor&) = delete;

    uint16_t Port() const { return m_nPort; }
    std::string Log() const;

private:
    std::string m_log;
    pid_t m_pid = -1;
    uint16_t m_nPort = 0;
};

} // namespace KorvanectlTesting
