#include "support/XmlText.h"

#include <cstdint>
#include <optional>

#include <libxml/tree.h>

namespace Zelt {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

struct DecodedCharacter {
    char32_t codePoint;
    size_t length;
};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<DecodedCharacter> DecodeUtf8(std::string_view text, size_t position) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[position + i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) {
        return DecodedCharacter{lead, 1};
    }
    size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (position + length > text.size()) {
        return std::nullopt;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return std::nullopt;
        }
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || codePoint > 0x10FFFF || surrogate) {
        return std::nullopt;
    }
    return DecodedCharacter{codePoint, length};
}

bool IsXmlCharacter(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           c >= 0x10000;
}

} // namespace

std::string CXmlText::Sanitized(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    size_t position = 0;
    while (position < text.size()) {
        const std::optional<DecodedCharacter> decoded = DecodeUtf8(text, position);
        if (!decoded) {
            result += kReplacementCharacter;
            ++position;
            continue;
        }
        if (IsXmlCharacter(decoded->codePoint)) {
            result += text.substr(position, decoded->length);
        } else {
            result += kReplacementCharacter;
        }
        position += decoded->length;
    }
    return result;
}

bool CXmlText::IsValidName(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos &&
           xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

} // namespace Zelt
