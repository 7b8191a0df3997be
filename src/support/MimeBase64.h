#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Zelt {

// Base64 of RFC 2045 as the mail client needs it.
class CMimeBase64 {
public:
    // With bMultiLine the text is cut into lines of 76 characters joined by "\r\n" (none after the last).
    static std::string Encode(std::string_view bytes, bool bMultiLine);

    // Strict decoding: spaces, tabs and line ends are skipped; any other character outside the
    // alphabet, a length that is not a multiple of 4 or misplaced "=" gives nullopt.
    static std::optional<std::string> Decode(std::string_view strText);

    // Encodes UTF-8 text; invalid sequences are replaced by U+FFFD first, because the result is
    // labelled UTF-8 in the mail.
    static std::string EncodeUtf8(std::string_view strText, bool bMultiLine);

    // Encodes the ISO-2022-JP form of UTF-8 text, always in one line.
    static std::string EncodeIso2022Jp(std::string_view strText);

    // The 6-bit value of an alphabet character; nullopt for anything else, "=" included.
    static std::optional<uint8_t> SextetValue(char ch);
};

} // namespace Zelt
