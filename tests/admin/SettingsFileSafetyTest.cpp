// The settings file under adverse conditions: another user's or a damaged file, private modes,
// failed and interrupted saves.
#include "SettingsTesting.h"
#include "admin/AtomicFile.h"
#include "admin/SettingsFile.h"
#include "admin/SettingsLock.h"
#include "admin/TextFormat.h"
#include "support/StringTable.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace AdminTesting;

namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Every name in the folder other than the settings file and its lock.
std::vector<std::string> OtherEntries(const fs::path& settingsPath) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(settingsPath.parent_path())) {
        const fs::path& path = entry.path();
        if (path != settingsPath && path != CSettingsLock::LockPathFor(settingsPath)) {
            names.push_back(path.filename().string());
        }
    }
    return names;
}

// Sets an environment variable for one scope; nullptr unsets it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* pszName, const char* pszValue) : m_name(pszName) {
        if (const char* pszOld = std::getenv(pszName)) {
            m_old = pszOld;
        }
        pszValue != nullptr ? setenv(pszName, pszValue, 1) : unsetenv(pszName);
    }
    ~ScopedEnvironment() { m_old ? setenv(m_name.c_str(), m_old->c_str(), 1) : unsetenv(m_name.c_str()); }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class SettingsFileSafety : public ::testing::Test {
protected:
    CSettingsFile File(const std::string& key = kUserKey) const { return CSettingsFile(m_path, key); }

    TemporaryFolder m_folder;
    fs::path m_path = m_folder.Path() / "KorvaneAdminSetting";
};

// --- damaged files ---

TEST_F(SettingsFileSafety, AnotherUsersFileIsDamagedAndSetAsideBeforeTheFirstSave) {
    CKorvaneAdminInfoMgr theirs;
    FillManager(theirs, MAIL_AUTH_PLAIN);
    ASSERT_TRUE(File(kOtherUserKey).Save(theirs));
    const std::string theirBytes = ReadBytes(m_path);

    CSettingsFile mine = File();
    CKorvaneAdminInfoMgr manager;
    const SettingsLoadResult load = mine.Load(manager);
    EXPECT_EQ(load.outcome, SettingsLoadOutcome::Damaged);
    EXPECT_EQ(load.nMessageId, 10015);
    ExpectDefaults(manager);
    EXPECT_EQ(ReadBytes(m_path), theirBytes) << "loading changes nothing";

    manager.m_nUpdateInterval = 30;
    const SettingsSaveResult save = mine.Save(manager);
    ASSERT_TRUE(save) << save.strReason;
    ASSERT_FALSE(save.damagedCopy.empty());
    EXPECT_EQ(save.damagedCopy.parent_path(), m_path.parent_path());
    EXPECT_EQ(save.damagedCopy.filename().string().rfind("KorvaneAdminSetting.damaged-", 0), 0u);
    EXPECT_EQ(ReadBytes(save.damagedCopy), theirBytes);

    CKorvaneAdminInfoMgr reread;
    EXPECT_EQ(File().Load(reread).outcome, SettingsLoadOutcome::Loaded);
    EXPECT_EQ(reread.m_nUpdateInterval, 30);
    CKorvaneAdminInfoMgr recovered;
    EXPECT_EQ(CSettingsFile(save.damagedCopy, kOtherUserKey).Load(recovered).outcome,
              SettingsLoadOutcome::Loaded);
    ExpectReloaded(theirs, recovered);

    // Set aside once: the next save simply replaces the new file.
    EXPECT_TRUE(mine.Save(manager).damagedCopy.empty());
}

TEST_F(SettingsFileSafety, DamagedCopiesNeverReplaceEachOther) {
    std::vector<fs::path> copies;
    for (const char* pszDamage : {"first damage", "second damage", "third damage"}) {
        WriteBytes(m_path, pszDamage);
        CSettingsFile file = File();
        CKorvaneAdminInfoMgr manager;
        ASSERT_EQ(file.Load(manager).outcome, SettingsLoadOutcome::Damaged);
        const SettingsSaveResult save = file.Save(manager);
        ASSERT_TRUE(save) << save.strReason;
        EXPECT_EQ(ReadBytes(save.damagedCopy), pszDamage);
        copies.push_back(save.damagedCopy);
    }
    EXPECT_NE(copies[0], copies[1]);
    EXPECT_NE(copies[1], copies[2]);
    EXPECT_EQ(ReadBytes(copies[0]), "first damage");
}

