#pragma once

#include <string>
#include <string_view>

namespace Korvane {

// RFC 2047 "B" words for the From name and the subject of a mail.
class CEncodedWord {
public:
    // The words of the text, each at most one character past 64 columns, joined by "\r\n "
    // (folding). Empty for an empty text and for an encoding outside the mail encodings.
    static std::string Encode(std::string_view strText, int nEncoding);

private:
    // How many bytes of the text the next word takes; its Base64 part goes to strBase64.
    static size_t NextWord(std::string_view strRest, int nEncoding, size_t nUsable, std::string& strBase64);
    static std::string Base64Of(std::string_view strCharacters, int nEncoding);
};

} // namespace Korvane
