// A device that stops reading during a firmware upload: Ctrl-C still ends korvanectl at once and
// leaves the settings free for the next command.
#include "HostileLan.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;
using KorvaneHostile::ScratchHome;
using KorvaneTesting::HostProcess;
using KorvaneTesting::Simulator;
using KorvaneTesting::TestHost;
using KorvaneTesting::TestNetwork;

// korvanectl in the admin host, with every file of its own in the scratch folder.
std::vector<std::string> Korvanectl(const ScratchHome& home, std::vector<std::string> args) {
    args.insert(args.begin(),
                {home.ConfigHome(), home.StateHome(), home.RuntimeDir(), KorvaneHostile::KorvanectlPath()});
    args.insert(args.end(), {"--settings", home.SettingsPath()});
    return args;
}

bool HasLogLine(Simulator& sim, const std::string& prefix) {
    const std::vector<std::string> log = sim.Log(0);
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

bool WaitForLogLine(Simulator& sim, const std::string& prefix, std::chrono::seconds timeout) {
    for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline;) {
        if (HasLogLine(sim, prefix)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

double SecondsUntilEnd(HostProcess& process, std::chrono::seconds limit) {
    const Clock::time_point start = Clock::now();
    while (process.Running() && Clock::now() - start < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST(FirmwareUpload, ADeviceThatStopsReadingIsCancelledByCtrlCWithinASecond) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    Simulator sim(*net, host, {"--count", "1", "--base", host.ipv4, "--http-port", "0"});
    ScratchHome home;
    ASSERT_EQ(net->RunIn(net->Admin(), "env", Korvanectl(home, {"add", host.ipv4})).exitCode, 0);
    ASSERT_EQ(net->RunIn(net->Admin(), "env", Korvanectl(home, {"password", "ks-001", "--save"}),
                         sim.Show(0).at("password") + "\n")
                  .exitCode,
              0);
    // Far more than the socket buffers of both ends hold: zeros that cost no disk.
    const std::filesystem::path image = home.Path() + "/image.bin";
    std::ofstream(image).close();
    std::filesystem::resize_file(image, 64u << 20);
    sim.Set(0, "faults", "FWUPDATE");
    sim.Set(0, "mode", "hostile-noread");

    HostProcess& upload =
        net->StartIn(net->Admin(), "env", Korvanectl(home, {"firmware", image.string(), "ks-001"}));
    ASSERT_TRUE(WaitForLogLine(sim, "request FWUPDATE", std::chrono::seconds(30))) << upload.Output();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(upload.Running()) << "the upload is stuck, not over: " << upload.Output();

    kill(upload.Pid(), SIGINT);
    EXPECT_LT(SecondsUntilEnd(upload, std::chrono::seconds(30)), 1.0);
    EXPECT_EQ(upload.Stop(), 130) << upload.Output();
    EXPECT_FALSE(HasLogLine(sim, "firmware ")) << "the image never arrived whole";

    // The settings lock went with the program: the next change goes through.
    const auto interval = net->RunIn(net->Admin(), "env", Korvanectl(home, {"interval", "30"}));
    EXPECT_EQ(interval.exitCode, 0) << interval.err;
}
