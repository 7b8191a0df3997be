// The per-user key of the settings file.
#include "admin/SettingsKey.h"

#include "SettingsTesting.h"
#include "admin/SettingsFile.h"

#include <climits>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace AdminTesting;

namespace {

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

class SettingsKeyTest : public ::testing::Test {
protected:
    TemporaryFolder m_folder;
    std::filesystem::path m_machineId = m_folder.Path() / "machine-id";
};

TEST_F(SettingsKeyTest, IsTheMachineIdAndTheUid) {
    WriteBytes(m_machineId, "0123456789abcdef0123456789abcdef\n");
    EXPECT_EQ(CSettingsKey::Compose(m_machineId, 1234), "0123456789abcdef0123456789abcdef:1234");
}

TEST_F(SettingsKeyTest, TakesTheHostNameWithoutAMachineId) {
    EXPECT_EQ(CSettingsKey::Compose(m_machineId, 1000), HostName() + ":1000");
    WriteBytes(m_machineId, " \n");
    EXPECT_EQ(CSettingsKey::Compose(m_machineId, 1000), HostName() + ":1000");
}

TEST_F(SettingsKeyTest, TheCurrentUsersKeyEndsWithTheUid) {
    const std::optional<std::string> key = CSettingsKey::ForCurrentUser();
    ASSERT_TRUE(key.has_value());
    const std::string tail = ":" + std::to_string(getuid());
    ASSERT_GT(key->size(), tail.size());
    EXPECT_EQ(key->substr(key->size() - tail.size()), tail);
}

TEST_F(SettingsKeyTest, AnotherUserOnTheSameMachineCannotReadTheFile) {
    WriteBytes(m_machineId, "0123456789abcdef0123456789abcdef\n");
    const std::filesystem::path path = m_folder.Path() / "KorvaneAdminSetting";
    CKorvaneAdminInfoMgr manager;
    FillManager(manager, MAIL_AUTH_NONE);
    ASSERT_TRUE(CSettingsFile(path, CSettingsKey::Compose(m_machineId, 1000)).Save(manager));
    CKorvaneAdminInfoMgr sameUser;
    EXPECT_EQ(CSettingsFile(path, CSettingsKey::Compose(m_machineId, 1000)).Load(sameUser).outcome,
              SettingsLoadOutcome::Loaded);
    CKorvaneAdminInfoMgr otherUser;
    EXPECT_EQ(CSettingsFile(path, CSettingsKey::Compose(m_machineId, 1001)).Load(otherUser).nMessageId,
              10015);
}

} // namespace
