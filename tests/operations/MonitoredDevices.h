#pragma once

// The periodic update over simulated devices, with the window replaced by a recording host whose
// timers the test fires by hand.
#include "admin/AdminInfoMgr.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"
#include "operations/UpdateScheduler.h"
#include "support/CallQueue.h"

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace OperationsTesting {

// Records what the scheduler asks of the window. With a store to mail from, an error mail is
// really sent (with the store's mail settings) and its result recorded.
class RecordingHost : public Korvane::IUpdateHost {
public:
    void SetTimer(int nTimer, int nMilliseconds) override { timers[nTimer] = nMilliseconds; }
    void KillTimer(int nTimer) override { timers.erase(nTimer); }
    void SendToOwner(std::function<void()> call) override { owner.Send(std::move(call)); }
    void PostToOwner(std::function<void()> call) override { owner.Post(std::move(call)); }
    void ShowBalloon(int nLevel) override { balloons.push_back(nLevel); }
    void SendErrorMail() override;
    void ShowUpdateState(const std::string& text) override;
    void DevicesChanged() override { ++nChanges; }

    Zelt::CCallQueue owner;
    std::map<int, int> timers;
    std::vector<int> balloons;
    std::vector<std::string> states;
    int nErrorMails = 0;
    std::atomic<int> nChanges{0};
    const Korvane::CKorvaneAdminInfoMgr* pMailFrom = nullptr;
    std::vector<std::optional<int>> mailResults;
};

// What the process holds now: its threads, its open descriptors, its resident memory in kB.
size_t ThreadCount();
size_t DescriptorCount();
long ResidentKilobytes();

// Brings the simulator's devices under management with their basic information and, unless
// their index is listed, their passwords; their MAC keys in device order.
std::vector<std::string> ManageSimulated(Korvane::CKorvaneAdminInfoMgr& manager,
                                         KorvaneTesting::Simulator& sim,
                                         const std::vector<int>& withoutPassword = {});

// Simulated devices under management (basic information and passwords), and the scheduler, in the
// first device host of a test network: the simulator, and the calling thread with every thread it
// starts meanwhile. Each poll looks the device's host name up with the machine's resolver
// configuration; a device host has no route to the machine's name server, so the lookups fail at
// once there instead of loading it (and waiting for it).
struct Monitored {
    KorvaneTesting::HostNamespaceGuard inHost; // first in, last out
    KorvaneTesting::Simulator sim;
    Korvane::CKorvaneAdminInfoMgr manager;
    RecordingHost host;
    Korvane::CUpdateScheduler scheduler;

    Monitored(KorvaneTesting::TestNetwork& network, int nCount, const std::string& base);

    // Fires a timer and serves the owner's thread until the update it started has ended.
    void Fire(int nTimer);
    const Korvane::CManagedDevice& Device(int nIndex);
};

} // namespace OperationsTesting
