#pragma once

#include <string>
#include <string_view>

namespace Zelt {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
class CUtf8 {
public:
    static constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";

    struct CodePoint {
        char32_t nValue = 0;
        size_t nLength = 1; // bytes consumed, also for an invalid sequence
        bool bValid = false;
    };

    // Decodes one character at nPos; an invalid sequence consumes its maximal ill-formed subpart.
    static CodePoint Decode(std::string_view strText, size_t nPos);
    static std::string Encode(char32_t nValue);
    // The text with each invalid sequence (maximal ill-formed subpart) replaced by U+FFFD.
    static std::string ToValid(std::string_view strText);
    // Negative, zero or positive as a is before, equal to or after b in the order of their UTF-16
    // code units (the order names were always sorted in); invalid sequences count as U+FFFD.
    static int CompareUtf16(std::string_view a, std::string_view b);
};

} // namespace Zelt
