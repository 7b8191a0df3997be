#include "operations/InfoJob.h"

#include "operations/InfoFetch.h"
#include "protocol/KorvaneErrors.h"

namespace Korvane {

CInfoJob::~CInfoJob() {
    Wait();
}

bool CInfoJob::Start(int nCategory, std::vector<CManagedDevice> devices, Zelt::CancelEventPtr cancelEvent) {
    if (IsRunning()) {
        return false;
    }
    Wait();
    m_nCategory = nCategory;
    m_devices = std::move(devices);
    m_cancelEvent = std::move(cancelEvent);
    // Counted before the thread starts, so that the owner sees the job running at once.
    ++m_nRunning;
    m_coordinator = std::thread([this] { Coordinate(); });
    return true;
}

void CInfoJob::Wait() {
    if (m_coordinator.joinable()) {
        m_coordinator.join();
    }
}

void CInfoJob::Coordinate() {
    std::vector<std::thread> workers;
    workers.reserve(m_devices.size());
    for (CManagedDevice& device : m_devices) {
        workers.emplace_back([this, &device] { Work(device); });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    --m_nRunning;
    m_sink.PostJobEnded();
}

void CInfoJob::Work(CManagedDevice& device) {
    FetchOutcome outcome = FetchInfo(device, m_nCategory, m_cancelEvent, WORKER_WAIT_MILLISECONDS);
    m_sink.SendResult(InfoResult{outcome.nMessage, m_nCategory, device, std::move(outcome.strErrorCode),
                                 std::move(outcome.strFailure)});
}

} // namespace Korvane
