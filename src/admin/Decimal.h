#pragma once

#include <cstdint>
#include <string_view>

namespace Korvane {

// Numbers at the start of device texts ("41 ℃", "30 分後", "2000398934016"), read the forgiving
// way, since devices write units after them: leading blanks and a sign are skipped, reading stops at
// the first non-digit, no digits give 0, and a value beyond the type's range saturates.
class CDecimal {
public:
    static int64_t LeadingInteger(std::string_view text);
    // A sign is not accepted: "-5" reads as 0.
    static uint64_t LeadingUnsigned(std::string_view text);
    // The run of decimal digits at the start of the text.
    static std::string_view LeadingDigits(std::string_view text);
};

} // namespace Korvane
