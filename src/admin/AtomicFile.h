#pragma once

#include "support/FileDescriptor.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace Korvane {

// Replaces the content of a file so that a reader, a crash or a full disk only ever leaves the
// old content or the new one, each whole.
class CAtomicFile {
public:
    // Writes the bytes to the temporary file beside path, flushes them to the disk, renames the
    // temporary file over path and flushes the folder. The file gets nMode whatever the umask.
    // On failure path is unchanged, the temporary file is removed and strReason says why.
    static bool Replace(const std::filesystem::path& path, std::string_view bytes, mode_t nMode,
                        std::string& strReason);

    // "<path>.tmp": one fixed name, so that saves cut short never leave more than one behind.
    static std::filesystem::path TemporaryPathFor(const std::filesystem::path& path);

private:
    static Zelt::CFileDescriptor OpenTemporary(const std::filesystem::path& temporary, mode_t nMode,
                                               std::string& strReason);
    static bool WriteAndRename(int fd, const std::filesystem::path& temporary,
                               const std::filesystem::path& path, std::string_view bytes,
                               std::string& strReason);
    static bool WriteAll(int fd, std::string_view bytes);
    static void SyncFolder(const std::filesystem::path& folder);
};

} // namespace Korvane
