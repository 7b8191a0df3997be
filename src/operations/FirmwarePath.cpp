#include "operations/FirmwarePath.h"

#include "support/StringTable.h"

#include <filesystem>
#include <system_error>

namespace Korvane {

int CFirmwarePath::Check(const std::string& strPath) {
    if (strPath.empty()) {
        return Zelt::Text::FirmwareFileNotSelected;
    }
    std::error_code error;
    // A name that cannot be looked at (a folder without search permission) counts as not there.
    if (!std::filesystem::exists(strPath, error) || error) {
        return Zelt::Text::SelectedFileMissing;
    }
    if (Zelt::CRegularFile::HoldsOtherThanRegularFile(strPath, true)) {
        return Zelt::Text::NotRegularFile;
    }
    return FIRMWARE_PATH_OK;
}

std::string CFirmwarePath::MessageText(int nMessageId, const std::string& strPath) {
    return nMessageId == Zelt::Text::NotRegularFile ? Zelt::CRegularFile::NotRegularText(strPath)
                                                    : std::string(Zelt::CStringTable::Text(nMessageId));
}

} // namespace Korvane
