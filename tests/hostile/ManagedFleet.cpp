#include "ManagedFleet.h"

#include "admin/SettingsFile.h"

#include <gtest/gtest.h>

namespace KorvaneHostile {

std::string HostileAddress(int i) {
    return "198.18.2." + std::to_string(i + 1);
}

std::unique_ptr<KorvaneTesting::Simulator> StartHostileDevices(KorvaneTesting::TestNetwork& net,
                                                               const KorvaneTesting::TestHost& attacker,
                                                               int nCount,
                                                               const std::vector<std::string>& extra) {
    for (int i = 0; i < nCount; ++i) {
        EXPECT_EQ(
            net.RunIn(attacker, "ip", {"addr", "add", HostileAddress(i) + "/15", "dev", "kv0"}).exitCode, 0);
    }
    std::vector<std::string> args = {
        "--count", std::to_string(nCount), "--base",   HostileAddress(0), "--http-port",
        "0",       "--base-mac",           HOSTILE_MAC};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<KorvaneTesting::Simulator>(net, attacker, args);
}

ManagedFleet::ManagedFleet(KorvaneTesting::TestNetwork& net, const KorvaneTesting::TestHost& deviceHost)
    : m_net(net), m_sim(net, deviceHost,
                        {"--count", "1", "--base", deviceHost.ipv4, "--http-port", "0", "--base-mac",
                         "02:4B:53:00:F1:01", "--password", "fleet-pw"}),
      m_mac("02:4B:53:00:F1:01") {
    const KorvaneTesting::ProcessResult added = Korvanectl({"add", deviceHost.ipv4});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(Korvanectl({"password", m_mac, "--save"}, "fleet-pw\n").exitCode, 0);
    EXPECT_EQ(Korvanectl({"group", "create", GROUP, m_mac}).exitCode, 0);
}

KorvaneTesting::ProcessResult ManagedFleet::Korvanectl(const std::vector<std::string>& args,
                                                       const std::string& input) const {
    std::vector<std::string> full = {m_home.StateHome(), m_home.RuntimeDir(), KorvanectlPath()};
    full.insert(full.end(), args.begin(), args.end());
    full.insert(full.end(), {"--settings", m_home.SettingsPath()});
    return m_net.RunIn(m_net.Admin(), "env", full, input);
}

Korvane::CKorvaneAdminInfoMgr ManagedFleet::ExpectLoadsWithTheFleet() const {
    Korvane::CKorvaneAdminInfoMgr manager;
    const Korvane::SettingsLoadResult loaded = Korvane::CSettingsFile(m_home.SettingsPath()).Load(manager);
    EXPECT_EQ(loaded.outcome, Korvane::SettingsLoadOutcome::Loaded) << loaded.strReason;
    const Korvane::CManagedDevice* pDevice = manager.FindDevice(m_mac);
    EXPECT_NE(pDevice, nullptr);
    if (pDevice != nullptr) {
        EXPECT_EQ(pDevice->GetPassword(), "fleet-pw");
        EXPECT_TRUE(pDevice->GetSavePassword());
    }
    EXPECT_TRUE(manager.IsMember(GROUP, m_mac));
    return manager;
}

} // namespace KorvaneHostile
