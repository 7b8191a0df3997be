// The operation runner against simulated devices: one worker per device, results applied on the
// thread that owns the store.
#include "operations/OperationRun.h"

#include "admin/AdminInfoMgr.h"
#include "common/Simulator.h"
#include "protocol/KorvaneInfo.h"
#include "support/CallQueue.h"
#include "support/StringTable.h"

#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using KorvaneTesting::Simulator;
using Zelt::CStringTable;

namespace {

// Simulated devices on 127.85.<n>.x brought under management with their passwords stored.
struct ManagedSimulation {
    Simulator sim;
    CKorvaneAdminInfoMgr manager;
    std::vector<std::string> macs;

    ManagedSimulation(int nCount, const std::string& base)
        : sim({"--count", std::to_string(nCount), "--base", base, "--http-port", "0"}) {
        for (const KorvaneTesting::SimulatedDevice& simulated : sim.Devices()) {
            Fetch(simulated.index);
            const std::string mac = CKorvaneAdminInfoMgr::NormalizeMac(simulated.mac);
            manager.SetPassword(mac, sim.Show(simulated.index).at("password"), false);
            macs.push_back(mac);
        }
    }

    // Takes the device's current information into the store, as a search would.
    void Fetch(int nDevice) {
        CKorvaneInfo session(sim.Devices().at(nDevice).ipv4, "");
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
        manager.AddOrUpdate(CManagedDevice(session));
        sim.ClearLog(nDevice);
    }

    // Runs an operation to its end, applying results on this thread as the dialog would.
    std::unique_ptr<COperationRun> Run(int nKind, const std::vector<std::string>& targets,
                                       const std::string& path = std::string(),
                                       const std::function<void(COperationRun&)>& whileRunning = nullptr) {
        auto run = std::make_unique<COperationRun>(manager, nKind, targets, path);
        Zelt::CCallQueue owner;
        run->Start([&owner, &run](const OperationRowResult& result) {
            owner.Post([&owner, &run, result] {
                run->ApplyResult(result);
                if (run->IsFinished()) {
                    owner.Quit();
                }
            });
        });
        if (whileRunning) {
            whileRunning(*run);
        }
        if (!targets.empty()) {
            owner.Run();
        }
        return run;
    }

    std::vector<std::string> RequestWords(int nDevice) {
        std::vector<std::string> words;
        for (const std::string& line : sim.Log(nDevice)) {
            if (line.rfind("request ", 0) == 0) {
                words.push_back(line.substr(8, line.find(' ', 8) - 8));
            }
        }
        return words;
    }
};

} // namespace

TEST(OperationRun, PowerOffAskedOfEveryTargetWithTheNetworkFlagCleared) {
    ManagedSimulation devices(2, "127.85.1.1");
    const auto run = devices.Run(OPERATION_POWER_OFF, devices.macs);
    ASSERT_EQ(run->Rows().size(), 2u);
    for (const OperationRow& row : run->Rows()) {
        EXPECT_EQ(row.nMark, MARK_SUCCESS);
        EXPECT_EQ(row.text, "電源 OFFを実行しました。");
    }
    EXPECT_EQ(run->SummaryText(), CStringTable::Text(Zelt::Text::ProgressAllSucceeded));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(devices.sim.State(i).power, "off");
        const std::vector<std::string> log = devices.sim.Log(i);
        const auto powerOff = std::find_if(log.begin(), log.end(), [](const std::string& line) {
            return line.rfind("request POWEROFF", 0) == 0;
        });
        ASSERT_NE(powerOff, log.end());
        EXPECT_NE(powerOff->find("<param type=\"network\">FALSE</param>"), std::string::npos);
    }
}

