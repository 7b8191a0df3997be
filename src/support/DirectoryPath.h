#pragma once

#include <filesystem>
#include <sys/types.h>

namespace Zelt {

// Creates the directory and any missing parents with nMode (before the umask); the default keeps
// the settings folders private. An empty path or an existing directory succeeds at once. On failure
// errno tells why the last creation failed.
bool CreateDirectoryPath(const std::filesystem::path& pathDirectory, mode_t nMode = 0700);

} // namespace Zelt
