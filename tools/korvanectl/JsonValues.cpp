#include "JsonValues.h"

#include <charconv>
#include <cstdint>

namespace Korvanectl {

nlohmann::json JsonValues::TextOrNull(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

nlohmann::json JsonValues::NumberOrNull(const std::string& text) {
    int64_t nValue = 0;
    const char* pEnd = text.data() + text.size();
    const auto [pStop, error] = std::from_chars(text.data(), pEnd, nValue);
    if (text.empty() || error != std::errc() || pStop != pEnd) {
        return nullptr;
    }
    return nValue;
}

} // namespace Korvanectl
