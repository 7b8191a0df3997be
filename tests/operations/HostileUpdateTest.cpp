// A status update over twenty devices of which seven misbehave, each in its own way: the others
// are updated, the broken answers are failures, the two that never finish are cancelled at once,
// and nothing is left behind: threads, descriptors and memory return to what they were. A fetch
// cancelled by its owner still reports every device, the endless ones as cancelled.
#include "MonitoredDevices.h"
#include "operations/InfoJob.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;

namespace {

const std::map<int, std::string> kHostile = {
    {2, "hostile-length"},    {5, "hostile-short"}, {8, "hostile-base64"}, {11, "hostile-xml"},
    {14, "hostile-noresult"}, {17, "wait-forever"}, {19, "trickle"},
};

// Keeps every device's outcome, by MAC, and the job's end.
class OutcomeSink : public IInfoResultSink {
public:
    void SendResult(const InfoResult& result) override {
        std::lock_guard lock(m_mutex);
        m_outcomes[result.device.GetMacAddress()] = result.nMessage;
        m_changed.notify_all();
    }
    void PostJobEnded() override {
        std::lock_guard lock(m_mutex);
        m_bEnded = true;
        m_changed.notify_all();
    }
    bool WaitForOutcomes(size_t nCount, std::chrono::seconds limit) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_outcomes.size() >= nCount; });
    }
    bool WaitForEnd(std::chrono::seconds limit) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_bEnded; });
    }
    std::map<std::string, int> Outcomes() {
        std::lock_guard lock(m_mutex);
        return m_outcomes;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, int> m_outcomes;
    bool m_bEnded = false;
};

} // namespace

TEST(HostileUpdate, BrokenDevicesFailTheEndlessOnesAreCancelledAndNothingLeaks) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    OperationsTesting::Monitored monitored(*net, 20, "127.86.6.1");
    for (const auto& [nIndex, mode] : kHostile) {
        monitored.sim.Set(nIndex, "mode", mode);
    }
    const size_t nThreads = OperationsTesting::ThreadCount();
    const size_t nDescriptors = OperationsTesting::DescriptorCount();
    const long nResident = OperationsTesting::ResidentKilobytes();

    std::chrono::steady_clock::duration cancelling{};
    {
        std::optional<CUpdateScheduler> scheduler(std::in_place, monitored.manager, monitored.host);
        std::thread owner([&] { monitored.host.owner.Run(); });
        scheduler->OnTimer(CUpdateScheduler::STATUS_TIMER);
        // Thirteen answers and five broken ones come at once; two devices never finish.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (monitored.host.nChanges < 18 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(monitored.host.nChanges, 18);
        const auto start = std::chrono::steady_clock::now();
        scheduler->Shutdown();
        scheduler.reset(); // waits for the job
        cancelling = std::chrono::steady_clock::now() - start;
        monitored.host.owner.Post([&] { monitored.host.owner.Quit(); });
        owner.join();
    }
    EXPECT_LT(cancelling, std::chrono::seconds(3))
        << "endless WAIT and trickling devices are cancelled promptly";

    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("device " + std::to_string(i));
        const int nResult = monitored.Device(i).GetResultCode();
        if (kHostile.count(i) == 0) {
            EXPECT_EQ(nResult, RESULT_SUCCESS);
            EXPECT_FALSE(monitored.Device(i).GetRootNode().SelectNodes("statusinfo").empty());
        } else if (i != 17 && i != 19) {
            EXPECT_NE(nResult, RESULT_SUCCESS) << kHostile.at(i) << " is a failure";
        }
    }
    EXPECT_EQ(OperationsTesting::ThreadCount(), nThreads) << "every worker has ended";
    EXPECT_EQ(OperationsTesting::DescriptorCount(), nDescriptors) << "every socket is closed";
    EXPECT_LT(OperationsTesting::ResidentKilobytes() - nResident, 64 * 1024)
        << "a 4 GiB length is never allocated";
}

TEST(HostileUpdate, ACancelledFetchReportsEveryDeviceTheEndlessOnesAsCancelled) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    OperationsTesting::Monitored monitored(*net, 20, "127.86.7.1");
    for (const auto& [nIndex, mode] : kHostile) {
        monitored.sim.Set(nIndex, "mode", mode);
    }
    std::vector<CManagedDevice> devices;
    for (int i = 0; i < 20; ++i) {
        devices.push_back(monitored.Device(i));
    }
    OutcomeSink sink;
    auto cancelEvent = std::make_shared<Zelt::CancelEvent>();
    const size_t nThreads = OperationsTesting::ThreadCount();
    const size_t nDescriptors = OperationsTesting::DescriptorCount();
    {
        CInfoJob job(sink);
        ASSERT_TRUE(job.Start(ID_GETINFO_CATEGORY_STATUS, devices, cancelEvent));
        ASSERT_TRUE(sink.WaitForOutcomes(18, std::chrono::seconds(30)));
        cancelEvent->Set();
        EXPECT_TRUE(sink.WaitForEnd(std::chrono::seconds(3))) << "the endless devices end at the cancel";
    }
    const std::map<std::string, int> outcomes = sink.Outcomes();
    ASSERT_EQ(outcomes.size(), 20u) << "every device is reported";
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("device " + std::to_string(i));
        const int nMessage = outcomes.at(monitored.Device(i).GetMacAddress());
        if (kHostile.count(i) == 0) {
            EXPECT_EQ(nMessage, INFO_FETCHED);
        } else if (i == 17 || i == 19) {
            EXPECT_EQ(nMessage, INFO_CANCELLED);
        } else {
            EXPECT_NE(nMessage, INFO_FETCHED) << kHostile.at(i);
            EXPECT_NE(nMessage, INFO_CANCELLED) << kHostile.at(i) << " failed before the cancel";
        }
    }
    EXPECT_EQ(OperationsTesting::ThreadCount(), nThreads);
    EXPECT_EQ(OperationsTesting::DescriptorCount(), nDescriptors);
}
