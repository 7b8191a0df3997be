// A host on the LAN that claims a managed device's MAC in its discovery replies, or a name server
// that resolves the device's host name to another host, must never receive the device's stored
// password; the user is told and approves the new address explicitly.
#include "HostileLan.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"
#include "hosts/TestNetwork.h"
#include "support/StringTable.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using KorvaneHostile::KorvanectlPath;
using KorvaneHostile::ScratchHome;
using KorvaneTesting::ProcessResult;
using KorvaneTesting::Simulator;

namespace {

constexpr const char* kMac = "02:4B:53:00:77:01";
constexpr const char* kPassword = "pw-takeover";

bool ReceivedAuthorization(Simulator& sim) {
    const std::vector<std::string> log = sim.Log(0);
    return std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("request AUTHORIZATION", 0) == 0 || line.find(kPassword) != std::string::npos;
    });
}

std::string StatusOf(const ProcessResult& listed) {
    return nlohmann::json::parse(listed.out).at(0).at("status").get<std::string>();
}

} // namespace

TEST(AddressTakeover, NeitherASearchNorANameServerBringsThePasswordToAnotherHost) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const KorvaneTesting::TestHost& deviceHost = net->Device(0);
    const KorvaneTesting::TestHost& attackerHost = net->Device(1);
    ScratchHome home;
    const auto korvanectl = [&](std::vector<std::string> args, const std::string& input = std::string()) {
        args.insert(args.end(), {"--settings", home.SettingsPath()});
        return net->RunIn(net->Admin(), KorvanectlPath(), args, input);
    };
    Simulator device(*net, deviceHost,
                     {"--count", "1", "--base", deviceHost.ipv4, "--http-port", "0", "--base-mac", kMac,
                      "--password", kPassword});
    // The attacker answers discovery as the managed device: same MAC, same name, its own address.
    Simulator attacker(
        *net, attackerHost,
        {"--count", "1", "--base", attackerHost.ipv4, "--http-port", "0", "--base-mac", kMac, "--discovery"});
    attacker.Set(0, "discovery", "kaf");
    ASSERT_EQ(korvanectl({"add", deviceHost.ipv4}).exitCode, 0);
    ASSERT_EQ(korvanectl({"password", "ks-001", "--save"}, std::string(kPassword) + "\n").exitCode, 0);

    const ProcessResult found = korvanectl({"discover", "--add"});
    const std::string turnedUp =
        KorvaneTesting::ChildTextPiece(Zelt::Text::CliWaitingForApproval, 2) + attackerHost.ipv4;
    EXPECT_NE(found.out.find(turnedUp), std::string::npos) << found.out;
    const std::string waiting(Zelt::CStringTable::Text(Zelt::Text::AddressUnapproved));
    EXPECT_EQ(StatusOf(korvanectl({"list", "--json"})), waiting);
    EXPECT_EQ(korvanectl({"update"}).exitCode, 0);
    EXPECT_FALSE(ReceivedAuthorization(attacker))
        << "the search moved nothing: the update went to the device";
    EXPECT_NE(StatusOf(korvanectl({"list", "--json"})), waiting)
        << "answering at its approved address, the device is where it was";

    // The name server now points the device's name at the attacker, and the device is gone.
    net->AddHostName(net->Admin(), "ks-001", attackerHost.ipv4);
    device.Set(0, "mode", "refuse");
    korvanectl({"update", "--status"});
    EXPECT_FALSE(ReceivedAuthorization(attacker));
    EXPECT_EQ(StatusOf(korvanectl({"list", "--json"})), waiting);

    // Only the user's explicit approval sends the password there.
    const ProcessResult approved = korvanectl({"approve", "ks-001", "--yes"});
    ASSERT_EQ(approved.exitCode, 0) << approved.err;
    EXPECT_NE(approved.out.find(attackerHost.ipv4 +
                                KorvaneTesting::ChildTextPiece(Zelt::Text::CliWaitingForApproval, 3) +
                                deviceHost.ipv4),
              std::string::npos)
        << approved.out;
    korvanectl({"update", "--status"});
    EXPECT_TRUE(ReceivedAuthorization(attacker));
}

// A discovery reply from another host that names a loopback address must not make the program
// talk to this machine: a device served on the admin host's own loopback hears nothing.
TEST(AddressTakeover, ADiscoveryReplyNeverPointsTheProgramAtThisMachine) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& attackerHost = net->Device(0);
    ScratchHome home;
    Simulator local(*net, net->Admin(), {"--count", "1", "--base", "127.0.0.1", "--http-port", "0"});
    Simulator attacker(*net, attackerHost,
                       {"--count", "1", "--base", attackerHost.ipv4, "--http-port", "0", "--discovery"});
    attacker.Set(0, "discovery", "kaf,qrx-alt");
    attacker.Set(0, "discovery-address", "127.0.0.1");

    const ProcessResult found = net->RunIn(
        net->Admin(), KorvanectlPath(), {"discover", "--add", "--json", "--settings", home.SettingsPath()});
    const nlohmann::json devices = nlohmann::json::parse(found.out).at("devices");
    ASSERT_EQ(devices.size(), 2u) << found.out;
    for (const nlohmann::json& device : devices) {
        EXPECT_EQ(device.at("outcome"), "failed") << "a reply without a usable address";
    }
    EXPECT_TRUE(local.Log(0).empty()) << "nothing reached this machine's own loopback";
}