// A FIFO would hold a plain open for ever, a device could be read for ever; none is the user's
// settings file, so none is read, set aside or replaced.
TEST_F(SettingsFileSafety, WhatIsNoRegularFileAtTheSettingsPathIsRefusedAndNeverMoved) {
    const std::vector<std::function<void()>> makers = {
        [&] { ASSERT_EQ(mkfifo(m_path.c_str(), 0600), 0); },
        [&] { ASSERT_TRUE(fs::create_directory(m_path)); },
        [&] { fs::create_symlink("/dev/zero", m_path); },
    };
    for (const auto& make : makers) {
        make();
        const fs::file_type type = fs::symlink_status(m_path).type();
        CSettingsFile file = File();
        CKorvaneAdminInfoMgr manager;
        const SettingsLoadResult load = file.Load(manager);
        EXPECT_EQ(load.outcome, SettingsLoadOutcome::NotUsable);
        EXPECT_EQ(load.nMessageId, 90450);
        EXPECT_EQ(load.strReason, m_path.string() + " は通常のファイルではありません。");
        const SettingsSaveResult save = file.Save(manager);
        EXPECT_FALSE(save);
        EXPECT_EQ(save.strReason, load.strReason);
        EXPECT_EQ(fs::symlink_status(m_path).type(), type) << "left where it was";
        EXPECT_TRUE(OtherEntries(m_path).empty()) << "no copy, no temporary file";
        fs::remove(m_path);
    }
}

// Only what was read can be known to be damaged: a file that cannot be opened is reported with the
// system's reason for the caller to stop; a missing folder is a first start.
TEST_F(SettingsFileSafety, AFileThatCannotBeOpenedIsNotDamagedAndAMissingFolderIsAFirstStart) {
    WriteBytes(m_path, "a file, not a folder");
    const fs::path through = m_path / "KorvaneAdminSetting";
    CKorvaneAdminInfoMgr manager;
    const SettingsLoadResult load = CSettingsFile(through, kUserKey).Load(manager);
    EXPECT_EQ(load.outcome, SettingsLoadOutcome::CannotOpen);
    EXPECT_EQ(load.nMessageId, 90700);
    EXPECT_EQ(load.strReason.rfind("設定ファイル " + through.string() + " を開けません（" +
                                       std::strerror(ENOTDIR) + "）。",
                                   0),
              0u)
        << load.strReason;
    const SettingsLoadResult first =
        CSettingsFile(m_folder.Path() / "new" / "KorvaneAdminSetting", kUserKey).Load(manager);
    EXPECT_EQ(first.outcome, SettingsLoadOutcome::NoFile);
    EXPECT_EQ(first.nMessageId, 0);
    EXPECT_EQ(ReadBytes(m_path), "a file, not a folder");
}

// --- place and modes ---

TEST_F(SettingsFileSafety, TheDefaultPathFollowsXdgConfigHomeOrHome) {
    const fs::path home = m_folder.Path() / "home";
    const ScopedEnvironment homeVariable("HOME", home.c_str());
    const fs::path expectedTail = fs::path("VESTRANO") / "KORVANE Admin" / "KorvaneAdminSetting";
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", (m_folder.Path() / "config").c_str());
        EXPECT_EQ(CSettingsFile::DefaultPath(), m_folder.Path() / "config" / expectedTail);
    }
    for (const char* pszUnusable : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        const ScopedEnvironment config("XDG_CONFIG_HOME", pszUnusable);
        EXPECT_EQ(CSettingsFile::DefaultPath(), home / ".config" / expectedTail);
    }
}

