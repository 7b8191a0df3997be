// The firmware dialog's OK check, against real files in a scratch directory.
#include "operations/FirmwarePath.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

using Korvane::CFirmwarePath;
namespace fs = std::filesystem;

namespace {

class FirmwarePathCheck : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "korvane-fw-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(directory_, error);
    }

    fs::path directory_;
};

} // namespace

TEST_F(FirmwarePathCheck, AnEmptyPathAsksForAFile) {
    EXPECT_EQ(CFirmwarePath::Check(""), 10013);
}

TEST_F(FirmwarePathCheck, NothingAtThePathIsReported) {
    EXPECT_EQ(CFirmwarePath::Check((directory_ / "image.bin").string()), 10014);
    EXPECT_EQ(CFirmwarePath::Check((directory_ / "no-such-folder" / "image.bin").string()), 10014);
    // A link whose target is gone names nothing that could be sent.
    fs::create_symlink(directory_ / "gone.bin", directory_ / "link.bin");
    EXPECT_EQ(CFirmwarePath::Check((directory_ / "link.bin").string()), 10014);
}

TEST_F(FirmwarePathCheck, ARegularFilePassesAndAnythingElseIsRefusedByName) {
    const fs::path image = directory_ / "ファーム 1.20.bin";
    std::ofstream(image) << "image";
    EXPECT_EQ(CFirmwarePath::Check(image.string()), CFirmwarePath::FIRMWARE_PATH_OK);
    const fs::path fifo = directory_ / "fifo.bin";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {fifo, directory_, fs::path("/dev/zero")}) {
        EXPECT_EQ(CFirmwarePath::Check(path.string()), 90450) << path;
    }
    EXPECT_EQ(CFirmwarePath::MessageText(90450, fifo.string()),
              fifo.string() + " は通常のファイルではありません。");
}
