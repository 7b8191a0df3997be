#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace Korvanectl {

// The JSON of a value that may be missing: a missing value is null, never "" or "-".
class JsonValues {
public:
    // The text, or null when it is empty.
    static nlohmann::json TextOrNull(const std::string& text);
    // The decimal number the text holds (an integer, or one with a fraction such as "41.5"), or
    // null when it holds none: empty, or anything besides one number.
    static nlohmann::json NumberOrNull(const std::string& text);
};

} // namespace Korvanectl
