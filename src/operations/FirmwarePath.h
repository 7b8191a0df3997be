#pragma once

#include "support/RegularFile.h"

#include <string>

namespace Korvane {

// The OK check of the firmware update dialog: the image must be named and must be there, a
// regular file, before any device is contacted.
class CFirmwarePath {
public:
    static constexpr int FIRMWARE_PATH_OK = 0;

    // FIRMWARE_PATH_OK, or the string id of the message to show while the dialog stays open. A
    // folder, FIFO or device under the name is refused: the upload would fail or wait for ever.
    static int Check(const std::string& strPath);
    // The message of a check's result (a refused file is named).
    static std::string MessageText(int nMessageId, const std::string& strPath);
};

} // namespace Korvane
