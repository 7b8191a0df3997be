#include "admin/SortRules.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Korvane::CSortRules;
using Korvane::SortRule;

// The texts in the order the rule puts them, ascending or descending.
std::vector<std::string> Sorted(SortRule rule, std::vector<std::string> texts, bool bDescending = false) {
    std::stable_sort(texts.begin(), texts.end(),
                     [rule, bDescending](const std::string& a, const std::string& b) {
                         return CSortRules::Compare(rule, a, b, bDescending) < 0;
                     });
    return texts;
}

int Sign(int n) {
    return (n > 0) - (n < 0);
}

TEST(SortRules, TextOrderComparesUtf16CodeUnits) {
    EXPECT_LT(CSortRules::Compare(SortRule::TextOrder, "KORVANE-A", "KORVANE-B"), 0);
    EXPECT_LT(CSortRules::Compare(SortRule::TextOrder, "Zeta", "alpha"), 0); // case-sensitive
    EXPECT_EQ(CSortRules::Compare(SortRule::TextOrder, "総務", "総務"), 0);
    // U+1F5C4 is a surrogate pair (D83D DDC4) and so sorts before U+FF5E, unlike by code point.
    EXPECT_LT(CSortRules::Compare(SortRule::TextOrder, "\U0001F5C4", "\uFF5E"), 0);
    EXPECT_GT(CSortRules::Compare(SortRule::TextOrder, "\uFF5E", "\U0001F5C4"), 0);
    EXPECT_GT(CSortRules::Compare(SortRule::TextOrder, "\uE000", "\U0001F5C4"), 0);
}

TEST(SortRules, VersionOrderReadsTheMinorPartAsAFraction) {
    EXPECT_EQ(Sorted(SortRule::VersionOrder, {"1.9", "1.10", "1.03"}),
              (std::vector<std::string>{"1.03", "1.10", "1.9"}));
    EXPECT_GT(CSortRules::Compare(SortRule::VersionOrder, "2.00", "1.99"), 0);
    EXPECT_GT(CSortRules::Compare(SortRule::VersionOrder, "10.0", "9.99"), 0);
    EXPECT_EQ(CSortRules::Compare(SortRule::VersionOrder, "1.1", "1.10"), 0);
    EXPECT_LT(CSortRules::Compare(SortRule::VersionOrder, "1.02", "1.1"), 0);
    // Long minor parts are compared exactly, beyond what 64 bits could hold.
    EXPECT_LT(
        CSortRules::Compare(SortRule::VersionOrder, "1.123456789012345678901", "1.123456789012345678902"), 0);
    // Without a "." all is minor part: "5" is 0.5.
    EXPECT_LT(CSortRules::Compare(SortRule::VersionOrder, "5", "0.6"), 0);
}

TEST(SortRules, Ipv4OrderIsNumericWithNonAddressesLast) {
    EXPECT_EQ(Sorted(SortRule::Ipv4Order, {"-", "192.168.0.1", "10.0.0.1", "9.255.255.255", "10.0.0.10"}),
              (std::vector<std::string>{"9.255.255.255", "10.0.0.1", "10.0.0.10", "192.168.0.1", "-"}));
    // A text that is no address counts as the highest address.
    EXPECT_EQ(CSortRules::Compare(SortRule::Ipv4Order, "-", "255.255.255.255"), 0);
    EXPECT_LT(CSortRules::Compare(SortRule::Ipv4Order, "255.255.255.254", "host"), 0);
}

TEST(SortRules, Ipv6OrderComparesGroupsWithNonAddressesFirst) {
    EXPECT_EQ(Sorted(SortRule::Ipv6Order, {"fe80::4b:56ff:fe1a:73c", "-", "2001:db8::1", "fe80::1", "::1"}),
              (std::vector<std::string>{"-", "::1", "2001:db8::1", "fe80::1", "fe80::4b:56ff:fe1a:73c"}));
    EXPECT_LT(CSortRules::Compare(SortRule::Ipv6Order, "fe80::ff", "fe80::100"), 0);
    EXPECT_EQ(CSortRules::Compare(SortRule::Ipv6Order, "fe80::1", "FE80:0:0:0:0:0:0:1"), 0);
    EXPECT_EQ(CSortRules::Compare(SortRule::Ipv6Order, "-", "not an address"), 0);
}

// Hours are not turned into minutes: "1 時間後" has the key 1.
TEST(SortRules, EcoTimeOrderSortsByTheNumberOfTheText) {
    EXPECT_EQ(
        Sorted(SortRule::EcoTimeOrder, {"10 分後", "1 時間後", "-", "なし", "無効", "30 分後", "15 分後"}),
        (std::vector<std::string>{"無効", "-", "なし", "1 時間後", "10 分後", "15 分後", "30 分後"}));
}

TEST(SortRules, TemperatureOrderSortsByDegrees) {
    EXPECT_EQ(Sorted(SortRule::TemperatureOrder, {"41 ℃", "-", "hot", "9 ℃", "-5 ℃", "100 ℃"}),
              (std::vector<std::string>{"hot", "-5 ℃", "-", "9 ℃", "41 ℃", "100 ℃"}));
}

TEST(SortRules, CapacityOrderUsesTheByteCountOverThe64BitRange) {
    EXPECT_EQ(Sorted(SortRule::CapacityOrder,
                     {"5GB (5000000000Bytes)", "-", "4GB (4294967297Bytes)", "0GB (4294967295Bytes)"}),
              (std::vector<std::string>{"-", "0GB (4294967295Bytes)", "4GB (4294967297Bytes)",
                                        "5GB (5000000000Bytes)"}));
    // The used-capacity texts carry a space before "Bytes" and the percentage after it.
    EXPECT_LT(CSortRules::Compare(SortRule::CapacityOrder, "150GB (150000000000 Bytes) 7%",
                                  "1245GB (1245810032640 Bytes) 31%"),
              0);
    EXPECT_GT(CSortRules::Compare(SortRule::CapacityOrder, "18446744073GB (18446744073709551615Bytes)",
                                  "9223372036GB (9223372036854775808Bytes)"),
              0);
    EXPECT_LT(CSortRules::Compare(SortRule::CapacityOrder, "-", "0GB (0Bytes)"), 0);
}

TEST(SortRules, DescendingFlagReversesEveryRule) {
    const std::pair<SortRule, std::pair<const char*, const char*>> cases[] = {
        {SortRule::TextOrder, {"a", "b"}},
        {SortRule::VersionOrder, {"1.10", "1.9"}},
        {SortRule::Ipv4Order, {"10.0.0.1", "-"}},
        {SortRule::Ipv6Order, {"-", "::1"}},
        {SortRule::EcoTimeOrder, {"1 時間後", "10 分後"}},
        {SortRule::TemperatureOrder, {"9 ℃", "41 ℃"}},
        {SortRule::CapacityOrder, {"-", "0GB (1Bytes)"}},
    };
    for (const auto& [rule, texts] : cases) {
        EXPECT_EQ(Sign(CSortRules::Compare(rule, texts.first, texts.second)), -1) << static_cast<int>(rule);
        EXPECT_EQ(Sign(CSortRules::Compare(rule, texts.first, texts.second, true)), 1)
            << static_cast<int>(rule);
        EXPECT_EQ(CSortRules::Compare(rule, texts.first, texts.first, true), 0) << static_cast<int>(rule);
    }
    EXPECT_EQ(Sorted(SortRule::Ipv4Order, {"10.0.0.1", "-", "192.168.0.1"}, true),
              (std::vector<std::string>{"-", "192.168.0.1", "10.0.0.1"}));
}

} // namespace
