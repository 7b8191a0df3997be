#include "operations/FirmwarePath.h"

#include <filesystem>
#include <system_error>

namespace Korvane {

int CFirmwarePath::Check(const std::string& strPath) {
    if (strPath.empty()) {
        return FIRMWARE_PATH_EMPTY;
    }
    std::error_code error;
    // A name that cannot be looked at (a folder without search permission) counts as not there.
    if (!std::filesystem::exists(strPath, error) || error) {
        return FIRMWARE_PATH_MISSING;
    }
    return FIRMWARE_PATH_OK;
}

} // namespace Korvane
