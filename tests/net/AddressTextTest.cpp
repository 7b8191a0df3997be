#include "net/AddressText.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Zelt::FormatAddressText;
using Zelt::GetAddressFamily;
using Zelt::IsInet6Address;
using Zelt::IsInetAddress;
using Zelt::ParseAddressText;

using Inet6Bytes = std::array<uint8_t, 16>;

Inet6Bytes Groups(std::array<uint16_t, 8> groups) {
    Inet6Bytes bytes{};
    for (size_t i = 0; i < groups.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(groups[i] >> 8);
        bytes[2 * i + 1] = static_cast<uint8_t>(groups[i]);
    }
    return bytes;
}

std::array<uint8_t, 4> ParsedInet(const std::string& strText) {
    std::array<uint8_t, 4> bytes{};
    EXPECT_EQ(ParseAddressText(AF_INET, strText, bytes.data()), 1) << strText;
    return bytes;
}

Inet6Bytes ParsedInet6(const std::string& strText) {
    Inet6Bytes bytes{};
    EXPECT_EQ(ParseAddressText(AF_INET6, strText, bytes.data()), 1) << strText;
    return bytes;
}

Inet6Bytes SystemInet6(const std::string& strText) {
    Inet6Bytes bytes{};
    EXPECT_EQ(inet_pton(AF_INET6, strText.c_str(), bytes.data()), 1) << strText;
    return bytes;
}

std::string SystemText6(const Inet6Bytes& bytes) {
    char szText[INET6_ADDRSTRLEN];
    return inet_ntop(AF_INET6, bytes.data(), szText, sizeof szText);
}

// --- IPv4 text ---

TEST(AddressTextTest, AcceptsDottedDecimalWithFourOctets) {
    for (const char* pszText :
         {"192.168.0.1", "0.0.0.0", "255.255.255.255", "127.0.0.1", "192.168.000.001"}) {
        EXPECT_TRUE(IsInetAddress(pszText)) << pszText;
        EXPECT_FALSE(IsInet6Address(pszText)) << pszText;
        EXPECT_EQ(GetAddressFamily(pszText), AF_INET) << pszText;
    }
    EXPECT_EQ(ParsedInet("192.168.0.1"), (std::array<uint8_t, 4>{192, 168, 0, 1}));
    EXPECT_EQ(ParsedInet("255.255.255.255"), (std::array<uint8_t, 4>{255, 255, 255, 255}));
}

TEST(AddressTextTest, ReadsLeadingZerosAsDecimal) {
    EXPECT_EQ(ParsedInet("192.168.000.001"), (std::array<uint8_t, 4>{192, 168, 0, 1}));
    EXPECT_EQ(ParsedInet("010.011.012.019"), (std::array<uint8_t, 4>{10, 11, 12, 19}));
    EXPECT_EQ(ParsedInet("0000000255.00001.0.0"), (std::array<uint8_t, 4>{255, 1, 0, 0}));
}

