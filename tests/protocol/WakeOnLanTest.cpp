// Wake-on-LAN goes out by limited broadcast, which only test hosts can carry.
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"
#include "protocol/KorvaneInfo.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;

namespace {

// The datagram travels on its own; the simulator may take a moment to act on it.
std::string PowerAfterAWhile(KorvaneTesting::Simulator& sim, const std::string& expected) {
    std::string power;
    for (int i = 0; i < 40 && power != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        power = sim.State(0).power;
    }
    return power;
}

} // namespace

TEST(WakeOnLan, PowerOnWakesAPoweredOffDeviceByBroadcast) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& deviceHost = net->Device(0);
    KorvaneTesting::Simulator sim(*net, deviceHost,
                                  {"--count", "1", "--base", deviceHost.ipv4, "--http-port", "0"});
    CKorvaneInfo session(deviceHost.ipv4, "");
    net->ThreadIn(net->Admin(), [&] { session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000); })
        .join();
    ASSERT_FALSE(session.GetMacAddress().empty());
    sim.PowerOff(0);
    sim.ClearLog(0);
    ASSERT_EQ(sim.State(0).power, "off");

    net->ThreadIn(net->Admin(), [&] { session.PowerOn(); }).join();
    EXPECT_EQ(session.GetStatus(), STATUS_SUCCESS);
    EXPECT_EQ(PowerAfterAWhile(sim, "on"), "on");
    const std::vector<std::string> log = sim.Log(0);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().rfind("wol", 0), 0u) << log.front();
}

TEST(WakeOnLan, APacketForAnotherMacLeavesTheDeviceOff) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& deviceHost = net->Device(0);
    KorvaneTesting::Simulator sim(*net, deviceHost,
                                  {"--count", "1", "--base", deviceHost.ipv4, "--http-port", "0"});
    sim.PowerOff(0);
    net->ThreadIn(net->Admin(), [] { CKorvaneInfo::SendWakeOnLan("02:00:00:00:00:99"); }).join();
    EXPECT_EQ(PowerAfterAWhile(sim, "on"), "off");
}
