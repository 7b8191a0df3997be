#include "support/DirectoryPath.h"

#include <cerrno>
#include <sys/stat.h>

namespace Zelt {

namespace {

bool IsDirectory(const std::filesystem::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "a/b/" names the same directory as "a/b", whose parent is "a".
std::filesystem::path WithoutTrailingSeparator(std::filesystem::path path) {
    while (!path.has_filename() && path.has_relative_path()) {
        path = path.parent_path();
    }
    return path;
}

} // namespace

bool CreateDirectoryPath(const std::filesystem::path& pathDirectory, mode_t nMode) {
    const std::filesystem::path path = WithoutTrailingSeparator(pathDirectory);
    if (path.empty() || IsDirectory(path)) {
        return true;
    }
    const std::filesystem::path parent = path.parent_path();
    if (parent != path && !CreateDirectoryPath(parent, nMode)) {
        return false;
    }
    // Someone else may have created it meanwhile; that is success too.
    return mkdir(path.c_str(), nMode) == 0 || (errno == EEXIST && IsDirectory(path));
}

} // namespace Zelt
