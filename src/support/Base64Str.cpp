#include "support/Base64Str.h"

#include "support/MimeBase64.h"

#include <cstdint>

namespace Zelt {

std::string CBase64EncodeStr::ConvertText(std::string_view strText, std::string_view /*strKey*/) const {
    return CMimeBase64::Encode(strText.substr(0, strText.find('\0')), false);
}

std::string CBase64DecodeStr::ConvertText(std::string_view strText, std::string_view /*strKey*/) const {
    if (strText.size() % 4 != 0) {
        return {};
    }
    std::string strBytes;
    strBytes.reserve(strText.size() / 4 * 3);
    for (size_t i = 0; i < strText.size(); i += 4) {
        uint32_t nGroup = 0;
        for (size_t k = 0; k < 4; ++k) {
            nGroup = (nGroup << 6) | CMimeBase64::SextetValue(strText[i + k]).value_or(0);
        }
        strBytes += static_cast<char>(nGroup >> 16);
        strBytes += static_cast<char>((nGroup >> 8) & 0xFF);
        strBytes += static_cast<char>(nGroup & 0xFF);
    }
    return strBytes;
}

} // namespace Zelt
