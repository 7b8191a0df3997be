// Two hundred status updates over two hundred devices in one process: threads and descriptors
// come back to their number, and the memory settles instead of growing with every sweep.
#include "MonitoredDevices.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

using namespace Korvane;

namespace {

size_t Count(const char* pszFolder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(pszFolder), std::filesystem::directory_iterator()));
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

} // namespace

TEST(Soak, TwoHundredStatusSweepsOverTwoHundredDevicesLeaveNothingBehind) {
    KorvaneTesting::Simulator sim({"--count", "200", "--base", "127.86.8.1", "--http-port", "0"});
    // Every poll resolves the device's host name first; names that are address literals keep a
    // name server that drops bursts of queries out of the measurement.
    for (const KorvaneTesting::SimulatedDevice& device : sim.Devices()) {
        sim.Set(device.index, "hostname", device.ipv4);
    }
    CKorvaneAdminInfoMgr manager;
    OperationsTesting::ManageSimulated(manager, sim);
    OperationsTesting::RecordingHost host;
    CUpdateScheduler scheduler(manager, host);
    const size_t nThreads = Count("/proc/self/task");
    const size_t nDescriptors = Count("/proc/self/fd");
    long nResidentAfter20 = 0;
    for (int nSweep = 1; nSweep <= 200; ++nSweep) {
        scheduler.OnTimer(CUpdateScheduler::STATUS_TIMER);
        host.owner.Run();
        ASSERT_EQ(scheduler.Activity(), 0) << "sweep " << nSweep << " ended";
        if (nSweep == 20) {
            nResidentAfter20 = ResidentKilobytes();
        }
    }
    EXPECT_EQ(host.nChanges, 200 * 200) << "one result per device and sweep";
    EXPECT_EQ(Count("/proc/self/task"), nThreads);
    EXPECT_EQ(Count("/proc/self/fd"), nDescriptors);
    const long nResidentAfter200 = ResidentKilobytes();
    EXPECT_LE(nResidentAfter200, nResidentAfter20 * 11 / 10)
        << "after sweep 20: " << nResidentAfter20 << " kB, after sweep 200: " << nResidentAfter200 << " kB";
    for (const auto& [mac, device] : manager.Devices()) {
        EXPECT_EQ(device.GetResultCode(), RESULT_SUCCESS) << mac;
    }
}
