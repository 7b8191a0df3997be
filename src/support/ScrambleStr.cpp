#include "support/ScrambleStr.h"

#include <cstdint>

namespace Zelt {

namespace {

constexpr std::string_view HEX_DIGITS = "0123456789ABCDEF";

uint8_t KeyByte(std::string_view strKey, size_t nIndex) {
    return static_cast<uint8_t>(strKey[nIndex % strKey.size()]);
}

// Lower-case letters are deliberately not digits: files written by the encoder never contain them.
uint8_t DigitValue(char ch) {
    const size_t nPos = HEX_DIGITS.find(ch);
    return nPos == std::string_view::npos ? 0 : static_cast<uint8_t>(nPos);
}

} // namespace

std::string CEncodeStr::ConvertText(std::string_view strText, std::string_view strKey) const {
    if (strKey.empty()) {
        return std::string(strText);
    }
    std::string strResult;
    strResult.reserve(strText.size() * 2);
    for (size_t i = 0; i < strText.size(); ++i) {
        const auto nByte = static_cast<uint8_t>(static_cast<uint8_t>(strText[i]) + KeyByte(strKey, i));
        strResult += HEX_DIGITS[nByte >> 4];
        strResult += HEX_DIGITS[nByte & 0x0F];
    }
    return strResult;
}

std::string CDecodeStr::ConvertText(std::string_view strText, std::string_view strKey) const {
    if (strKey.empty()) {
        return std::string(strText);
    }
    std::string strResult;
    strResult.reserve(strText.size() / 2);
    for (size_t i = 0; i + 1 < strText.size(); i += 2) {
        const int nValue = 16 * DigitValue(strText[i]) + DigitValue(strText[i + 1]);
        strResult += static_cast<char>(static_cast<uint8_t>(nValue - KeyByte(strKey, i / 2)));
    }
    return strResult;
}

} // namespace Zelt
