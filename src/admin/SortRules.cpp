#include "admin/SortRules.h"

#include "admin/Decimal.h"
#include "admin/InfoValues.h"
#include "net/AddressText.h"
#include "support/StringTable.h"
#include "support/Utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <netinet/in.h>
#include <string>
#include <utility>

namespace Korvane {
namespace {

template <typename Key>
int Order(const Key& a, const Key& b) {
    return (b < a) - (a < b);
}

bool IsNoValue(std::string_view text) {
    return text == CInfoValues::NoValue();
}

// The minor part of a version as the digits of a decimal fraction: "m" of n characters stands
// for int(m) / 10^n, so "9" is 0.9, "10" is 0.10 and "02" is 0.02.
std::string FractionDigits(std::string_view minor) {
    const std::string_view digits = CDecimal::LeadingDigits(minor);
    return std::string(minor.size() - digits.size(), '0') + std::string(digits);
}

// Compares two decimal fractions given by their digits after the point.
int CompareFractions(const std::string& a, const std::string& b) {
    const size_t nLength = std::max(a.size(), b.size());
    for (size_t i = 0; i < nLength; ++i) {
        const char x = i < a.size() ? a[i] : '0';
        const char y = i < b.size() ? b[i] : '0';
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

struct Version {
    int64_t nMajor;
    std::string fraction;
};

// Split at the first "."; a text without one is all minor part.
Version VersionOf(std::string_view text) {
    const size_t nDot = text.find('.');
    if (nDot == std::string_view::npos) {
        return {0, FractionDigits(text)};
    }
    return {CDecimal::LeadingInteger(text.substr(0, nDot)), FractionDigits(text.substr(nDot + 1))};
}

uint32_t Ipv4Key(std::string_view text) {
    std::array<uint8_t, 4> bytes{};
    if (Zelt::ParseAddressText(AF_INET, text, bytes.data()) != 1) {
        return UINT32_MAX;
    }
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// No value below "なし" (0) below any minutes or hours; other texts ("無効") lowest of all.
// Hours are not turned into minutes: "1 時間後" sorts below "10 分後".
int64_t EcoTimeKey(std::string_view text) {
    if (IsNoValue(text)) {
        return -1;
    }
    if (text == Zelt::CStringTable::Text(Zelt::Text::WordNone)) {
        return 0;
    }
    if (EndsWith(text, "分後") || EndsWith(text, "時間後")) {
        return CDecimal::LeadingInteger(text);
    }
    return -2;
}

int64_t TemperatureKey(std::string_view text) {
    constexpr std::string_view kDegrees = "℃";
    if (IsNoValue(text)) {
        return -1;
    }
    if (!EndsWith(text, kDegrees)) {
        return -100;
    }
    return CDecimal::LeadingInteger(text.substr(0, text.size() - kDegrees.size()));
}

// No value below every byte count; byte counts use the whole unsigned 64-bit range.
std::pair<bool, uint64_t> CapacityKey(std::string_view text) {
    if (IsNoValue(text)) {
        return {false, 0};
    }
    const size_t nOpen = text.find('(');
    if (nOpen == std::string_view::npos) {
        return {true, 0};
    }
    const std::string_view inside = text.substr(nOpen + 1);
    return {true, CDecimal::LeadingUnsigned(inside.substr(0, inside.find("Bytes")))};
}

} // namespace

int CSortRules::Compare(SortRule rule, std::string_view a, std::string_view b, bool bDescending) {
    // In the order of SortRule.
    static constexpr int (*kRules[])(std::string_view, std::string_view) = {
        &TextOrder, &VersionOrder, &Ipv4Order, &Ipv6Order, &EcoTimeOrder, &TemperatureOrder, &CapacityOrder,
    };
    static_assert(std::size(kRules) == static_cast<size_t>(SortRule::CapacityOrder) + 1);
    const int nResult = kRules[static_cast<size_t>(rule)](a, b);
    return bDescending ? -nResult : nResult;
}

int CSortRules::TextOrder(std::string_view a, std::string_view b) {
    return Order(Zelt::CUtf8::CompareUtf16(a, b), 0);
}

int CSortRules::VersionOrder(std::string_view a, std::string_view b) {
    const Version x = VersionOf(a);
    const Version y = VersionOf(b);
    if (x.nMajor != y.nMajor) {
        return Order(x.nMajor, y.nMajor);
    }
    return CompareFractions(x.fraction, y.fraction);
}

int CSortRules::Ipv4Order(std::string_view a, std::string_view b) {
    return Order(Ipv4Key(a), Ipv4Key(b));
}

int CSortRules::Ipv6Order(std::string_view a, std::string_view b) {
    std::array<uint8_t, 16> x{};
    std::array<uint8_t, 16> y{};
    const bool bX = Zelt::ParseAddressText(AF_INET6, a, x.data()) == 1;
    const bool bY = Zelt::ParseAddressText(AF_INET6, b, y.data()) == 1;
    if (bX != bY) {
        return bX ? 1 : -1;
    }
    // Big-endian groups compare like their bytes.
    return bX ? Order(std::memcmp(x.data(), y.data(), x.size()), 0) : 0;
}

int CSortRules::EcoTimeOrder(std::string_view a, std::string_view b) {
    return Order(EcoTimeKey(a), EcoTimeKey(b));
}

int CSortRules::TemperatureOrder(std::string_view a, std::string_view b) {
    return Order(TemperatureKey(a), TemperatureKey(b));
}

int CSortRules::CapacityOrder(std::string_view a, std::string_view b) {
    return Order(CapacityKey(a), CapacityKey(b));
}

} // namespace Korvane
