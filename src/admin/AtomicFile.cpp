#include "admin/AtomicFile.h"

#include "admin/TextFormat.h"
#include "support/RegularFile.h"
#include "support/TextIds.h"
#include "support/Trace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Korvane {
namespace {

// A temporary file that another save renamed into place while this one waited for its lock.
constexpr int kOpenAttempts = 3;

bool Fail(std::string& strReason, int nStepTextId, const std::filesystem::path& path, int nError) {
    strReason = CTextFormat::FormatId(nStepTextId, {path.string(), std::strerror(nError)});
    return false;
}

bool IsStillNamed(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

std::filesystem::path CAtomicFile::TemporaryPathFor(const std::filesystem::path& path) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    return temporary;
}

bool CAtomicFile::Replace(const std::filesystem::path& path, std::string_view bytes, mode_t nMode,
                          std::string& strReason) {
    const std::filesystem::path temporary = TemporaryPathFor(path);
    const Zelt::CFileDescriptor fd = OpenTemporary(temporary, nMode, strReason);
    if (!fd.IsOpen()) {
        return false;
    }
    if (!WriteAndRename(fd.Get(), temporary, path, bytes, strReason)) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(path.parent_path());
    return true;
}

// The temporary file is locked while it is written: two saves at once (which the settings lock
// should already prevent) must not write into one file. A FIFO in its place would hold the save.
Zelt::CFileDescriptor CAtomicFile::OpenTemporary(const std::filesystem::path& temporary, mode_t nMode,
                                                 std::string& strReason) {
    for (int nAttempt = 0; nAttempt < kOpenAttempts; ++nAttempt) {
        Zelt::CRegularFile file(temporary, O_WRONLY | O_CREAT | O_NOFOLLOW, nMode);
        if (!file.IsOpen()) {
            strReason = file.Reason();
            return Zelt::CFileDescriptor();
        }
        Zelt::CFileDescriptor fd = file.Release();
        if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            strReason =
                CTextFormat::FormatId(Zelt::Text::SaveUnderWayElsewhere, {temporary.parent_path().string()});
            return Zelt::CFileDescriptor();
        }
        if (!IsStillNamed(fd.Get(), temporary)) {
            continue;
        }
        // A save cut short leaves its temporary file behind with whatever it had written.
        if (ftruncate(fd.Get(), 0) != 0 || fchmod(fd.Get(), nMode) != 0) {
            Fail(strReason, Zelt::Text::FileCannotPrepare, temporary, errno);
            return Zelt::CFileDescriptor();
        }
        return fd;
    }
    strReason = CTextFormat::FormatId(Zelt::Text::SaveKeepsBeingReplaced, {temporary.parent_path().string()});
    return Zelt::CFileDescriptor();
}

bool CAtomicFile::WriteAndRename(int fd, const std::filesystem::path& temporary,
                                 const std::filesystem::path& path, std::string_view bytes,
                                 std::string& strReason) {
    if (!WriteAll(fd, bytes)) {
        return Fail(strReason, Zelt::Text::FileCannotWrite, temporary, errno);
    }
    // Without this the rename could reach the disk before the data, and a crash would leave an
    // empty file under the old name.
    if (fsync(fd) != 0) {
        return Fail(strReason, Zelt::Text::FileCannotFlush, temporary, errno);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        return Fail(strReason, Zelt::Text::FileCannotReplace, path, errno);
    }
    return true;
}

bool CAtomicFile::WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t nWritten = write(fd, bytes.data(), bytes.size());
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            errno = nWritten == 0 ? EIO : errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(nWritten));
    }
    return true;
}

// The new name is durable only once the folder is. The file is already replaced, so a failure
// here is traced rather than reported: a crash would at worst bring back the old, whole file.
void CAtomicFile::SyncFolder(const std::filesystem::path& folder) {
    const std::filesystem::path name = folder.empty() ? std::filesystem::path(".") : folder;
    const Zelt::CFileDescriptor fd(open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen() || fsync(fd.Get()) != 0) {
        Zelt::DebugTrace("CAtomicFile::SyncFolder(): %s: %s\n", name.c_str(), std::strerror(errno));
    }
}

} // namespace Korvane
