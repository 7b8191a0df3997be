#pragma once

#include "support/ConvBaseStr.h"

namespace Zelt {

// Base64 of the device protocol's frames, one line. The text ends at its first zero byte.
class CBase64EncodeStr : public CConvBaseStr {
private:
    std::string ConvertText(std::string_view strText, std::string_view strKey) const override;
};

// Lenient decoder of the device protocol: a length that is not a multiple of 4 gives an empty result;
// otherwise every 4 characters give exactly 3 bytes, any character outside the alphabet ("=" too)
// counting as 0, so padding leaves zero bytes at the end.
class CBase64DecodeStr : public CConvBaseStr {
private:
    std::string ConvertText(std::string_view strText, std::string_view strKey) const override;
};

} // namespace Zelt
