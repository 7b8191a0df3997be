#pragma once

#include <string>

namespace Korvane {

// The OK check of the firmware update dialog: the image must be named and must be there before
// any device is contacted.
class CFirmwarePath {
public:
    static constexpr int FIRMWARE_PATH_OK = 0;
    static constexpr int FIRMWARE_PATH_EMPTY = 10013;   // string id of the message
    static constexpr int FIRMWARE_PATH_MISSING = 10014; // string id of the message

    // FIRMWARE_PATH_OK, or the string id of the message to show while the dialog stays open.
    // Anything that exists under the name passes, a directory too; the device session reports
    // what cannot be read.
    static int Check(const std::string& strPath);
};

} // namespace Korvane