TEST_F(SettingsFileSafety, TheFileIsPrivateAndTheFoldersItCreatesToo) {
    const ScopedEnvironment config("XDG_CONFIG_HOME", (m_folder.Path() / "config").c_str());
    const fs::path path = CSettingsFile::DefaultPath();
    // No umask narrows anything: the modes are the program's own.
    const mode_t nOldMask = umask(0);
    const SettingsSaveResult save = CSettingsFile(path, kUserKey).Save(CKorvaneAdminInfoMgr());
    // A temporary file left by an interrupted save, with loose permissions.
    WriteBytes(CAtomicFile::TemporaryPathFor(path), "left over");
    fs::permissions(CAtomicFile::TemporaryPathFor(path), fs::perms(0666));
    const SettingsSaveResult second = CSettingsFile(path, kUserKey).Save(CKorvaneAdminInfoMgr());
    const CSettingsLock lock(path);
    umask(nOldMask);

    ASSERT_TRUE(save) << save.strReason;
    ASSERT_TRUE(second) << second.strReason;
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(path.parent_path()), 0700u);
    EXPECT_EQ(ModeOf(path.parent_path().parent_path()), 0700u);
    EXPECT_EQ(ModeOf(CSettingsLock::LockPathFor(path)), 0600u);
    EXPECT_FALSE(fs::exists(CAtomicFile::TemporaryPathFor(path)));
}

// --- failed saves ---

TEST_F(SettingsFileSafety, ASaveBelowARegularFileFailsWithAReason) {
    WriteBytes(m_folder.Path() / "plain", "a file, not a folder");
    CKorvaneAdminInfoMgr manager;
    const SettingsSaveResult save =
        CSettingsFile(m_folder.Path() / "plain" / "KorvaneAdminSetting", kUserKey).Save(manager);
    EXPECT_FALSE(save);
    EXPECT_EQ(save.nMessageId, 90000);
    EXPECT_NE(save.strReason.find("plain"), std::string::npos) << save.strReason;
    EXPECT_EQ(ReadBytes(m_folder.Path() / "plain"), "a file, not a folder");
}

TEST_F(SettingsFileSafety, AFailedWriteLeavesTheOldFile) {
    CKorvaneAdminInfoMgr old;
    FillManager(old, MAIL_AUTH_LOGIN);
    ASSERT_TRUE(File().Save(old));
    const std::string oldBytes = ReadBytes(m_path);
    // A FIFO in the temporary file's place: the save fails (rather than waits for a reader) as a
    // full disk would fail it.
    const fs::path temporary = CAtomicFile::TemporaryPathFor(m_path);
    ASSERT_EQ(mkfifo(temporary.c_str(), 0600), 0);

    CKorvaneAdminInfoMgr changed;
    changed.m_nUpdateInterval = 99;
    const SettingsSaveResult save = File().Save(changed);
    EXPECT_FALSE(save);
    EXPECT_EQ(save.nMessageId, 90000);
    EXPECT_EQ(save.strReason, temporary.string() + " は通常のファイルではありません。");
    EXPECT_EQ(ReadBytes(m_path), oldBytes);
}

// Information that loads as a document of its own (255 levels) sits three levels deeper in the
// file, beyond what loading reads: written, the file would be set aside as damaged at the next
// start, with every device and password in it.
TEST_F(SettingsFileSafety, ASaveThatLoadingWouldRefuseFailsAndLeavesTheOldFile) {
    CKorvaneAdminInfoMgr manager;
    FillManager(manager, MAIL_AUTH_LOGIN);
    ASSERT_TRUE(File().Save(manager));
    const std::string oldBytes = ReadBytes(m_path);
    CManagedDevice* pDevice = manager.FindDevice(manager.Macs().front());
    Zelt::CXMLNode node = pDevice->GetRootNode();
    for (int i = 0; i < 254; ++i) {
        node = node.AppendChild(pDevice->CreateElement("deeper"));
    }
    const SettingsSaveResult save = File().Save(manager);
    EXPECT_FALSE(save);
    EXPECT_EQ(save.nMessageId, 90000);
    EXPECT_EQ(save.strReason, Zelt::CStringTable::Text(Zelt::Text::SettingsNestedTooDeeply));
    EXPECT_EQ(ReadBytes(m_path), oldBytes);
}

