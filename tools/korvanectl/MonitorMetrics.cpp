#include "MonitorMetrics.h"

#include "DeviceMetrics.h"
#include "Message.h"
#include "StoreAccess.h"
#include "metrics/ExpositionWriter.h"

namespace Korvanectl {

MonitorMetrics::MonitorMetrics(const Korvane::CListenAddress& address) try
    : m_host(address.Text().substr(0, address.Text().rfind(':'))), m_server(address) {
} catch (const Korvane::CMetricsServerError& error) {
    throw CommandError(Message(Zelt::Text::CliMetricsCannotListen, {address.Text(), error.what()}));
}

// With port 0 the system chose the port: the URL names the one it chose.
std::string MonitorMetrics::Url() const {
    return "http://" + m_host + ':' + std::to_string(m_server.Port()) + "/metrics";
}

void MonitorMetrics::SweepCompleted(const Korvane::CKorvaneAdminInfoMgr& manager) {
    m_sweeps.Completed(manager);
    Publish(manager);
}

void MonitorMetrics::Publish(const Korvane::CKorvaneAdminInfoMgr& manager) {
    Korvane::CExpositionWriter writer;
    DeviceMetrics::Write(manager, writer);
    m_sweeps.Write(writer);
    m_server.Publish(writer.Text());
}

} // namespace Korvanectl
