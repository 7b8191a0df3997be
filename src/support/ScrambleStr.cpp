#include "support/ScrambleStr.h"

#include <array>
#include <cstdint>

namespace Zelt {

namespace {

constexpr std::string_view HEX_DIGITS = "0123456789ABCDEF";

uint8_t KeyByte(std::string_view strKey, size_t nIndex) {
    return static_cast<uint8_t>(strKey[nIndex]);
}

// The key is cycled by counting rather than by a division per byte.
size_t NextKeyIndex(std::string_view strKey, size_t nIndex) {
    return nIndex + 1 == strKey.size() ? 0 : nIndex + 1;
}

// Lower-case letters are deliberately not digits: files written by the encoder never contain them.
// A table, because the settings file is read through here: millions of characters.
constexpr std::array<uint8_t, 256> DIGIT_VALUES = [] {
    std::array<uint8_t, 256> values{};
    for (size_t i = 0; i < HEX_DIGITS.size(); ++i) {
        values[static_cast<uint8_t>(HEX_DIGITS[i])] = static_cast<uint8_t>(i);
    }
    return values;
}();

uint8_t DigitValue(char ch) {
    return DIGIT_VALUES[static_cast<uint8_t>(ch)];
}

} // namespace

std::string CEncodeStr::ConvertText(std::string_view strText, std::string_view strKey) const {
    if (strKey.empty()) {
        return std::string(strText);
    }
    // Written in place rather than appended: this runs over the whole settings file.
    std::string strResult(strText.size() * 2, '\0');
    for (size_t i = 0, nKey = 0; i < strText.size(); ++i, nKey = NextKeyIndex(strKey, nKey)) {
        const auto nByte = static_cast<uint8_t>(static_cast<uint8_t>(strText[i]) + KeyByte(strKey, nKey));
        strResult[2 * i] = HEX_DIGITS[nByte >> 4];
        strResult[2 * i + 1] = HEX_DIGITS[nByte & 0x0F];
    }
    return strResult;
}

std::string CDecodeStr::ConvertText(std::string_view strText, std::string_view strKey) const {
    if (strKey.empty()) {
        return std::string(strText);
    }
    std::string strResult(strText.size() / 2, '\0');
    for (size_t i = 0, nKey = 0; i < strResult.size(); ++i, nKey = NextKeyIndex(strKey, nKey)) {
        const int nValue = 16 * DigitValue(strText[2 * i]) + DigitValue(strText[2 * i + 1]);
        strResult[i] = static_cast<char>(static_cast<uint8_t>(nValue - KeyByte(strKey, nKey)));
    }
    return strResult;
}

} // namespace Zelt
