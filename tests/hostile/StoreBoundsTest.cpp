// A host that answers with huge documents and ever new or forged MACs: what it sends is refused or
// bounded, the settings file always loads with the user's fleet, and no other device's state moves.
#include "ManagedFleet.h"
#include "protocol/InfoBounds.h"
#include "support/StringTable.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;
using KorvaneTesting::Simulator;
using namespace KorvaneHostile;

namespace {

std::string AlertStateText(const ScratchHome& home) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Path() + "/state")) {
        if (entry.path().filename().string().rfind("alert-bits-", 0) == 0) {
            std::ifstream input(entry.path());
            return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
        }
    }
    return std::string();
}

// nCount hostile devices in the second device host, the first of them managed, its password saved.
std::unique_ptr<Simulator> ManagedHostile(KorvaneTesting::TestNetwork& net, const ManagedFleet& fleet,
                                          int nCount) {
    std::unique_ptr<Simulator> hostile =
        StartHostileDevices(net, net.Device(1), nCount, {"--password", "h-pw"});
    EXPECT_EQ(fleet.Korvanectl({"add", HostileAddress(0)}).exitCode, 0);
    EXPECT_EQ(fleet.Korvanectl({"password", HOSTILE_MAC, "--save"}, "h-pw\n").exitCode, 0);
    return hostile;
}

// Information under another device's MAC is refused: the update says so for the hostile device
// alone.
void ExpectOnlyTheHostileFails(const ProcessResult& update) {
    EXPECT_EQ(update.exitCode, 1);
    EXPECT_EQ(update.err, std::string("korvanectl update: ks-001 (") + HOSTILE_MAC +
                              "): このアドレスでは別の KORVANE が応答しています\n");
}

} // namespace

TEST(StoreBounds, HugeDocumentsAndFreshMacsNeverCostTheFleet) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    ManagedFleet fleet(*net, net->Device(0));
    std::unique_ptr<Simulator> hostile = ManagedHostile(*net, fleet, 2);
    hostile->Set("*", "mac-per-request", "on");
    hostile->Set("*", "pad-bytes", "12000000");
    const ProcessResult added = fleet.Korvanectl({"add", HostileAddress(1)});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find(Zelt::CStringTable::Text(Zelt::Text::InfoTooLarge)), std::string::npos)
        << added.err;
    fleet.Korvanectl({"update"});
    // Within the bound, but every answer names another MAC than the device's.
    hostile->Set("*", "pad-bytes", std::to_string(Korvane::CInfoBounds::MAX_BYTES - 64 * 1024));
    fleet.Korvanectl({"update"});

    const Korvane::CKorvaneAdminInfoMgr loaded = fleet.ExpectLoadsWithTheFleet();
    EXPECT_EQ(loaded.Devices().size(), 2u);
    ASSERT_NE(loaded.FindDevice(HOSTILE_MAC), nullptr);
    EXPECT_TRUE(loaded.FindDevice(HOSTILE_MAC)->GetRootNode().SelectNodes("padding").empty())
        << "its record stays";
}

TEST(StoreBounds, AForgedMacCannotTouchAnotherDevicesAlerts) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    ManagedFleet fleet(*net, net->Device(0));
    std::unique_ptr<Simulator> hostile = ManagedHostile(*net, fleet, 1);
    // The hostile device has every alert, so lines it could make others' would silence them.
    hostile->InfoSet(0, "statusinfo/status/error/param", "NG");
    ASSERT_EQ(fleet.Korvanectl({"update"}).exitCode, 0);

    // The victim's MAC in another spelling, then a MAC that would write the victim a line of its own.
    std::string spelled = fleet.DeviceMac();
    std::transform(spelled.begin(), spelled.end(), spelled.begin(),
                   [](char c) { return c == ':' ? '-' : static_cast<char>(std::tolower(c)); });
    hostile->InfoSet(0, "network/tcpip/lan/mac", spelled);
    ExpectOnlyTheHostileFails(fleet.Korvanectl({"update"}));
    hostile->Control("info 0 remove network/tcpip/lan/mac");
    hostile->Control("info 0 add network/tcpip/lan <mac>02:4B:53:00:F2:99 63&#10;" + fleet.DeviceMac() +
                     "</mac>");
    EXPECT_EQ(fleet.Korvanectl({"add", HostileAddress(0)}).exitCode, 1) << "no MAC, not managed";
    ExpectOnlyTheHostileFails(fleet.Korvanectl({"update"}));

    const std::string state = AlertStateText(fleet.Home());
    EXPECT_TRUE(
        std::regex_match(state, std::regex(fleet.DeviceMac() + " 0\n" + HOSTILE_MAC + " [1-9][0-9]*\n")))
        << state;
    const Korvane::CKorvaneAdminInfoMgr loaded = fleet.ExpectLoadsWithTheFleet();
    EXPECT_EQ(loaded.FindDevice(fleet.DeviceMac())->GetIPv4Address(), net->Device(0).ipv4);

    // The victim's first alert is new, and announced.
    fleet.Device().InfoSet(0, "statusinfo/status/error[@type='capacity']/param", "NG");
    fleet.Device().InfoSet(0, "statusinfo/status/@condition", "NOTIFY");
    const ProcessResult alerted = fleet.Korvanectl({"update"});
    EXPECT_NE(alerted.out.find("注意状態の KORVANE が見つかりました。"), std::string::npos) << alerted.out;
}
