#include "support/XmlText.h"

#include "support/Utf8.h"

#include <libxml/tree.h>

namespace Zelt {
namespace {

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
        const CUtf8::CodePoint decoded = CUtf8::Decode(text, position);
        const bool keep = decoded.bValid && IsXmlCharacter(decoded.nValue);
        result += keep ? text.substr(position, decoded.nLength) : CUtf8::REPLACEMENT_CHARACTER;
        position += decoded.nLength;
    }
    return result;
}

bool CXmlText::IsValidName(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos &&
           xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

} // namespace Zelt
