#include "admin/Decimal.h"

#include <limits>

namespace Korvane {
namespace {

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// The digits as a magnitude, saturated at nLimit.
uint64_t Magnitude(std::string_view digits, uint64_t nLimit) {
    uint64_t nValue = 0;
    for (char c : digits) {
        const auto nDigit = static_cast<uint64_t>(c - '0');
        if (nValue > (nLimit - nDigit) / 10) {
            return nLimit;
        }
        nValue = nValue * 10 + nDigit;
    }
    return nValue;
}

} // namespace

std::string_view CDecimal::LeadingDigits(std::string_view text) {
    size_t nLength = 0;
    while (nLength < text.size() && IsDigit(text[nLength])) {
        ++nLength;
    }
    return text.substr(0, nLength);
}

int64_t CDecimal::LeadingInteger(std::string_view text) {
    text = SkipBlanks(text);
    const bool bNegative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (bNegative) {
        // One more in magnitude than the largest positive value, so that the minimum fits.
        const uint64_t nMagnitude = Magnitude(LeadingDigits(text), kMax + 1);
        return nMagnitude == kMax + 1 ? std::numeric_limits<int64_t>::min()
                                      : -static_cast<int64_t>(nMagnitude);
    }
    return static_cast<int64_t>(Magnitude(LeadingDigits(text), kMax));
}

uint64_t CDecimal::LeadingUnsigned(std::string_view text) {
    text = SkipBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    return Magnitude(LeadingDigits(text), std::numeric_limits<uint64_t>::max());
}

} // namespace Korvane
