#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"
#include "operations/InfoResult.h"

#include <atomic>
#include <thread>
#include <vector>

namespace Korvane {

// Fetches information of one category from a set of devices: a coordinator thread starts one
// worker per device, all at once, reports each outcome through the sink and, when every worker
// has ended, posts the end of the job. The owner keeps one job and must not free it while it
// runs; the destructor waits for a running coordinator.
class CInfoJob {
public:
    static constexpr int WORKER_WAIT_MILLISECONDS = 60000;

    explicit CInfoJob(IInfoResultSink& sink) : m_sink(sink) {}
    ~CInfoJob();
    CInfoJob(const CInfoJob&) = delete;
    CInfoJob& operator=(const CInfoJob&) = delete;

    // False while a previous run is still in progress.
    bool Start(int nCategory, std::vector<CManagedDevice> devices, Zelt::CancelEventPtr cancelEvent);
    bool IsRunning() const { return m_nRunning > 0; }
    // Waits until the coordinator of the last run has ended.
    void Wait();

private:
    void Coordinate();
    void Work(CManagedDevice& device);

    IInfoResultSink& m_sink;
    int m_nCategory = 0;
    std::vector<CManagedDevice> m_devices;
    Zelt::CancelEventPtr m_cancelEvent;
    std::atomic<int> m_nRunning{0};
    std::thread m_coordinator;
};

} // namespace Korvane
