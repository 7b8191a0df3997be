#include "admin/UpdateTime.h"

#include <cstdio>

namespace Korvane {
namespace {

constexpr const char* kFormat = "%Y-%m-%dT%H:%M:%SZ";

} // namespace

std::string CUpdateTime::ToText(std::time_t time) {
    std::tm utc{};
    char text[32] = {};
    if (gmtime_r(&time, &utc) == nullptr || std::strftime(text, sizeof text, kFormat, &utc) == 0) {
        return std::string();
    }
    return text;
}

std::optional<std::time_t> CUpdateTime::FromText(std::string_view text) {
    const std::string copy(text);
    std::tm utc{};
    const char* pszEnd = strptime(copy.c_str(), kFormat, &utc);
    if (pszEnd == nullptr || *pszEnd != '\0') {
        return std::nullopt;
    }
    const std::time_t time = timegm(&utc);
    // strptime takes 25:00 or February 30 as they stand; only a text that formats back is a moment.
    if (time <= 0 || ToText(time) != copy) {
        return std::nullopt;
    }
    return time;
}

} // namespace Korvane