TEST(OperationRun, FailuresGiveTheirCodesTextsAndEffects) {
    ManagedSimulation devices(4, "127.85.2.1");
    devices.sim.Set(0, "busy", "on");
    devices.manager.SetPassword(devices.macs[1], "wrong", true);
    devices.manager.SetPassword(devices.macs[2], NO_PASSWORD, false);
    devices.sim.Set(3, "mode", "refuse");
    const auto run = devices.Run(OPERATION_REBOOT, devices.macs);
    const std::vector<OperationRow>& rows = run->Rows();
    EXPECT_EQ(rows[0].text, CStringTable::Text(Zelt::Text::ProgressDeviceBusy)) << "busy";
    EXPECT_EQ(rows[0].nMark, MARK_FAILURE);
    EXPECT_EQ(rows[1].text, CStringTable::Text(Zelt::Text::ProgressWrongPassword)) << "password rejected";
    EXPECT_EQ(rows[1].nMark, MARK_AUTHENTICATION);
    EXPECT_FALSE(devices.manager.FindDevice(devices.macs[1])->GetPasswordAccepted());
    EXPECT_EQ(rows[2].text, CStringTable::Text(Zelt::Text::ProgressNoPassword)) << "no password";
    EXPECT_EQ(rows[2].nMark, MARK_AUTHENTICATION);
    EXPECT_TRUE(devices.sim.Log(2).empty()) << "a device without a password is not contacted";
    EXPECT_EQ(rows[3].text, CStringTable::Text(Zelt::Text::ProgressCannotConnect)) << "refused";
    EXPECT_EQ(devices.manager.FindDevice(devices.macs[3])
                  ->GetRootNode()
                  .SingleSelectNode("systeminfo/power")
                  .GetText(),
              "OFF");
    EXPECT_EQ(run->SummaryText(), CStringTable::Text(Zelt::Text::ProgressSomeFailed));
    EXPECT_EQ(run->ReauthenticationMacs(), (std::vector<std::string>{devices.macs[1], devices.macs[2]}));
}

TEST(OperationRun, TwoDevicesWithTheSameNameAreTwoTargets) {
    ManagedSimulation devices(2, "127.85.3.1");
    devices.sim.Set(1, "hostname", devices.sim.Devices().at(0).hostname);
    devices.Fetch(1);
    ASSERT_EQ(devices.manager.FindDevice(devices.macs[0])->Name(),
              devices.manager.FindDevice(devices.macs[1])->Name());
    const auto run = devices.Run(OPERATION_MELODY_START, devices.macs);
    EXPECT_TRUE(devices.sim.State(0).melody);
    EXPECT_TRUE(devices.sim.State(1).melody);
    EXPECT_EQ(devices.RequestWords(0), (std::vector<std::string>{"AUTHORIZATION", "MELODY"}));
}

TEST(OperationRun, ACancelEndsTheOutstandingRowsAndEveryWorker) {
    ManagedSimulation devices(3, "127.85.4.1");
    devices.sim.Set("*", "mode", "silent");
    const auto start = std::chrono::steady_clock::now();
    const auto run = devices.Run(OPERATION_REBOOT, devices.macs, "", [](COperationRun& running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        running.Cancel();
    });
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
    for (const OperationRow& row : run->Rows()) {
        EXPECT_EQ(row.nMark, MARK_CANCELLED);
        EXPECT_EQ(row.text, CStringTable::Text(Zelt::Text::ProgressCancelled));
    }
}

TEST(OperationRun, AFirmwareImageReachesEveryTargetWhole) {
    ManagedSimulation devices(3, "127.85.5.1");
    const std::string path = "/tmp/korvane-run-firmware.img";
    {
        std::ofstream image(path, std::ios::binary);
        for (int i = 0; i < 300000; ++i) {
            image.put(static_cast<char>(i * 7));
        }
    }
    const auto run = devices.Run(OPERATION_FIRMWARE_UPDATE, devices.macs, path);
    std::remove(path.c_str());
    EXPECT_TRUE(run->ShowsFirmwareNotice());
    std::set<std::string> md5s;
    for (int i = 0; i < 3; ++i) {
        const auto state = devices.sim.State(i);
        EXPECT_EQ(state.firmwareSize, 300000u);
        EXPECT_EQ(state.firmwareName, "korvane-run-firmware.img");
        md5s.insert(state.firmwareMd5);
    }
    EXPECT_EQ(md5s.size(), 1u);
}