TEST(AddressTextTest, RefusesMalformedIpv4) {
    for (const char* pszText : {"256.1.1.1", "1.2.3.256", "1.2.3.1000", "1.2.3", "1.2.3.4.5", "1..2.3",
                                "1.2.3.4 ", " 1.2.3.4", "1.2.3.4.", ".1.2.3", "1.2.3.", "1.2.3.-4",
                                "0x1.2.3.4", "1.2.3.a", "1,2,3,4", "1.2.3.4\n", "", "."}) {
        uint8_t bytes[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(ParseAddressText(AF_INET, pszText, bytes), 0) << pszText;
        EXPECT_FALSE(IsInetAddress(pszText)) << pszText;
        // A refused text leaves the output alone.
        EXPECT_EQ(bytes[0], 0xAA) << pszText;
        EXPECT_EQ(bytes[3], 0xAA) << pszText;
    }
}

TEST(AddressTextTest, Ipv4AgreesWithSystemParserOnRandomAddresses) {
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> octet(0, 255);
    for (int n = 0; n < 500; ++n) {
        const std::string strText = std::to_string(octet(random)) + "." + std::to_string(octet(random)) +
                                    "." + std::to_string(octet(random)) + "." + std::to_string(octet(random));
        in_addr expected{};
        ASSERT_EQ(inet_pton(AF_INET, strText.c_str(), &expected), 1);
        EXPECT_EQ(std::memcmp(ParsedInet(strText).data(), &expected, 4), 0) << strText;
    }
}

// --- IPv6 text ---

TEST(AddressTextTest, AcceptsIpv6Forms) {
    for (const char* pszText :
         {"::", "::1", "1::", "fe80::1", "FE80::ABCD:1", "1:2:3:4:5:6:7:8", "2001:db8::8:800:200c:417a",
          "::ffff:192.168.0.1", "::192.168.0.1", "1:2:3:4:5:6:1.2.3.4", "1::1.2.3.4",
          "1:2:3:4:5:6:7::", "::2:3:4:5:6:7:8", "0:0:0:0:0:0:0:0"}) {
        EXPECT_TRUE(IsInet6Address(pszText)) << pszText;
        EXPECT_FALSE(IsInetAddress(pszText)) << pszText;
        EXPECT_EQ(GetAddressFamily(pszText), AF_INET6) << pszText;
        EXPECT_EQ(ParsedInet6(pszText), SystemInet6(pszText)) << pszText;
    }
}

TEST(AddressTextTest, ExpandsDoubleColonAndDottedTail) {
    EXPECT_EQ(ParsedInet6("::"), Groups({0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParsedInet6("1::"), Groups({1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParsedInet6("1::2"), Groups({1, 0, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(ParsedInet6("1:2::3:4"), Groups({1, 2, 0, 0, 0, 0, 3, 4}));
    EXPECT_EQ(ParsedInet6("::ffff:192.168.0.1"), Groups({0, 0, 0, 0, 0, 0xffff, 0xc0a8, 0x0001}));
    EXPECT_EQ(ParsedInet6("1:2:3:4:5:6:7::"), Groups({1, 2, 3, 4, 5, 6, 7, 0}));
    EXPECT_EQ(ParsedInet6("aBcD::Ef"), Groups({0xabcd, 0, 0, 0, 0, 0, 0, 0xef}));
    // The dotted tail reads leading zeros as decimal as well.
    EXPECT_EQ(ParsedInet6("::ffff:010.000.000.001"), Groups({0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0001}));
}

TEST(AddressTextTest, LimitsGroupsByValueNotByDigitCount) {
    EXPECT_EQ(ParsedInet6("0000ffff::00001"), Groups({0xffff, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_FALSE(IsInet6Address("12345::1"));
    EXPECT_FALSE(IsInet6Address("1::10000"));
}

TEST(AddressTextTest, RefusesMalformedIpv6) {
    for (const char* pszText : {"1:::2",
                                "12345::1",
                                ":1::",
                                ":1:2:3:4:5:6:7",
                                "1::2::3",
                                "1:2:3:4:5:6:7",
                                "1:2:3:4:5:6:7:8:9",
                                "1:",
                                "1::2:",
                                ":",
                                ":::",
                                "g::1",
                                "1::2 ",
                                " ::1",
                                "1:2:3:4:5:6:7:8::",
                                "::1:2:3:4:5:6:7:8",
                                "::ffff:1.2.3",
                                "::ffff:1.2.3.4.5",
                                "::ffff:256.1.1.1",
                                "::1.2.3.4:5",
                                "1:2:3:4:5:6:7:1.2.3.4",
                                "1.2.3.4::",
                                "::ffff:1a.2.3.4",
                                "::.1.2.3",
                                "fe80::1%4",
                                "",
                                "localhost"}) {
        Inet6Bytes bytes;
        bytes.fill(0xAA);
        EXPECT_EQ(ParseAddressText(AF_INET6, pszText, bytes.data()), 0) << pszText;
        EXPECT_EQ(bytes[0], 0xAA) << pszText;
        EXPECT_EQ(bytes[15], 0xAA) << pszText;
    }
    for (const char* pszText : {"1:::2", "12345::1", "1::2::3", ":1::", "::ffff:1.2.3"}) {
        EXPECT_FALSE(IsInet6Address(pszText)) << pszText;
    }
}

TEST(AddressTextTest, IgnoresZoneSuffixWhenClassifying) {
    for (const char* pszText : {"fe80::1%4", "fe80::1%eth0", "fe80::1%", "::1%lo"}) {
        EXPECT_TRUE(IsInet6Address(pszText)) << pszText;
        EXPECT_EQ(GetAddressFamily(pszText), AF_INET6) << pszText;
    }
    for (const char* pszText : {"%4", "fe80::zz%4", "1.2.3.4%4", "fe80:::1%4"}) {
        EXPECT_FALSE(IsInet6Address(pszText)) << pszText;
        EXPECT_EQ(GetAddressFamily(pszText), 0) << pszText;
    }
}

TEST(AddressTextTest, ClassifiesNoMoreThanSixtyFourCharacters) {
    const std::string strLongest = "::" + std::string(61, '0') + "1";
    ASSERT_EQ(strLongest.size(), 64u);
    EXPECT_TRUE(IsInet6Address(strLongest));
    EXPECT_TRUE(IsInet6Address(strLongest + "junk"));
    EXPECT_EQ(ParseAddressText(AF_INET6, strLongest + "junk", Inet6Bytes{}.data()), 0);
    // A valid text cut short at 64 characters is no longer valid.
    const std::string strCut = "::" + std::string(60, '0') + "1:2";
    EXPECT_EQ(ParseAddressText(AF_INET6, strCut, Inet6Bytes{}.data()), 1);
    EXPECT_FALSE(IsInet6Address(strCut));
}

TEST(AddressTextTest, Ipv6AgreesWithSystemParserOnRandomAddresses) {
    std::mt19937 random(815);
    std::uniform_int_distribution<int> byte(0, 255);
    std::bernoulli_distribution zeroGroup(0.5);
    for (int n = 0; n < 2000; ++n) {
        Inet6Bytes bytes{};
        for (size_t i = 0; i < bytes.size(); i += 2) {
            if (!zeroGroup(random)) {
                bytes[i] = static_cast<uint8_t>(byte(random));
                bytes[i + 1] = static_cast<uint8_t>(byte(random));
            }
        }
        const std::string strSystem = SystemText6(bytes);
        EXPECT_EQ(ParsedInet6(strSystem), bytes) << strSystem;
        const std::string strOwn = FormatAddressText(AF_INET6, bytes.data());
        EXPECT_EQ(SystemInet6(strOwn), bytes) << strOwn;
    }
}

// --- classification of other texts ---

TEST(AddressTextTest, HostNamesAndEmptyTextHaveNoFamily) {
    for (const char* pszText :
         {"localhost", "nas-01", "nas.example.org", "", "1.2.3.4.5", "::g", "1.2.3.4 "}) {
        EXPECT_EQ(GetAddressFamily(pszText), 0) << pszText;
        EXPECT_FALSE(IsInetAddress(pszText)) << pszText;
        EXPECT_FALSE(IsInet6Address(pszText)) << pszText;
    }
    EXPECT_EQ(GetAddressFamily(std::string_view()), 0);
}

TEST(AddressTextTest, ParseRefusesOtherFamilies) {
    for (const int nFamily : {0, AF_UNIX, AF_PACKET, -1}) {
        uint8_t bytes[16] = {};
        errno = 0;
        EXPECT_EQ(ParseAddressText(nFamily, "1.2.3.4", bytes), -1) << nFamily;
        EXPECT_EQ(errno, EAFNOSUPPORT) << nFamily;
    }
}

// --- formatting ---

TEST(AddressTextTest, FormatsIpv4AsDottedDecimal) {
    char szText[22];
    const uint8_t address[4] = {192, 168, 0, 1};
    EXPECT_STREQ(FormatAddressText(AF_INET, address, szText, sizeof szText), "192.168.0.1");
    const uint8_t zero[4] = {};
    EXPECT_EQ(FormatAddressText(AF_INET, zero), "0.0.0.0");
    const uint8_t full[4] = {255, 255, 255, 255};
    EXPECT_EQ(FormatAddressText(AF_INET, full), "255.255.255.255");
}

TEST(AddressTextTest, CompressesLongestZeroRun) {
    struct Case {
        std::array<uint16_t, 8> groups;
        const char* pszText;
    };
    const Case cases[] = {
        {{0, 0, 1, 0, 0, 0, 1, 0}, "0:0:1::1:0"},      // the later, longer run
        {{1, 0, 0, 2, 0, 0, 3, 4}, "1::2:0:0:3:4"},    // first of equal runs
        {{0, 0, 0, 0, 0, 0, 0, 0}, "::"},              //
        {{0, 0, 0, 0, 0, 0, 0, 1}, "::1"},             //
        {{1, 0, 0, 0, 0, 0, 0, 0}, "1::"},             // trailing run
        {{1, 2, 3, 4, 5, 6, 0, 0}, "1:2:3:4:5:6::"},   //
        {{1, 0, 2, 3, 4, 5, 6, 7}, "1:0:2:3:4:5:6:7"}, // one zero group stays
        {{0xfe80, 0, 0, 0, 0, 0, 0, 1}, "fe80::1"},    //
        {{1, 0, 0, 0, 0, 0, 0, 2}, "1::2"},            // six zeros, not at the start
        {{0x0001, 0x00a0, 0x0b00, 0xc000, 0xabcd, 0xffff, 0x0010, 0x0100}, "1:a0:b00:c000:abcd:ffff:10:100"},
        {{0, 0, 0, 0, 0, 0xfffe, 0x0102, 0x0304}, "::fffe:102:304"},     // five zeros, not ffff
        {{0, 0, 0, 0, 0, 0, 0, 0x0100}, "::100"},                        // seven zeros: no dotted tail
        {{0, 0, 0, 0, 0, 0, 0xc0a8, 0x0001}, "::192.168.0.1"},           // IPv4-compatible
        {{0, 0, 0, 0, 0, 0xffff, 0xc0a8, 0x0001}, "::ffff:192.168.0.1"}, // IPv4-mapped
        {{0, 0, 0, 0, 0, 0xffff, 0, 0}, "::ffff:0.0.0.0"},
    };
    for (const Case& c : cases) {
        const Inet6Bytes bytes = Groups(c.groups);
        char szText[65];
        EXPECT_STREQ(FormatAddressText(AF_INET6, bytes.data(), szText, sizeof szText), c.pszText);
        EXPECT_EQ(FormatAddressText(AF_INET6, bytes.data()), c.pszText);
        EXPECT_EQ(ParsedInet6(c.pszText), bytes) << c.pszText;
    }
}

TEST(AddressTextTest, RefusesTooSmallOutputWithoutWriting) {
    const uint8_t inet[4] = {192, 168, 100, 200}; // 15 characters
    char szText[64];
    EXPECT_STREQ(FormatAddressText(AF_INET, inet, szText, 16), "192.168.100.200");
    std::memset(szText, 'x', sizeof szText);
    errno = 0;
    EXPECT_EQ(FormatAddressText(AF_INET, inet, szText, 15), nullptr);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(std::string(szText, sizeof szText), std::string(sizeof szText, 'x'));

    const Inet6Bytes inet6 = Groups({0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff}); // 39
    EXPECT_NE(FormatAddressText(AF_INET6, inet6.data(), szText, 40), nullptr);
    std::memset(szText, 'x', sizeof szText);
    errno = 0;
    EXPECT_EQ(FormatAddressText(AF_INET6, inet6.data(), szText, 39), nullptr);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(std::string(szText, sizeof szText), std::string(sizeof szText, 'x'));
    EXPECT_EQ(FormatAddressText(AF_INET6, inet6.data(), szText, 0), nullptr);

    const Inet6Bytes mapped = Groups({0, 0, 0, 0, 0, 0xffff, 0xc0a8, 0x0001}); // "::ffff:192.168.0.1", 18
    EXPECT_EQ(FormatAddressText(AF_INET6, mapped.data(), szText, 18), nullptr);
    EXPECT_STREQ(FormatAddressText(AF_INET6, mapped.data(), szText, 19), "::ffff:192.168.0.1");
}

TEST(AddressTextTest, FormatRefusesOtherFamilies) {
    const uint8_t bytes[16] = {1, 2, 3, 4};
    char szText[65] = "unchanged";
    errno = 0;
    EXPECT_EQ(FormatAddressText(AF_UNIX, bytes, szText, sizeof szText), nullptr);
    EXPECT_EQ(errno, EAFNOSUPPORT);
    EXPECT_STREQ(szText, "unchanged");
    errno = 0;
    EXPECT_EQ(FormatAddressText(0, bytes), "");
    EXPECT_EQ(errno, EAFNOSUPPORT);
}

TEST(AddressTextTest, RoundTripsParseFormatParse) {
    for (const char* pszText :
         {"::", "::1", "1::", "fe80::1", "fe80::abcd:ef01:2345:6789", "2001:db8:0:0:1:0:0:1",
          "2001:db8::1:0:0:1", "0:0:1:0:0:0:1:0", "::ffff:10.0.0.1", "::10.0.0.1", "1:2:3:4:5:6:7:8",
          "FFFF:ffff::", "0000:0000::0001", "ff02::1", "::ffff:0:1"}) {
        const Inet6Bytes bytes = ParsedInet6(pszText);
        const std::string strText = FormatAddressText(AF_INET6, bytes.data());
        EXPECT_EQ(ParsedInet6(strText), bytes) << pszText << " -> " << strText;
        // The system writes the same canonical text, dotted tails aside.
        if (strText.find('.') == std::string::npos) {
            EXPECT_EQ(strText, SystemText6(bytes)) << pszText;
        }
    }
    for (const char* pszText : {"0.0.0.0", "10.1.2.3", "192.168.000.001", "255.255.255.255"}) {
        const std::array<uint8_t, 4> bytes = ParsedInet(pszText);
        EXPECT_EQ(ParsedInet(FormatAddressText(AF_INET, bytes.data())), bytes) << pszText;
    }
    EXPECT_EQ(FormatAddressText(AF_INET, ParsedInet("192.168.000.001").data()), "192.168.0.1");
}

} // namespace
