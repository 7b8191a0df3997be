#include "support/DirectoryPath.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using Zelt::CreateDirectoryPath;

mode_t Permissions(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

mode_t CurrentUmask() {
    const mode_t nMask = umask(0);
    umask(nMask);
    return nMask;
}

class DirectoryPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string strTemplate = (fs::temp_directory_path() / "korvane-dirpath-XXXXXX").string();
        ASSERT_NE(mkdtemp(strTemplate.data()), nullptr);
        m_root = strTemplate;
    }
    void TearDown() override { fs::remove_all(m_root); }

    void CreateFile(const fs::path& path) { std::ofstream(path) << "content"; }

    fs::path m_root;
};

TEST_F(DirectoryPathTest, CreatesNestedPathWithEveryMissingParent) {
    const fs::path path = m_root / "one" / "two" / "three";
    ASSERT_TRUE(CreateDirectoryPath(path));
    for (const fs::path& level : {m_root / "one", m_root / "one" / "two", path}) {
        EXPECT_TRUE(fs::is_directory(level)) << level;
        EXPECT_EQ(Permissions(level), 0700 & ~CurrentUmask()) << level;
    }
}

TEST_F(DirectoryPathTest, UsesTheGivenMode) {
    const fs::path path = m_root / "shared" / "inner";
    ASSERT_TRUE(CreateDirectoryPath(path, 0755));
    EXPECT_EQ(Permissions(path), 0755 & ~CurrentUmask());
    EXPECT_EQ(Permissions(path.parent_path()), 0755 & ~CurrentUmask());
}

TEST_F(DirectoryPathTest, ExistingOrEmptyPathSucceedsAndIsLeftAlone) {
    CreateFile(m_root / "kept");
    ASSERT_EQ(chmod(m_root.c_str(), 0750), 0);
    EXPECT_TRUE(CreateDirectoryPath(m_root));
    EXPECT_TRUE(fs::exists(m_root / "kept"));
    EXPECT_EQ(Permissions(m_root), 0750u);
    EXPECT_TRUE(CreateDirectoryPath(""));
}

TEST_F(DirectoryPathTest, TrailingSeparatorIsAccepted) {
    const fs::path path = m_root / "a" / "b" / "";
    EXPECT_TRUE(CreateDirectoryPath(path));
    EXPECT_TRUE(fs::is_directory(m_root / "a" / "b"));
}

TEST_F(DirectoryPathTest, RelativePathIsCreatedInTheWorkingDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(m_root);
    const bool bCreated = CreateDirectoryPath(fs::path("rel") / "sub");
    fs::current_path(previous);
    EXPECT_TRUE(bCreated);
    EXPECT_TRUE(fs::is_directory(m_root / "rel" / "sub"));
}

TEST_F(DirectoryPathTest, FailsBelowARegularFile) {
    CreateFile(m_root / "file");
    errno = 0;
    EXPECT_FALSE(CreateDirectoryPath(m_root / "file" / "sub"));
    EXPECT_EQ(errno, EEXIST); // "file" exists but is no directory
    EXPECT_FALSE(CreateDirectoryPath(m_root / "file" / "sub" / "deeper"));
    EXPECT_TRUE(fs::is_regular_file(m_root / "file"));
}

TEST_F(DirectoryPathTest, FailsWhereARegularFileHoldsThePath) {
    CreateFile(m_root / "file");
    EXPECT_FALSE(CreateDirectoryPath(m_root / "file"));
    EXPECT_TRUE(fs::is_regular_file(m_root / "file"));
}

} // namespace
