// Power transitions of korvane-sim: power off, Wake-on-LAN, reboot, and the refuse mode.

#include "DeviceClient.h"
#include "common/Simulator.h"

#include <cerrno>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using KorvaneTesting::Simulator;
using namespace SimTest;
using namespace std::chrono_literals;

bool Refused(const std::string& address) {
    const int fd = Connect(address, 51055);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    return errno == ECONNREFUSED;
}

std::string PowerOff(Simulator& sim, int index, const std::string& address) {
    const std::string key = Authorize(address, sim.Show(index)["password"]);
    const auto reply = Exchange(address, RequestXml("POWEROFF", {{"network", "FALSE"}}, key));
    return reply.empty() ? std::string("no answer") : reply.back().Result();
}

TEST(SimulatorPower, PowerOffRefusesConnectionsUntilAWakeOnLanPacketWithItsMac) {
    Simulator sim({"--count", "2", "--base", "127.0.172.1", "--http-port", "0"});
    const auto devices = sim.Devices();
    ASSERT_EQ(PowerOff(sim, 0, "127.0.172.1"), "OK") << "the answer comes before the power goes";

    EXPECT_TRUE(Refused("127.0.172.1"));
    EXPECT_FALSE(Refused("127.0.172.2")) << "the other device stays on";
    EXPECT_EQ(sim.State(0).power, "off");
    EXPECT_EQ(sim.InfoGet(0, "systeminfo/power"), "OFF");

    // Packets that are not this device's magic packet change nothing.
    SendDatagram("127.0.172.1", 51055, MagicPacket(devices[1].mac));
    SendDatagram("127.0.172.1", 51055, MagicPacket(devices[0].mac).substr(0, 60));
    std::string damaged = MagicPacket(devices[0].mac);
    damaged[50] ^= 1;
    SendDatagram("127.0.172.1", 51055, damaged);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Refused("127.0.172.1"));
    EXPECT_EQ(sim.State(0).power, "off");

    sim.ClearLog(0);
    SendDatagram("127.0.172.1", 51055, MagicPacket(devices[0].mac));
    EXPECT_TRUE(WaitForReachability("127.0.172.1", true, 5s));
    EXPECT_EQ(sim.State(0).power, "on");
    EXPECT_EQ(sim.InfoGet(0, "systeminfo/power"), "ON");
    const auto log = sim.Log(0);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "wol");
    // The key of before the power went off is gone.
    EXPECT_EQ(Exchange("127.0.172.1", RequestXml("GETINFO", {{"category", "KORVANE_STATUS"}}, ""))
                  .at(0)
                  .ErrorParam(),
              "00000003");
}

TEST(SimulatorPower, ALowerCaseMacWakesByItsBytesAndTheControlWakeAlsoWorks) {
    Simulator sim({"--count", "2", "--base", "127.0.173.1", "--http-port", "0"});
    const auto devices = sim.Devices();
    ASSERT_EQ(devices[1].mac, "02:4b:53:00:00:02") << "the default set has a lower-case MAC at index 1";
    ASSERT_EQ(PowerOff(sim, 1, "127.0.173.2"), "OK");
    ASSERT_TRUE(WaitForReachability("127.0.173.2", false, 2s));

    std::string upper = devices[1].mac;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    SendDatagram("127.0.173.2", 51055, MagicPacket(upper));
    EXPECT_TRUE(WaitForReachability("127.0.173.2", true, 5s));

    sim.PowerOff(1);
    EXPECT_TRUE(Refused("127.0.173.2"));
    sim.Wake(1);
    EXPECT_FALSE(Refused("127.0.173.2")) << "the control wake acts at once";
}

TEST(SimulatorPower, RebootIsUnreachableForTheConfiguredTime) {
    Simulator sim({"--count", "1", "--base", "127.0.174.1", "--http-port", "0", "--reboot-seconds", "1"});
    const std::string key = Authorize("127.0.174.1", sim.Show(0)["password"]);
    ASSERT_EQ(Exchange("127.0.174.1", RequestXml("MELODY", {{"command", "on"}}, key)).at(0).Result(), "OK");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Exchange("127.0.174.1", RequestXml("REBOOT", {}, key)).at(0).Result(), "OK");
    EXPECT_TRUE(Refused("127.0.174.1"));
    EXPECT_EQ(sim.State(0).power, "rebooting");
    EXPECT_FALSE(sim.State(0).melody) << "a reboot stops the melody";
    ASSERT_TRUE(WaitForReachability("127.0.174.1", true, 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);
    EXPECT_EQ(sim.State(0).power, "on");
}

TEST(SimulatorPower, SetInfoWithTheShutdownPostProcessPowersOffAfterAnswering) {
    Simulator sim({"--count", "1", "--base", "127.0.175.1", "--http-port", "0"});
    const std::string key = Authorize("127.0.175.1", sim.Show(0)["password"]);
    const std::string eco =
        "<korvaneinfo><system><eco><defaulttime><minute>0</minute></defaulttime></eco></system>"
        "</korvaneinfo>";
    const auto reply = Exchange("127.0.175.1", SetInfoXml(eco, key, true));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].Result(), "OK");
    EXPECT_TRUE(WaitForReachability("127.0.175.1", false, 2s));
    EXPECT_EQ(sim.State(0).power, "off");
    EXPECT_EQ(sim.InfoGet(0, "system/eco/defaulttime/minute"), "0");
}

TEST(SimulatorPower, RefuseModeClosesThePortUntilNormalAgain) {
    Simulator sim({"--count", "1", "--base", "127.0.176.1", "--http-port", "0"});
    sim.Set(0, "mode", "refuse");
    EXPECT_TRUE(Refused("127.0.176.1"));
    EXPECT_EQ(sim.State(0).power, "on") << "refusing is not being off";
    sim.Set(0, "mode", "normal");
    EXPECT_FALSE(Refused("127.0.176.1"));
}

} // namespace
