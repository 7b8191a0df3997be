// korvanectl discover between test hosts; every run waits for the protocols' silences.
#include "JsonSchema.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"
#include "hosts/TestNetwork.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using KorvaneTesting::Simulator;

namespace {

// The fixed words of the summary line in the language korvanectl runs in here.
std::string SummaryPiece(int n) {
    return KorvaneTesting::ChildTextPiece(Zelt::Text::CliDiscoverSummary, n);
}

} // namespace

TEST(KorvanectlDiscover, ReportsEveryDeviceWithTheProtocolThatFoundIt) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& host = net->Device(0);
    Simulator sim(*net, host,
                  {"--count", "1", "--base", host.ipv4, "--base6", host.ipv6LinkLocal + "%kv0", "--http-port",
                   "0", "--discovery", "--base-mac", "02:4B:53:00:90:01"});
    sim.Set(0, "discovery", "qrx-alt,kaf");
    const auto result = net->RunIn(net->Admin(), KORVANECTL_PATH, {"discover", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json report = nlohmann::json::parse(result.out);
    EXPECT_EQ(report.at("result"), "ok");
    EXPECT_EQ(report.at("protocols").at("kaf"), "ok");
    const nlohmann::json& devices = report.at("devices");
    ASSERT_EQ(devices.size(), 2u) << result.out;
    std::set<std::string> protocols;
    for (const nlohmann::json& device : devices) {
        protocols.insert(device.at("protocol").get<std::string>());
        EXPECT_EQ(device.at("outcome"), "fetched");
        EXPECT_EQ(device.at("ipv4"), host.ipv4);
        EXPECT_EQ(device.at("mac"), "02:4B:53:00:90:01");
        EXPECT_EQ(device.at("name"), "ks-001");
        EXPECT_EQ(device.at("product"), sim.Devices().at(0).model);
    }
    EXPECT_EQ(protocols, (std::set<std::string>{"qrx-alt", "kaf"}));
    // The other half of KorvanectlJson's check of docs/json.md: the commands that need a network.
    KorvaneTesting::JsonSchema schema = KorvaneTesting::JsonSchema::FromDocs();
    EXPECT_EQ(schema.Problems(report, schema.CommandType("`discover --json`")), std::vector<std::string>());
    const auto woken = net->RunIn(net->Admin(), KORVANECTL_PATH, {"wake", "02:4b:53:00:90:01", "--json"});
    EXPECT_EQ(woken.exitCode, 0) << woken.err;
    EXPECT_EQ(schema.Problems(nlohmann::json::parse(woken.out), schema.CommandType("`wake MAC --json`")),
              std::vector<std::string>());

    const auto text = net->RunIn(net->Admin(), KORVANECTL_PATH, {"discover"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("[kaf] ks-001  " + sim.Devices().at(0).model), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(SummaryPiece(4) + "ok"), std::string::npos) << text.out;
}

TEST(KorvanectlDiscover, AnInterruptCancelsAndStillPrintsTheSummary) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    KorvaneTesting::HostProcess& discover = net->StartIn(net->Admin(), KORVANECTL_PATH, {"discover"});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto start = std::chrono::steady_clock::now();
    const int nExit = discover.Stop(std::chrono::seconds(5));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
    EXPECT_EQ(nExit, 130) << discover.Output();
    EXPECT_NE(discover.Output().find(SummaryPiece(4) + "cancelled"), std::string::npos) << discover.Output();
}

// Five hundred devices answering one broadcast at once: each is printed as soon as its information
// has arrived, long before the run ends, and the summary says how long the run took.
TEST(KorvanectlDiscover, FiveHundredDevicesArePrintedAsTheyAnswer) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& host = net->Device(0);
    constexpr int kDevices = 500;
    std::string batch;
    for (int i = 0; i < kDevices; ++i) {
        // 198.18.2.1 upwards, counted as the simulator counts its devices' addresses.
        batch += "address add 198.18." + std::to_string(2 + (i + 1) / 256) + "." +
                 std::to_string((i + 1) % 256) + "/32 dev " + host.interfaceName + "\n";
    }
    ASSERT_EQ(net->RunIn(host, "ip", {"-batch", "-"}, batch).exitCode, 0);
    Simulator sim(*net, host,
                  {"--count", std::to_string(kDevices), "--base", "198.18.2.1", "--http-port", "0",
                   "--discovery", "--exec", "set * discovery kaf"});

    KorvaneTesting::HostProcess& discover = net->StartIn(net->Admin(), KORVANECTL_PATH, {"discover"});
    ASSERT_TRUE(discover.WaitForOutput("[kaf] ks-", std::chrono::seconds(40))) << discover.Output();
    const auto firstDevice = std::chrono::steady_clock::now();
    ASSERT_TRUE(discover.WaitForOutput(SummaryPiece(6) + "\n", std::chrono::seconds(60)))
        << discover.Output();
    EXPECT_GT(std::chrono::steady_clock::now() - firstDevice, std::chrono::seconds(5))
        << "the first device was printed while the run still listened";
    EXPECT_EQ(discover.Stop(), 0);
    const std::string output = discover.Output();
    size_t nLines = 0;
    for (size_t at = output.find("[kaf] ks-"); at != std::string::npos;
         at = output.find("[kaf] ks-", at + 1)) {
        ++nLines;
    }
    EXPECT_EQ(nLines, static_cast<size_t>(kDevices));
    EXPECT_NE(output.find(SummaryPiece(0) + std::to_string(kDevices) + SummaryPiece(1)), std::string::npos)
        << output;
}
