// A long-running program's saves into a settings file that other programs change meanwhile: its
// update results go into the file as the others left it, and nothing they saved is lost; while
// another program holds the settings, nothing is written and the results wait for the next save.
#include "operations/SharedSettingsSaver.h"

#include "SampleDevices.h"
#include "SettingsTesting.h"
#include "admin/SettingsLock.h"
#include "admin/TextFormat.h"
#include "operations/InfoResultApplier.h"
#include "protocol/KorvaneInfo.h"
#include "support/StringTable.h"

#include <unistd.h>

#include <gtest/gtest.h>

using namespace Korvane;
using AdminTesting::SampleDevice;

namespace {

constexpr const char* kFirst = "02:4B:53:00:00:01";
constexpr const char* kSecond = "02:4B:53:00:00:02";
constexpr const char* kAddedMeanwhile = "02:4B:53:00:00:03";
constexpr const char* kHostNamePath = "network/host/desc";
constexpr std::chrono::milliseconds kNoWait{0};

class SharedSettings : public testing::Test {
protected:
    SharedSettings() {
        CKorvaneAdminInfoMgr initial;
        initial.AddOrUpdate(SampleDevice("qrx-x", kFirst, "ks-001", "198.18.0.10"));
        initial.AddOrUpdate(SampleDevice("qrx-h", kSecond, "ks-002", "198.18.0.11"));
        EXPECT_TRUE(File().Save(initial));
        const SettingsFileStamp stamp = m_monitorFile.Stamp();
        EXPECT_EQ(m_monitorFile.Load(m_monitor).outcome, SettingsLoadOutcome::Loaded);
        m_saver.emplace(m_monitorFile, stamp);
    }

    CSettingsFile File() const { return CSettingsFile(m_folder.Path() / "settings", AdminTesting::kUserKey); }
    CKorvaneAdminInfoMgr Stored() const {
        CKorvaneAdminInfoMgr stored;
        EXPECT_EQ(File().Load(stored).outcome, SettingsLoadOutcome::Loaded);
        return stored;
    }
    // The monitor's update: the first device answers with a new description, the second is silent.
    void Update() {
        CManagedDevice fetched = m_monitor.GetDevice(kFirst);
        AdminTesting::SetInfoText(fetched, kHostNamePath, "fetched by the monitor");
        CManagedDevice silent = m_monitor.GetDevice(kSecond);
        for (const InfoResult& result :
             {InfoResult{INFO_FETCHED, ID_GETINFO_CATEGORY_ADMIN_NORMAL, fetched, ""},
              InfoResult{INFO_NOT_OBTAINED, ID_GETINFO_CATEGORY_STATUS, silent, ""}}) {
            CInfoResultApplier::Apply(m_monitor, result);
            m_saver->Record(result);
        }
        m_monitor.FindDevice(kSecond)->SetStatusBits(STATUS_BIT_UNREACHABLE);
    }
    static void ExpectMonitorResults(const CKorvaneAdminInfoMgr& manager) {
        const CManagedDevice first = manager.GetDevice(kFirst);
        EXPECT_EQ(first.GetRootNode().SingleSelectNode(kHostNamePath).GetText(), "fetched by the monitor");
        EXPECT_NE(first.GetLastSuccess(), 0);
        EXPECT_EQ(manager.GetDevice(kSecond).GetStatusBits(), STATUS_BIT_UNREACHABLE);
    }

    AdminTesting::TemporaryFolder m_folder;
    CSettingsFile m_monitorFile = File();
    CKorvaneAdminInfoMgr m_monitor;
    std::optional<CSharedSettingsSaver> m_saver;
};

} // namespace

TEST_F(SharedSettings, ResultsGoIntoTheFileAsAnotherProgramLeftIt) {
    Update();
    // Meanwhile another program adds a device, a group and a password, and changes the mail settings.
    CKorvaneAdminInfoMgr other = Stored();
    other.AddOrUpdate(SampleDevice("qrx-xv", kAddedMeanwhile, "ks-003", "198.18.0.12"));
    other.SetGroup("rack 2", {kFirst, kAddedMeanwhile});
    other.SetPassword(kFirst, "typed meanwhile", true);
    other.m_mail.strSmtpServer = "mail.example.test";
    ASSERT_TRUE(File().Save(other));

    EXPECT_EQ(m_saver->Save(m_monitor, kNoWait).outcome, CSharedSettingsSaver::Outcome::MERGED);
    for (const CKorvaneAdminInfoMgr& manager : {Stored(), m_monitor}) {
        ExpectMonitorResults(manager);
        EXPECT_NE(manager.FindDevice(kAddedMeanwhile), nullptr);
        EXPECT_EQ(manager.GroupsOf(kFirst), std::vector<std::string>{"rack 2"});
        EXPECT_EQ(manager.GetDevice(kFirst).GetPassword(), "typed meanwhile");
        EXPECT_EQ(manager.m_mail.strSmtpServer, "mail.example.test");
    }

    // A device removed meanwhile stays removed, and an unchanged file is simply written.
    other = Stored();
    other.DeleteDevice(kSecond);
    ASSERT_TRUE(File().Save(other));
    Update();
    EXPECT_EQ(m_saver->Save(m_monitor, kNoWait).outcome, CSharedSettingsSaver::Outcome::MERGED);
    EXPECT_EQ(Stored().FindDevice(kSecond), nullptr);
    EXPECT_EQ(m_saver->Save(m_monitor, kNoWait).outcome, CSharedSettingsSaver::Outcome::SAVED);
}

TEST_F(SharedSettings, WhileAnotherProgramHoldsTheSettingsTheResultsWaitForTheNextSave) {
    Update();
    const SettingsFileStamp before = File().Stamp();
    {
        const CSettingsLock held(File().Path());
        ASSERT_TRUE(held.IsHeld());
        const CSharedSettingsSaver::SaveResult refused = m_saver->Save(m_monitor, kNoWait);
        EXPECT_EQ(refused.outcome, CSharedSettingsSaver::Outcome::IN_USE);
        EXPECT_EQ(refused.strReason,
                  CTextFormat::FormatId(Zelt::Text::SettingsInUseByProcess, {std::to_string(getpid())}));
        EXPECT_EQ(File().Stamp(), before) << "nothing is written while another program holds the settings";
    }
    EXPECT_EQ(m_saver->Save(m_monitor, kNoWait).outcome, CSharedSettingsSaver::Outcome::SAVED);
    ExpectMonitorResults(Stored());
}
