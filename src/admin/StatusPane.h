#pragma once

#include "admin/ManagedDevice.h"

#include <string>
#include <vector>

namespace Korvane {

// The lines of the main window's status pane for the device selected in the list.
class CStatusPane {
public:
    // The heading with the name and the time of the list's information, the password state, the
    // addresses waiting for approval (when some do), the result of the last update (left out when
    // there is none) and the alert text line by line.
    static std::vector<std::string> Lines(const CManagedDevice& device);
};

} // namespace Korvane
