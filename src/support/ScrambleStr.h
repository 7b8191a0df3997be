#pragma once

#include "support/ConvBaseStr.h"

namespace Zelt {

// Keyed hexadecimal scrambling: byte i of the text plus key byte (i mod key length), modulo 256,
// written as two upper-case hex digits. An empty key leaves the text unchanged.
class CEncodeStr : public CConvBaseStr {
private:
    std::string ConvertText(std::string_view strText, std::string_view strKey) const override;
};

// Inverse of CEncodeStr. Only 0-9 and A-F are digits; any other character counts as digit 0.
// A single character left at the end is ignored. An empty key leaves the text unchanged.
class CDecodeStr : public CConvBaseStr {
private:
    std::string ConvertText(std::string_view strText, std::string_view strKey) const override;
};

} // namespace Zelt