TEST_F(SettingsFileSafety, AFullDiskLeavesTheOldFileAndNoTemporaryFile) {
    CKorvaneAdminInfoMgr old;
    FillManager(old, MAIL_AUTH_NONE);
    ASSERT_TRUE(File().Save(old));
    const std::string oldBytes = ReadBytes(m_path);
    CKorvaneAdminInfoMgr larger;
    FillLargeManager(larger, "qrx-x", 20, 2);

    const int nCode = ExitCodeOfChild([&] {
        // A file size limit fails the write with EFBIG, as a full disk fails it with ENOSPC.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{oldBytes.size() + 1000, oldBytes.size() + 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const SettingsSaveResult save = File().Save(larger);
        return !save.bSaved && save.nMessageId == 90000 &&
                       save.strReason ==
                           Korvane::CTextFormat::FormatId(
                               Zelt::Text::FileCannotWrite,
                               {CAtomicFile::TemporaryPathFor(m_path).string(), std::strerror(EFBIG)})
                   ? 0
                   : 1;
    });
    EXPECT_EQ(nCode, 0);
    EXPECT_EQ(ReadBytes(m_path), oldBytes);
    EXPECT_TRUE(OtherEntries(m_path).empty());
}

TEST_F(SettingsFileSafety, WithoutAUserIdentityNothingIsWrittenOrRead) {
    CKorvaneAdminInfoMgr manager;
    FillManager(manager, MAIL_AUTH_NONE);
    const SettingsSaveResult save = CSettingsFile(m_path, std::nullopt).Save(manager);
    EXPECT_FALSE(save);
    EXPECT_EQ(save.nMessageId, 90000);
    EXPECT_FALSE(fs::exists(m_path));

    ASSERT_TRUE(File().Save(manager));
    CKorvaneAdminInfoMgr loaded;
    EXPECT_EQ(CSettingsFile(m_path, std::nullopt).Load(loaded).nMessageId, 10015);
    ExpectDefaults(loaded);
}

// --- interrupted saves ---

TEST_F(SettingsFileSafety, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
    constexpr int kDevices = 300;
    CKorvaneAdminInfoMgr manager;
    FillLargeManager(manager, "qrx-x", kDevices, 5);
    manager.m_nUpdateInterval = 1;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(File().Save(manager));
    const auto saveTime = std::chrono::steady_clock::now() - start;

    const unsigned nSeed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(nSeed));
    std::mt19937 random(nSeed);
    std::uniform_int_distribution<long long> delay(
        0, 3 * std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count());
    int nLastInterval = 1;
    for (int nRound = 0; nRound < 12; ++nRound) {
        const pid_t nPid = fork();
        if (nPid == 0) {
            for (int i = nLastInterval + 1;; ++i) {
                manager.m_nUpdateInterval = i;
                File().Save(manager);
            }
        }
        ASSERT_GT(nPid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(nPid, SIGKILL);
        waitpid(nPid, nullptr, 0);

        CKorvaneAdminInfoMgr loaded;
        const SettingsLoadResult load = File().Load(loaded);
        ASSERT_EQ(load.outcome, SettingsLoadOutcome::Loaded) << "round " << nRound << ": " << load.strReason;
        EXPECT_EQ(loaded.Devices().size(), static_cast<size_t>(kDevices));
        EXPECT_GE(loaded.m_nUpdateInterval, nLastInterval) << "never older than the last whole save";
        nLastInterval = loaded.m_nUpdateInterval;
        const std::vector<std::string> others = OtherEntries(m_path);
        EXPECT_LE(others.size(), 1u);
        for (const std::string& name : others) {
            EXPECT_EQ(name, "KorvaneAdminSetting.tmp");
        }
    }
    ASSERT_TRUE(File().Save(manager));
    EXPECT_TRUE(OtherEntries(m_path).empty()) << "the next save takes up what an interrupted one left";
}

} // namespace
