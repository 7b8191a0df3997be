#include "MonitoredDevices.h"

#include "mail/ErrorMail.h"
#include "support/StringTable.h"

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
    if (text != Zelt::CStringTable::Text(12100) && text != Zelt::CStringTable::Text(12101)) {
        owner.Quit();
    }
}

Monitored::Monitored(int nCount, const std::string& base)
    : sim({"--count", std::to_string(nCount), "--base", base, "--http-port", "0"}),
      scheduler(manager, host, CUpdateScheduler::Periods{1000, 60000, 10000}) {
    for (const KorvaneTesting::SimulatedDevice& simulated : sim.Devices()) {
        CKorvaneInfo session(simulated.ipv4, "");
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
        manager.AddOrUpdate(CManagedDevice(session));
        manager.SetPassword(CKorvaneAdminInfoMgr::NormalizeMac(simulated.mac),
                            sim.Show(simulated.index).at("password"), true);
    }
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
