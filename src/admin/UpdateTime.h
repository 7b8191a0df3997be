#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane {

// The time of a device's last successful update as the settings file and the JSON output keep it:
// ISO 8601 in UTC ("2026-12-08T18:00:00Z"), the same on every machine and in every time zone.
class CUpdateTime {
public:
    static std::string ToText(std::time_t time);
    // None for anything but such a text of a real moment.
    static std::optional<std::time_t> FromText(std::string_view text);
};

} // namespace Korvane
