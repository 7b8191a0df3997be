#pragma once

// What the user already manages before a hostile host shows up: one real simulated device with its
// saved password in a group, in a scratch settings file; korvanectl run on it from the admin host;
// and the check that the settings file still brings all of it back at the next start.

#include "HostileLan.h"
#include "admin/AdminInfoMgr.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <memory>
#include <string>
#include <vector>

namespace KorvaneHostile {

// The MAC of the first hostile device; the others count up from it.
constexpr const char* HOSTILE_MAC = "02:4B:53:00:F2:01";

// The address of hostile device i in the attacker's host: 198.18.2.(i + 1).
std::string HostileAddress(int i);
// A simulator of nCount hostile devices on addresses of their own, which the attacker's host gets
// first, with the simulator's further arguments.
std::unique_ptr<KorvaneTesting::Simulator> StartHostileDevices(KorvaneTesting::TestNetwork& net,
                                                               const KorvaneTesting::TestHost& attacker,
                                                               int nCount,
                                                               const std::vector<std::string>& extra);

class ManagedFleet {
public:
    static constexpr const char* GROUP = "棚 A";

    // Starts the device in the host (answering no discovery) and manages it with korvanectl.
    ManagedFleet(KorvaneTesting::TestNetwork& net, const KorvaneTesting::TestHost& deviceHost);

    // korvanectl in the admin host on the scratch settings (and state) of the fleet.
    KorvaneTesting::ProcessResult Korvanectl(const std::vector<std::string>& args,
                                             const std::string& input = std::string()) const;
    // The settings file loaded as the next start loads it; fails the test unless the device is
    // there with its password and group.
    Korvane::CKorvaneAdminInfoMgr ExpectLoadsWithTheFleet() const;

    const ScratchHome& Home() const { return m_home; }
    const std::string& DeviceMac() const { return m_mac; }
    KorvaneTesting::Simulator& Device() { return m_sim; }

private:
    KorvaneTesting::TestNetwork& m_net;
    ScratchHome m_home;
    KorvaneTesting::Simulator m_sim;
    std::string m_mac;
};

} // namespace KorvaneHostile
