// A status update over twenty devices of which seven misbehave, each in its own way: the others
// are updated, the broken answers are failures, the two that never finish are cancelled at once,
// and nothing is left behind: threads, descriptors and memory return to what they were.
#include "MonitoredDevices.h"

#include <chrono>
#include <map>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;

namespace {

const std::map<int, std::string> kHostile = {
    {2, "hostile-length"},    {5, "hostile-short"}, {8, "hostile-base64"}, {11, "hostile-xml"},
    {14, "hostile-noresult"}, {17, "wait-forever"}, {19, "trickle"},
};

} // namespace

TEST(HostileUpdate, BrokenDevicesFailTheEndlessOnesAreCancelledAndNothingLeaks) {
    OperationsTesting::Monitored monitored(20, "127.86.6.1");
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
