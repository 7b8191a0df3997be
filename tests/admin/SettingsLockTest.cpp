// The lock that keeps the desktop program and korvanectl from changing one settings file at once,
// across real processes.
#include "admin/SettingsLock.h"

#include "SettingsTesting.h"

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace AdminTesting;

namespace {

namespace fs = std::filesystem;

// A child process that takes the lock, tells the parent, and holds it until it ends.
class LockingChild {
public:
    LockingChild(const fs::path& settingsPath, int nHoldMilliseconds) {
        int fds[2];
        if (pipe(fds) != 0) {
            throw std::runtime_error("pipe failed");
        }
        m_nPid = fork();
        if (m_nPid == 0) {
            close(fds[0]);
            const CSettingsLock lock(settingsPath);
            const char chHeld = lock.IsHeld() ? 'y' : 'n';
            [[maybe_unused]] const ssize_t nWritten = write(fds[1], &chHeld, 1);
            usleep(static_cast<useconds_t>(nHoldMilliseconds) * 1000);
            _exit(0);
        }
        close(fds[1]);
        char chHeld = 'n';
        m_bHeld = read(fds[0], &chHeld, 1) == 1 && chHeld == 'y';
        close(fds[0]);
    }
    ~LockingChild() { End(SIGKILL); }

    pid_t Pid() const { return m_nPid; }
    bool Held() const { return m_bHeld; }
    void End(int nSignal) {
        if (m_nPid > 0) {
            kill(m_nPid, nSignal);
            waitpid(m_nPid, nullptr, 0);
            m_nPid = -1;
        }
    }

private:
    pid_t m_nPid = -1;
    bool m_bHeld = false;
};

class SettingsLockTest : public ::testing::Test {
protected:
    TemporaryFolder m_folder;
    fs::path m_path = m_folder.Path() / "VESTRANO" / "KORVANE Admin" / "KorvaneAdminSetting";
};

TEST_F(SettingsLockTest, AnotherProcessCannotTakeItWhileItIsHeldAndCanAfterwards) {
    {
        const CSettingsLock lock(m_path);
        ASSERT_TRUE(lock.IsHeld()) << lock.Reason();
        EXPECT_TRUE(lock.Reason().empty());
        EXPECT_EQ(CSettingsLock::HolderOf(m_path), std::nullopt) << "this process is not somebody else";
        const pid_t nParent = getpid();
        EXPECT_EQ(ExitCodeOfChild([&] {
                      const CSettingsLock second(m_path);
                      const bool bRefused =
                          !second.IsHeld() && second.IsHeldByOther() && !second.Reason().empty();
                      const bool bNamed =
                          second.OtherHolder() == nParent && CSettingsLock::HolderOf(m_path) == nParent;
                      return bRefused && bNamed ? 0 : 1;
                  }),
                  0);
    }
    EXPECT_EQ(ExitCodeOfChild([&] {
                  const bool bFree = !CSettingsLock::HolderOf(m_path).has_value();
                  const CSettingsLock second(m_path);
                  return bFree && second.IsHeld() && !second.IsHeldByOther() ? 0 : 1;
              }),
              0);
}

TEST_F(SettingsLockTest, AHolderThatIsKilledLeavesNoStaleLock) {
    LockingChild child(m_path, 60000);
    ASSERT_TRUE(child.Held());
    EXPECT_EQ(CSettingsLock::HolderOf(m_path), child.Pid());
    {
        const CSettingsLock refused(m_path);
        EXPECT_FALSE(refused.IsHeld());
        EXPECT_TRUE(refused.IsHeldByOther());
        EXPECT_EQ(refused.OtherHolder(), child.Pid());
    }
    child.End(SIGKILL);
    EXPECT_EQ(CSettingsLock::HolderOf(m_path), std::nullopt);
    const CSettingsLock taken(m_path);
    EXPECT_TRUE(taken.IsHeld()) << taken.Reason();
}

TEST_F(SettingsLockTest, AWaitingTakerGetsItWhenTheHolderEnds) {
    LockingChild child(m_path, 300);
    ASSERT_TRUE(child.Held());
    const CSettingsLock immediate(m_path);
    EXPECT_FALSE(immediate.IsHeld());
    const CSettingsLock waiting(m_path, std::chrono::seconds(30));
    EXPECT_TRUE(waiting.IsHeld()) << waiting.Reason();
}

TEST_F(SettingsLockTest, TheLockFileIsPrivateAndLiesBesideTheSettings) {
    EXPECT_EQ(CSettingsLock::HolderOf(m_path), std::nullopt) << "no lock file yet";
    const CSettingsLock lock(m_path);
    ASSERT_TRUE(lock.IsHeld()) << lock.Reason();
    const fs::path lockPath = CSettingsLock::LockPathFor(m_path);
    EXPECT_EQ(lockPath.parent_path(), m_path.parent_path());
    EXPECT_EQ(lockPath.filename(), "KorvaneAdminSetting.lock");
    struct stat info {};
    ASSERT_EQ(stat(lockPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(m_path.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SettingsLockTest, AFolderThatCannotBeMadeIsAReasonNotAnotherHolder) {
    WriteBytes(m_folder.Path() / "plain", "file");
    const CSettingsLock lock(m_folder.Path() / "plain" / "KorvaneAdminSetting");
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_FALSE(lock.IsHeldByOther());
    EXPECT_FALSE(lock.Reason().empty());
}

} // namespace
