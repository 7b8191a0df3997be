#include "SweepMetrics.h"

#include "admin/StatusEvaluation.h"
#include "protocol/KorvaneInfo.h"

#include <string>

namespace Korvanectl {
namespace {

using Korvane::CExpositionWriter;
using Type = CExpositionWriter::Type;

constexpr const char* kKinds[] = {"full", "status"};
// By result code, then a device that could not be reached.
constexpr const char* kOutcomeNames[] = {"success",      "timeout",     "communication_error",
                                         "device_error", "device_busy", "unreachable"};

double Seconds(std::chrono::duration<double> duration) {
    return duration.count();
}

} // namespace

void SweepMetrics::Started(int nCategory) {
    m_running.reset();
    if (nCategory == Korvane::ID_GETINFO_CATEGORY_ADMIN_NORMAL ||
        nCategory == Korvane::ID_GETINFO_CATEGORY_STATUS) {
        m_running = nCategory == Korvane::ID_GETINFO_CATEGORY_STATUS ? 1 : 0;
        Kind& kind = m_kinds[*m_running];
        kind.started = std::chrono::steady_clock::now();
        kind.startTime = Seconds(std::chrono::system_clock::now().time_since_epoch());
    }
}

void SweepMetrics::Completed(const Korvane::CKorvaneAdminInfoMgr& manager) {
    if (!m_running) {
        return;
    }
    Kind& kind = m_kinds[*m_running];
    m_running.reset();
    kind.duration = Seconds(std::chrono::steady_clock::now() - kind.started);
    kind.devices.fill(0);
    for (const auto& [mac, device] : manager.Devices()) {
        ++kind.devices[Outcome(device)];
    }
    ++kind.nCompleted;
}

size_t SweepMetrics::Outcome(const Korvane::CManagedDevice& device) {
    const int nResult = device.GetResultCode();
    if (Korvane::CStatusEvaluation::IsConnectionError(device)) {
        return kOutcomes - 1;
    }
    // A code this program does not know is the device's doing.
    return nResult >= 0 && nResult < static_cast<int>(kOutcomes) - 1
               ? static_cast<size_t>(nResult)
               : static_cast<size_t>(Korvane::RESULT_DEVICE_ERROR);
}

void SweepMetrics::WriteTimes(CExpositionWriter& writer, const char* pszName, const char* pszHelp,
                              std::optional<double> Kind::*value) const {
    writer.Family(pszName, Type::GAUGE, pszHelp);
    for (size_t nKind = 0; nKind < m_kinds.size(); ++nKind) {
        if (const std::optional<double>& seconds = m_kinds[nKind].*value) {
            writer.Sample({{"kind", kKinds[nKind]}}, *seconds);
        }
    }
}

void SweepMetrics::Write(CExpositionWriter& writer) const {
    WriteTimes(writer, "korvane_sweep_start_timestamp_seconds",
               "Time the last update of all devices started, in seconds since the Unix epoch.",
               &Kind::startTime);
    WriteTimes(writer, "korvane_sweep_duration_seconds",
               "Duration of the last update of all devices in seconds.", &Kind::duration);
    writer.Family("korvane_sweep_devices", Type::GAUGE,
                  "Devices by the outcome of the last update of all devices.");
    for (size_t nKind = 0; nKind < m_kinds.size(); ++nKind) {
        for (size_t nOutcome = 0; m_kinds[nKind].nCompleted != 0 && nOutcome < kOutcomes; ++nOutcome) {
            writer.Sample({{"kind", kKinds[nKind]}, {"outcome", kOutcomeNames[nOutcome]}},
                          m_kinds[nKind].devices[nOutcome]);
        }
    }
    writer.Family("korvane_sweeps_total", Type::COUNTER, "Updates of all devices since the monitor started.");
    for (size_t nKind = 0; nKind < m_kinds.size(); ++nKind) {
        writer.Sample({{"kind", kKinds[nKind]}}, static_cast<double>(m_kinds[nKind].nCompleted));
    }
}

} // namespace Korvanectl
