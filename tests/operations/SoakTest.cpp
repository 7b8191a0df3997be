// Two hundred status updates over two hundred devices in one process: threads and descriptors
// come back to their number, and the memory settles instead of growing with every sweep.
#include "MonitoredDevices.h"

#include <optional>

#include <gtest/gtest.h>

using namespace Korvane;

TEST(Soak, TwoHundredStatusSweepsOverTwoHundredDevicesLeaveNothingBehind) {
    // Every poll looks the device's host name up first: in a device host, where they fail at once,
    // 40,000 lookups never reach the machine's name server.
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const auto inHost = net->EnterHost(net->Device(0));
    KorvaneTesting::Simulator sim(*net, net->Device(0),
                                  {"--count", "200", "--base", "127.86.8.1", "--http-port", "0"});
    CKorvaneAdminInfoMgr manager;
    OperationsTesting::ManageSimulated(manager, sim);
    OperationsTesting::RecordingHost host;
    const size_t nThreads = OperationsTesting::ThreadCount();
    const size_t nDescriptors = OperationsTesting::DescriptorCount();
    std::optional<CUpdateScheduler> scheduler(std::in_place, manager, host);
    long nResidentAfter20 = 0;
    for (int nSweep = 1; nSweep <= 200; ++nSweep) {
        scheduler->OnTimer(CUpdateScheduler::STATUS_TIMER);
        host.owner.Run();
        ASSERT_EQ(scheduler->Activity(), 0) << "sweep " << nSweep << " ended";
        if (nSweep == 20) {
            nResidentAfter20 = OperationsTesting::ResidentKilobytes();
        }
    }
    // The last sweep's coordinator may still be on its way out; the scheduler's end waits for it.
    scheduler.reset();
    EXPECT_EQ(host.nChanges, 200 * 200) << "one result per device and sweep";
    EXPECT_EQ(OperationsTesting::ThreadCount(), nThreads);
    EXPECT_EQ(OperationsTesting::DescriptorCount(), nDescriptors);
    const long nResidentAfter200 = OperationsTesting::ResidentKilobytes();
    EXPECT_LE(nResidentAfter200, nResidentAfter20 * 11 / 10)
        << "after sweep 20: " << nResidentAfter20 << " kB, after sweep 200: " << nResidentAfter200 << " kB";
    for (const auto& [mac, device] : manager.Devices()) {
        EXPECT_EQ(device.GetResultCode(), RESULT_SUCCESS) << mac;
    }
}
