#include "JsonValues.h"

#include <charconv>
#include <cstdint>

namespace Korvanectl {

nlohmann::json JsonValues::TextOrNull(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

nlohmann::json JsonValues::NumberOrNull(const std::string& text) {
    const char* pEnd = text.data() + text.size();
    int64_t nValue = 0;
    if (const auto [pStop, error] = std::from_chars(text.data(), pEnd, nValue);
        error == std::errc() && pStop == pEnd && !text.empty()) {
        return nValue;
    }
    double dValue = 0;
    if (const auto [pStop, error] = std::from_chars(text.data(), pEnd, dValue, std::chars_format::fixed);
        error == std::errc() && pStop == pEnd && !text.empty()) {
        return dValue;
    }
    return nullptr;
}

} // namespace Korvanectl
