// A managed device that DHCP gives another address is found again through its name, at the next
// update, from the LAN's name server. It has a password, so the new address waits for the user's
// approval, and only the update after the approval reaches the device there.
#include "ManagedFleet.h"
#include "common/TextsInLanguage.h"
#include "hosts/TestResolver.h"
#include "support/StringTable.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;
using KorvaneTesting::Simulator;
using KorvaneTesting::TestResolver;

namespace {

constexpr const char* kNewAddress = "198.18.1.10";

std::string ListedStatus(const KorvaneHostile::ManagedFleet& fleet) {
    const ProcessResult listed = fleet.Korvanectl({"list", "--json"});
    return nlohmann::json::parse(listed.out).at(0).at("status").get<std::string>();
}

bool ReceivedPassword(Simulator& device, const std::string& password) {
    const std::vector<std::string> log = device.Log(0);
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.find(password) != std::string::npos; });
}

} // namespace

TEST(DeviceMove, TheDeviceIsFoundThroughItsNameAndMovesOnceTheUserApproves) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& deviceHost = net->Device(0);
    TestResolver resolver(*net, net->Admin());
    resolver.SetAddress("ks-001", deviceHost.ipv4);
    KorvaneHostile::ManagedFleet fleet(*net, deviceHost);
    const std::string password = fleet.Device().Show(0).at("password");

    // The device comes back with a new lease: another address of its host, which the name server
    // now gives for its name; nothing answers at the old one.
    ASSERT_EQ(net->RunIn(deviceHost, "ip", {"addr", "add", std::string(kNewAddress) + "/15", "dev", "kv0"})
                  .exitCode,
              0);
    fleet.Device().Stop();
    Simulator moved(*net, deviceHost,
                    {"--count", "1", "--base", kNewAddress, "--http-port", "0", "--base-mac",
                     fleet.DeviceMac(), "--password", password});
    resolver.SetAddress("ks-001", kNewAddress);

    fleet.Korvanectl({"update"});
    const std::string waiting(Zelt::CStringTable::Text(Zelt::Text::AddressUnapproved));
    EXPECT_EQ(ListedStatus(fleet), waiting);
    EXPECT_FALSE(ReceivedPassword(moved, password)) << "not before the user approves";

    const ProcessResult approved = fleet.Korvanectl({"approve", "ks-001", "--yes"});
    ASSERT_EQ(approved.exitCode, 0) << approved.err;
    const std::string turnedUp =
        KorvaneTesting::ChildTextPiece(Zelt::Text::CliWaitingForApproval, 2) + kNewAddress;
    EXPECT_NE(approved.out.find(turnedUp), std::string::npos) << approved.out;
    const ProcessResult updated = fleet.Korvanectl({"update"});
    EXPECT_EQ(updated.exitCode, 0) << updated.err;
    EXPECT_NE(ListedStatus(fleet), waiting);
    EXPECT_TRUE(ReceivedPassword(moved, password));
    const Korvane::CKorvaneAdminInfoMgr loaded = fleet.ExpectLoadsWithTheFleet();
    ASSERT_NE(loaded.FindDevice(fleet.DeviceMac()), nullptr);
    EXPECT_EQ(loaded.FindDevice(fleet.DeviceMac())->GetIPv4Address(), kNewAddress);
}
