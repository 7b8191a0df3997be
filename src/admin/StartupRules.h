#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// The decisions the desktop program makes before its window exists.
class CStartupRules {
public:
    // "/tasktray" or "-tasktray", exactly in that case: start with only the tray icon.
    static bool IsTrayStartFlag(std::string_view token);
    // Whether any of the command-line arguments (the program name left out) asks for it.
    static bool TrayStartRequested(const std::vector<std::string>& arguments);
    // The browser component must be version 6 or later. The major version is the decimal number
    // in front of the first "."; a version that cannot be read passes, as does none at all.
    static bool BrowserVersionSuffices(const std::optional<std::string>& versionText);
    // The scale of painted sizes: logical dots per inch over 96.
    static double ScaleFactor(double dLogicalDpi) { return dLogicalDpi / 96.0; }
};

} // namespace Korvane
