#include "protocol/MacAddress.h"

#include <array>
#include <charconv>

namespace Korvane {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// The separator the text's length allows: ':' or '-' for 17 characters, none for 12.
std::optional<char> SeparatorOf(std::string_view text) {
    if (text.size() == 2 * CMacAddress::BYTES) {
        return '\0';
    }
    if (text.size() == CMacAddress::CANONICAL_SIZE && (text[2] == ':' || text[2] == '-')) {
        return text[2];
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> CMacAddress::Canonical(std::string_view text) {
    const std::optional<char> separator = SeparatorOf(text);
    if (!separator) {
        return std::nullopt;
    }
    const size_t nStride = *separator == '\0' ? 2 : 3;
    std::array<uint8_t, BYTES> bytes{};
    for (size_t i = 0; i < BYTES; ++i) {
        const char* pPair = text.data() + i * nStride;
        const auto [pEnd, error] = std::from_chars(pPair, pPair + 2, bytes[i], 16);
        const bool bSeparated = *separator == '\0' || i + 1 == BYTES || pPair[2] == *separator;
        if (error != std::errc() || pEnd != pPair + 2 || !bSeparated) {
            return std::nullopt;
        }
    }
    return FromBytes(bytes);
}

bool CMacAddress::IsCanonical(std::string_view text) {
    const std::optional<std::string> canonical = Canonical(text);
    return canonical && *canonical == text;
}

std::string CMacAddress::FromBytes(std::span<const uint8_t, BYTES> bytes) {
    std::string text;
    text.reserve(CANONICAL_SIZE);
    for (const uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ':';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace Korvane
