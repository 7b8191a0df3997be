// korvanectl update over simulated devices whose host names a name server of the test's own
// answers, all inside one test host: one sweep looks each name up once and at most eight names
// at a time, a name without an answer leaves its device to be asked at its stored address after
// the time limit, and Ctrl-C during such a lookup ends the update at once. The update asks every
// device at once even when the session's soft descriptor limit is lower than that needs.
#include "ScriptedNameServer.h"
#include "common/Simulator.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <stdlib.h>
#include <thread>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Simulated devices on the admin host's own loopback (127.0.1.1 and up), each under the host name
// given, managed with their password by korvanectl in a scratch folder of the test's own.
class NamedFleet {
public:
    static constexpr const char* PASSWORD = "sweep-pw";

    NamedFleet(KorvaneTesting::TestNetwork& net, const std::vector<std::string>& names)
        : dns(net, net.Admin()), sim(net, net.Admin(),
                                     {"--count", std::to_string(names.size()), "--base", Address(0),
                                      "--http-port", "0", "--password", PASSWORD}),
          m_net(net), m_folder(MakeFolder()) {
        std::vector<std::string> add = {"add"};
        std::vector<std::string> password = {"password"};
        for (size_t i = 0; i < names.size(); ++i) {
            sim.Set(static_cast<int>(i), "hostname", names[i]);
            add.push_back(Address(static_cast<int>(i)));
            password.push_back(sim.Show(static_cast<int>(i)).at("mac"));
        }
        password.push_back("--save");
        const ProcessResult added = Korvanectl(add);
        EXPECT_EQ(added.exitCode, 0) << added.err;
        EXPECT_EQ(Korvanectl(password, std::string(PASSWORD) + "\n").exitCode, 0);
        for (size_t i = 0; i < names.size(); ++i) {
            sim.ClearLog(static_cast<int>(i));
        }
    }
    ~NamedFleet() { std::filesystem::remove_all(m_folder); }

    static std::string Address(int i) { return "127.0.1." + std::to_string(i + 1); }

    ProcessResult Korvanectl(const std::vector<std::string>& args, const std::string& input = "") const {
        return m_net.RunIn(m_net.Admin(), "env", Command(args), input);
    }
    // Started with a soft descriptor limit below what the fleet's connections need at once.
    ProcessResult KorvanectlWithFewDescriptors(const std::vector<std::string>& args) const {
        std::vector<std::string> command = Command(args);
        command.insert(command.begin(), {"--nofile=24:", "env"});
        return m_net.RunIn(m_net.Admin(), "prlimit", command);
    }
    KorvaneTesting::HostProcess& StartKorvanectl(const std::vector<std::string>& args) {
        return m_net.StartIn(m_net.Admin(), "env", Command(args));
    }
    bool AskedForInformation(int i) {
        const std::vector<std::string> log = sim.Log(i);
        return std::any_of(log.begin(), log.end(),
                           [](const std::string& line) { return line.starts_with("request GETINFO"); });
    }

    KorvaneTesting::ScriptedNameServer dns;
    KorvaneTesting::Simulator sim;

private:
    static std::string MakeFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-sweep-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch folder");
        }
        return pattern;
    }
    std::vector<std::string> Command(const std::vector<std::string>& args) const {
        std::vector<std::string> command = {"XDG_CONFIG_HOME=" + m_folder, "XDG_STATE_HOME=" + m_folder,
                                            "XDG_RUNTIME_DIR=" + m_folder, KORVANECTL_PATH};
        command.insert(command.end(), args.begin(), args.end());
        command.insert(command.end(), {"--settings", m_folder + "/settings"});
        return command;
    }

    KorvaneTesting::TestNetwork& m_net;
    std::string m_folder;
};

} // namespace

TEST(NameLookupSweep, EachNameIsLookedUpOnceAndAtMostEightAtATime) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    constexpr int kDevices = 40;
    constexpr int kOwnNames = 24; // the others share one name
    std::vector<std::string> names;
    for (int i = 0; i < kDevices; ++i) {
        names.push_back(i < kOwnNames ? "kd-" + std::to_string(i) + ".lan" : "kd-shared.lan");
    }
    NamedFleet fleet(*net, names);
    EXPECT_EQ(fleet.dns.Queries(), 0) << "devices added by address look nothing up";
    for (int i = 0; i < kOwnNames; ++i) {
        fleet.dns.Answer(names[i], NamedFleet::Address(i));
    }
    // Nothing listens there: those devices are asked at their own addresses next.
    fleet.dns.Answer("kd-shared.lan", "127.0.9.9");
    fleet.dns.SetDelay(200ms);

    const ProcessResult update = fleet.KorvanectlWithFewDescriptors({"update", "--status"});
    ASSERT_EQ(update.exitCode, 0) << update.err;
    EXPECT_EQ(fleet.dns.PeakNamesInFlight(), 8);
    for (const std::string& name : std::set<std::string>(names.begin(), names.end())) {
        EXPECT_EQ(fleet.dns.Lookups(name), 1) << name;
    }
    for (int i = 0; i < kDevices; ++i) {
        EXPECT_TRUE(fleet.AskedForInformation(i)) << names[i];
    }
}

TEST(NameLookupSweep, ANameWithoutAnswerLeavesTheDeviceToItsAddressAndCtrlCEndsTheUpdateAtOnce) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    NamedFleet fleet(*net, {"kd-silent.lan"});
    fleet.dns.Hold("kd-silent.lan");

    const Clock::time_point start = Clock::now();
    const ProcessResult update = fleet.Korvanectl({"update", "--status"});
    const double seconds = SecondsSince(start);
    EXPECT_EQ(update.exitCode, 0) << update.err;
    EXPECT_TRUE(fleet.AskedForInformation(0));
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 4.5) << "the C library alone asks again after 5 s";

    KorvaneTesting::HostProcess& interrupted = fleet.StartKorvanectl({"update", "--status"});
    ASSERT_TRUE(fleet.dns.WaitForLookups("kd-silent.lan", 2, 10s)) << interrupted.Output();
    const Clock::time_point signalled = Clock::now();
    kill(interrupted.Pid(), SIGINT);
    while (interrupted.Running() && SecondsSince(signalled) < 5) {
        std::this_thread::sleep_for(5ms);
    }
    // Without the cancel it would wait for the lookup's 2 s limit; the margin is for the sanitizers.
    EXPECT_LT(SecondsSince(signalled), 1.5);
    EXPECT_EQ(interrupted.Stop(), 130) << interrupted.Output();
}
