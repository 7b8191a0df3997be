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
#include <functional>
#include <thread>

#include <gtest/gtest.h>

namespace {

using KorvaneHostile::ScratchHome;

// korvanectl in the admin host, with every file of its own in the scratch folder.
std::vector<std::string> Korvanectl(const ScratchHome& home, std::vector<std::string> args) {
    args.insert(args.begin(),
                {home.ConfigHome(), home.StateHome(), home.RuntimeDir(), KorvaneHostile::KorvanectlPath()});
    args.insert(args.end(), {"--settings", home.SettingsPath()});
    return args;
}

// Polls until the condition holds or 30 s have passed; the seconds it took.
double SecondsUntil(const std::function<bool()>& condition) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition() && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(FirmwareUpload, ADeviceThatStopsReadingIsCancelledByCtrlCWithinASecond) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& host = net->Device(0);
    KorvaneTesting::Simulator sim(*net, host, {"--count", "1", "--base", host.ipv4, "--http-port", "0"});
    ScratchHome home;
    ASSERT_EQ(net->RunIn(net->Admin(), "env", Korvanectl(home, {"add", host.ipv4})).exitCode, 0);
    const std::string password = sim.Show(0).at("password") + "\n";
    ASSERT_EQ(net->RunIn(net->Admin(), "env", Korvanectl(home, {"password", "ks-001", "--save"}), password)
                  .exitCode,
              0);
    // Far more than the socket buffers of both ends hold: zeros that cost no disk.
    const std::filesystem::path image = home.Path() + "/image.bin";
    std::ofstream(image).close();
    std::filesystem::resize_file(image, 64u << 20);
    sim.Set(0, "faults", "FWUPDATE");
    sim.Set(0, "mode", "hostile-noread");
    const auto logHas = [&sim](const std::string& prefix) {
        const std::vector<std::string> log = sim.Log(0);
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.starts_with(prefix); });
    };

    KorvaneTesting::HostProcess& upload =
        net->StartIn(net->Admin(), "env", Korvanectl(home, {"firmware", image.string(), "ks-001"}));
    ASSERT_LT(SecondsUntil([&] { return logHas("request FWUPDATE"); }), 30.0) << upload.Output();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(upload.Running()) << "the upload is stuck, not over: " << upload.Output();

    kill(upload.Pid(), SIGINT);
    EXPECT_LT(SecondsUntil([&] { return !upload.Running(); }), 1.0);
    EXPECT_EQ(upload.Stop(), 130) << upload.Output();
    EXPECT_FALSE(logHas("firmware ")) << "the image never arrived whole";
    // The settings lock went with the program: the next change goes through.
    EXPECT_EQ(net->RunIn(net->Admin(), "env", Korvanectl(home, {"interval", "30"})).exitCode, 0);
}
