#pragma once

#include "net/CancelEvent.h"
#include "protocol/KorvaneInfo.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace Korvane {

class CDiscoveryClient;

// Outcome of a device's information fetch, as reported.
enum DeviceReportOutcome : int { REPORT_INFO_FETCHED = 0, REPORT_INFO_FAILED = 1 };

// Overall result of a discovery run.
enum DiscoveryResult : int { DISCOVERY_OK = 0, DISCOVERY_FAILED = 1, DISCOVERY_CANCELLED = 2 };

// The three discovery protocols in the order they run.
enum DiscoveryProtocol : int { PROTOCOL_NONE = -1, PROTOCOL_QRX = 0, PROTOCOL_QRX_ALT = 1, PROTOCOL_KAF = 2 };

// Runs the older protocols and then the current one, and turns every device found into a session
// whose basic information has been fetched. Each device is reported as soon as its fetch ended,
// from the worker that handled it; the list does not merge devices that several protocols found.
class CKorvaneInfoList {
public:
    // Called concurrently from the discovery workers.
    using ReportRoutine = std::function<void(int nOutcome, CKorvaneInfo& session)>;

    static constexpr int INFO_WAIT_MILLISECONDS = 30000;

    // 0 ok, 1 every protocol failed, 2 cancelled.
    int Update(Zelt::CancelEventPtr cancelEvent, ReportRoutine report);

    // The sessions of the last run, in the order their workers appended them (read it after
    // Update). Elements stay where they are while the list lives. Their information is dropped
    // once reported: a run may find thousands of devices, and the report routine keeps what it
    // needs.
    const std::deque<CKorvaneInfo>& Sessions() const { return m_sessions; }
    // How one protocol of the last run ended: 0 ok, 1 failed, 2 cancelled.
    int ProtocolResult(DiscoveryProtocol protocol) const { return m_protocolResults[protocol]; }
    // How long the last run took, its three protocols and every device's fetch.
    std::chrono::milliseconds Duration() const { return m_duration; }

    // For progress displays, from any thread: the protocol running now, when its receive wait
    // started anew, and how many devices have been reported.
    DiscoveryProtocol RunningProtocol() const { return m_runningProtocol; }
    std::chrono::steady_clock::time_point SilenceStart() const { return m_silenceStart; }
    int ReportedDevices() const { return m_nReported; }

private:
    int RunProtocol(DiscoveryProtocol protocol);
    void ListSetCallBackKaf(const std::string& reply);
    void ListSetCallBackQrx(const std::string& reply);
    CKorvaneInfo& Append(std::string_view address, std::string_view address2);
    void FetchAndReport(CKorvaneInfo& session);

    std::deque<CKorvaneInfo> m_sessions;
    std::mutex m_mutex;
    Zelt::CancelEventPtr m_cancelEvent;
    ReportRoutine m_report;
    std::atomic<DiscoveryProtocol> m_runningProtocol{PROTOCOL_NONE};
    std::atomic<std::chrono::steady_clock::time_point> m_silenceStart{};
    std::atomic<int> m_nReported{0};
    int m_protocolResults[3] = {DISCOVERY_OK, DISCOVERY_OK, DISCOVERY_OK};
    std::chrono::milliseconds m_duration{0};
};

} // namespace Korvane
