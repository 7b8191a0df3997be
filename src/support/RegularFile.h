#pragma once

#include "support/FileDescriptor.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace Zelt {

// A file that the program reads or replaces (the settings file and its lock, a firmware image, a
// state file, a file named on the command line), opened so that nothing at its path can hold the
// program: the open never waits (a FIFO without a writer would block a plain open for ever), and
// whatever is not a regular file (a FIFO, a device, a directory) is refused rather than read.
class CRegularFile {
public:
    // ABSENT: nothing at the path, or a part of it that is not a folder.
    enum Status { OPENED, ABSENT, NOT_REGULAR, FAILED };

    // nFlags as for open(); O_NONBLOCK (of no effect on a regular file once it is open) and
    // O_CLOEXEC are added. nMode is the mode of a file that O_CREAT creates.
    CRegularFile(std::filesystem::path path, int nFlags, mode_t nMode = 0);

    Status GetStatus() const { return m_status; }
    bool IsOpen() const { return m_status == OPENED; }
    int Get() const { return m_fd.Get(); }
    // Hands the open descriptor on; this object holds none afterwards.
    CFileDescriptor Release() { return std::move(m_fd); }

    // Reads from the current position to the end of the file, at most nMaxBytes; false when a
    // read fails (Reason() tells why).
    bool ReadAtMost(size_t nMaxBytes, std::string& bytes);
    // The same, but a file longer than nMaxBytes fails as too large.
    bool ReadAll(size_t nMaxBytes, std::string& bytes);

    // Why the file is not open or could not be read, naming its path; empty while all is well.
    std::string Reason() const;
    // The system's error number behind Reason(); 0 while all is well or when the path is no
    // regular file.
    int Error() const { return m_nError; }

    // Whether something other than a regular file is at the path (a symbolic link counts as
    // what it leads to only when links are followed).
    static bool HoldsOtherThanRegularFile(const std::filesystem::path& path, bool bFollowLinks);
    // "<path> is not a regular file", for the user.
    static std::string NotRegularText(const std::filesystem::path& path);

private:
    // Keeps errno and the failed step (its table text: path, then the system's reason) for
    // Reason() and closes the file.
    void Fail(int nStepTextId);

    std::filesystem::path m_path;
    CFileDescriptor m_fd;
    Status m_status = FAILED;
    size_t m_nSize = 0; // at the open
    int m_nError = 0;
    int m_nFailedStepTextId = 0;
};

} // namespace Zelt
