#include "TerminalText.h"

#include "support/Utf8.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

namespace Korvanectl {
namespace {

using Zelt::CUtf8;

// DEL, the C1 controls (which XML lets through as characters) and the bidirectional embeddings,
// overrides and isolates: terminals act on them, or reorder the rest of the line around them.
bool IsHiddenControl(char32_t nCharacter) {
    return nCharacter == 0x7F || (nCharacter >= 0x80 && nCharacter <= 0x9F) ||
           (nCharacter >= 0x202A && nCharacter <= 0x202E) || (nCharacter >= 0x2066 && nCharacter <= 0x2069);
}

std::string Formatted(const char* pszFormat, unsigned nValue) {
    char text[16];
    std::snprintf(text, sizeof text, pszFormat, nValue);
    return text;
}

// The text with each character that `replace` gives a replacement for replaced; an invalid
// sequence comes as one code point that is not valid.
template <typename Replace>
std::string Rewritten(std::string_view text, Replace replace) {
    std::string result;
    result.reserve(text.size());
    for (size_t nPos = 0; nPos < text.size();) {
        const CUtf8::CodePoint character = CUtf8::Decode(text, nPos);
        const std::string_view original = text.substr(nPos, character.nLength);
        const std::optional<std::string> replacement = replace(character, original);
        result += replacement ? *replacement : std::string(original);
        nPos += character.nLength;
    }
    return result;
}

std::string UnicodeEscape(char32_t nCharacter) {
    return Formatted("\\u%04x", static_cast<unsigned>(nCharacter));
}

std::string ByteEscapes(std::string_view bytes) {
    std::string escaped;
    for (const char c : bytes) {
        escaped += Formatted("\\x%02x", static_cast<unsigned char>(c));
    }
    return escaped;
}

std::optional<std::string> ReadableEscape(const CUtf8::CodePoint& character, std::string_view original) {
    if (!character.bValid) {
        return ByteEscapes(original);
    }
    switch (character.nValue) {
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    default:
        break;
    }
    if (character.nValue < 0x20 || character.nValue == 0x7F) {
        return ByteEscapes(original);
    }
    if (IsHiddenControl(character.nValue)) {
        return UnicodeEscape(character.nValue);
    }
    return std::nullopt;
}

} // namespace

std::string TerminalText::Escaped(std::string_view text) {
    return Rewritten(text, ReadableEscape);
}

std::string TerminalText::Json(const nlohmann::json& value) {
    const std::string dumped = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // Outside strings JSON has only ASCII characters that are none of these, so the escapes land
    // inside strings, where they mean the same characters.
    return Rewritten(dumped,
                     [](const CUtf8::CodePoint& character, std::string_view) -> std::optional<std::string> {
                         if (IsHiddenControl(character.nValue)) {
                             return UnicodeEscape(character.nValue);
                         }
                         return std::nullopt;
                     });
}

std::string TerminalText::Xml(std::string_view text) {
    return Rewritten(text,
                     [](const CUtf8::CodePoint& character, std::string_view) -> std::optional<std::string> {
                         if (!character.bValid) {
                             return std::string(CUtf8::REPLACEMENT_CHARACTER);
                         }
                         const bool bControl =
                             character.nValue < 0x20 && character.nValue != '\t' && character.nValue != '\n';
                         if (bControl || IsHiddenControl(character.nValue)) {
                             return Formatted("&#x%x;", static_cast<unsigned>(character.nValue));
                         }
                         return std::nullopt;
                     });
}

} // namespace Korvanectl
