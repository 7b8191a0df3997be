#include "support/Digest.h"

#include "support/MimeBase64.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Zelt::CDigest;
using Zelt::Md5Digest;

std::string Hex(const std::optional<Md5Digest>& digest) {
    if (!digest) {
        return "(failed)";
    }
    std::string strHex;
    for (uint8_t nByte : *digest) {
        char szByte[3];
        std::snprintf(szByte, sizeof(szByte), "%02x", nByte);
        strHex += szByte;
    }
    return strHex;
}

TEST(DigestTest, Md5MatchesKnownDigests) {
    EXPECT_EQ(Hex(CDigest::Md5("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(CDigest::Md5("", "")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(CDigest::Md5("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Hex(CDigest::Md5("message digest")), "f96b697d7cb7938d525a2f31aaf161d0");
}

TEST(DigestTest, Md5OfTwoPartsEqualsMd5OfTheWhole) {
    const std::string strText = "The quick brown fox jumps over the lazy dog\0and binary \xFF bytes"s;
    const std::string strWhole = Hex(CDigest::Md5(strText));
    for (size_t nSplit = 0; nSplit <= strText.size(); ++nSplit) {
        EXPECT_EQ(Hex(CDigest::Md5(strText.substr(0, nSplit), strText.substr(nSplit))), strWhole) << nSplit;
    }
}

TEST(DigestTest, Md5HashesZeroBytes) {
    EXPECT_NE(Hex(CDigest::Md5("a\0b"s)), Hex(CDigest::Md5("a")));
    EXPECT_NE(Hex(CDigest::Md5("\0"s)), Hex(CDigest::Md5("")));
}

// RFC 2202, section 2.
TEST(DigestTest, HmacMd5MatchesRfc2202Vectors) {
    struct Vector {
        std::string strKey;
        std::string strData;
        const char* pszDigest;
    };
    const Vector vectors[] = {
        {std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d"},
        {"Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738"},
        {std::string(16, '\xaa'), std::string(50, '\xdd'), "56be34521d144c88dbb8c733f0e8b3f6"},
        {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18"
         "\x19",
         std::string(50, '\xcd'), "697eaf0aca3a3aea3a75164746ffaa79"},
        {std::string(16, '\x0c'), "Test With Truncation", "56461ef2342edc00f9bab995690efd4c"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
         "6f630fad67cda0ee1fb1f562db3aa53e"},
    };
    for (const Vector& vector : vectors) {
        EXPECT_EQ(Hex(CDigest::HmacMd5(vector.strKey, vector.strData)), vector.pszDigest) << vector.strData;
    }
}

TEST(DigestTest, HmacMd5HashesOnlyKeysLongerThanOneBlock) {
    EXPECT_EQ(Hex(CDigest::HmacMd5(std::string(64, 'k'), "msg")), "7350d7e9ec9d1235174e9ded54edfa8c");
    EXPECT_EQ(Hex(CDigest::HmacMd5(std::string(65, 'k'), "msg")), "646873b97bb31948a476260501827daa");
    EXPECT_EQ(Hex(CDigest::HmacMd5("", "")), "74e6f7298a9c2d168935f58c001bad88");
}

// RFC 2195, section 2.
TEST(DigestTest, CramMd5ResponseMatchesRfc2195Example) {
    const std::optional<std::string> strResponse = CDigest::CramMd5Response(
        "PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+", "tim", "tanstaaftanstaaf");
    ASSERT_TRUE(strResponse);
    EXPECT_EQ(*strResponse, "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw");
    EXPECT_EQ(Zelt::CMimeBase64::Decode(*strResponse), "tim b913a602c7eda7a495b4e6e7334d3890");
}

TEST(DigestTest, CramMd5ResponseIsOneLineForLongNames) {
    const std::optional<std::string> strResponse = CDigest::CramMd5Response(
        "PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+", std::string(100, 'u'), "password");
    ASSERT_TRUE(strResponse);
    EXPECT_EQ(strResponse->find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(strResponse->size(), (100 + 1 + 32 + 2) / 3 * 4);
}

TEST(DigestTest, CramMd5ResponseFailsForInvalidChallenge) {
    EXPECT_EQ(CDigest::CramMd5Response("not base64!", "tim", "tanstaaftanstaaf"), std::nullopt);
    EXPECT_EQ(CDigest::CramMd5Response("PDE4OTYu=", "tim", "tanstaaftanstaaf"), std::nullopt);
}

} // namespace
