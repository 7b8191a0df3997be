#pragma once

#include "admin/ManagedDevice.h"

#include <string>
#include <string_view>

namespace Korvane {

// What the device list shows for one device: the text of each cell and the state icon.
class CCellText {
public:
    // The text of the column with the key for the device; "-" for a missing value or an unknown
    // key. Never throws.
    static std::string CellText(std::string_view key, const CManagedDevice& device);
    // The image of the row: 2 error, 1 caution, 0 normal.
    static int StateIconIndex(const CManagedDevice& device);
    // The text of the status column.
    static std::string StatusText(const CManagedDevice& device);

private:
    static std::string TextOfPath(const std::string& xpath, const CManagedDevice& device);
};

} // namespace Korvane
