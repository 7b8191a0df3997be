#include "MonitoredDevices.h"

#include "mail/ErrorMail.h"
#include "support/StringTable.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace Korvane;

namespace OperationsTesting {

void RecordingHost::SendErrorMail() {
    ++nErrorMails;
    if (pMailFrom != nullptr) {
        mailResults.push_back(CErrorMail::Send(*pMailFrom));
    }
}

void RecordingHost::ShowUpdateState(const std::string& text) {
    states.push_back(text);
    // Anything but the two "updating" texts is the completion time: the update is over.
    if (text != Zelt::CStringTable::Text(Zelt::Text::UpdatingAll) &&
        text != Zelt::CStringTable::Text(Zelt::Text::UpdatingStatus)) {
        owner.Quit();
    }
}

namespace {

size_t EntriesOf(const char* pszFolder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(pszFolder), std::filesystem::directory_iterator()));
}

} // namespace

size_t ThreadCount() {
    return EntriesOf("/proc/self/task");
}

size_t DescriptorCount() {
    return EntriesOf("/proc/self/fd");
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

std::vector<std::string> ManageSimulated(CKorvaneAdminInfoMgr& manager, KorvaneTesting::Simulator& sim,
                                         const std::vector<int>& withoutPassword) {
    std::vector<std::string> macs;
    for (const KorvaneTesting::SimulatedDevice& simulated : sim.Devices()) {
        CKorvaneInfo session(simulated.ipv4, "");
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
        manager.AddOrUpdate(CManagedDevice(session));
        const std::string mac = CKorvaneAdminInfoMgr::NormalizeMac(simulated.mac);
        if (std::find(withoutPassword.begin(), withoutPassword.end(), simulated.index) ==
            withoutPassword.end()) {
            manager.SetPassword(mac, sim.Show(simulated.index).at("password"), true);
        }
        macs.push_back(mac);
    }
    return macs;
}

Monitored::Monitored(KorvaneTesting::TestNetwork& network, int nCount, const std::string& base)
    : inHost(network.EnterHost(network.Device(0))),
      sim(network, network.Device(0),
          {"--count", std::to_string(nCount), "--base", base, "--http-port", "0"}),
      scheduler(manager, host, CUpdateScheduler::Periods{1000, 60000, 10000}) {
    ManageSimulated(manager, sim);
}

void Monitored::Fire(int nTimer) {
    scheduler.OnTimer(nTimer);
    if (scheduler.Activity() != 0) {
        host.owner.Run();
    }
}

const CManagedDevice& Monitored::Device(int nIndex) {
    return *manager.FindDevice(CKorvaneAdminInfoMgr::NormalizeMac(sim.Devices().at(nIndex).mac));
}

} // namespace OperationsTesting
