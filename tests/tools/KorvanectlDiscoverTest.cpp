// korvanectl discover between test hosts; every run waits for the protocols' silences.
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using KorvaneTesting::Simulator;

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

    const auto text = net->RunIn(net->Admin(), KORVANECTL_PATH, {"discover"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("[kaf] ks-001  " + sim.Devices().at(0).model), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("result: ok"), std::string::npos) << text.out;
}

TEST(KorvanectlDiscover, AnInterruptCancelsAndStillPrintsTheSummary) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    KorvaneTesting::HostProcess& discover = net->StartIn(net->Admin(), KORVANECTL_PATH, {"discover"});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto start = std::chrono::steady_clock::now();
    const int nExit = discover.Stop(std::chrono::seconds(5));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
    EXPECT_EQ(nExit, 130) << discover.Output();
    EXPECT_NE(discover.Output().find("result: cancelled"), std::string::npos) << discover.Output();
}
