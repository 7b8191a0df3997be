#include "support/Base64Str.h"
#include "support/MimeBase64.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Zelt::CBase64DecodeStr;
using Zelt::CBase64EncodeStr;
using Zelt::CMimeBase64;

std::string TextEncode(std::string_view strText) {
    return CBase64EncodeStr().Convert(strText);
}

std::string TextDecode(std::string_view strText) {
    return CBase64DecodeStr().Convert(strText);
}

std::string Bytes(size_t nCount, unsigned nSeed) {
    std::mt19937 random(nSeed);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::string strBytes;
    for (size_t i = 0; i < nCount; ++i) {
        strBytes += static_cast<char>(byteValue(random));
    }
    return strBytes;
}

std::string AllByteValues() {
    std::string strBytes;
    for (int i = 0; i < 256; ++i) {
        strBytes += static_cast<char>(i);
    }
    return strBytes;
}

struct Vector {
    std::string strBytes;
    std::string strBase64;
};

// RFC 4648, section 10.
const Vector STANDARD_VECTORS[] = {{"", ""},
                                   {"f", "Zg=="},
                                   {"fo", "Zm8="},
                                   {"foo", "Zm9v"},
                                   {"foob", "Zm9vYg=="},
                                   {"fooba", "Zm9vYmE="},
                                   {"foobar", "Zm9vYmFy"},
                                   {"abc", "YWJj"}};

// --- text form of the device protocol ---

TEST(Base64StrTest, EncoderMatchesStandardVectors) {
    for (const Vector& vector : STANDARD_VECTORS) {
        EXPECT_EQ(TextEncode(vector.strBytes), vector.strBase64) << vector.strBytes;
    }
}

TEST(Base64StrTest, EncoderStopsAtFirstZeroByte) {
    EXPECT_EQ(TextEncode("a\0b"s), "YQ==");
    EXPECT_EQ(TextEncode("ab\0c"s), "YWI=");
    EXPECT_EQ(TextEncode("abc\0def"s), "YWJj");
    EXPECT_EQ(TextEncode("\0abc"s), "");
}

TEST(Base64StrTest, EncoderWritesOneLine) {
    const std::string strBase64 = TextEncode(std::string(300, 'x'));
    EXPECT_EQ(strBase64.size(), 400u);
    EXPECT_EQ(strBase64.find_first_of("\r\n"), std::string::npos);
}

TEST(Base64StrTest, DecoderYieldsThreeBytesPerGroupKeepingPaddingZeros) {
    EXPECT_EQ(TextDecode("YWJj"), "abc");
    EXPECT_EQ(TextDecode("YWI="), "ab\0"s);
    EXPECT_EQ(TextDecode("YQ=="), "a\0\0"s);
    EXPECT_EQ(TextDecode("Zm9vYmFy"), "foobar");
    EXPECT_EQ(TextDecode(""), "");
}

TEST(Base64StrTest, DecoderGivesEmptyResultForLengthNotMultipleOfFour) {
    for (const char* pszText : {"Y", "YW", "YWJ", "YWJjZ", "YWJjZm9", "YQ=", "YQ==="}) {
        EXPECT_EQ(TextDecode(pszText), "") << pszText;
    }
}

TEST(Base64StrTest, DecoderCountsCharactersOutsideAlphabetAsZero) {
    EXPECT_EQ(TextDecode("Y!=="), TextDecode("YAAA"));
    EXPECT_EQ(TextDecode("Y-Jj"), TextDecode("YAJj"));
    EXPECT_EQ(TextDecode("\r\n\t "), "\0\0\0"s);
    EXPECT_EQ(TextDecode("===="), "\0\0\0"s);
    EXPECT_EQ(TextDecode("Q=Jj"), TextDecode("QAJj"));
}

TEST(Base64StrTest, RoundTripOfTextWithoutZeroBytes) {
    std::string strText = AllByteValues().substr(1);
    for (size_t nLength = 0; nLength <= strText.size(); ++nLength) {
        const std::string strPart = strText.substr(0, nLength);
        const std::string strDecoded = TextDecode(TextEncode(strPart));
        ASSERT_EQ(strDecoded.size(), (nLength + 2) / 3 * 3);
        EXPECT_EQ(strDecoded.substr(0, nLength), strPart);
        EXPECT_EQ(strDecoded.find_first_not_of('\0', nLength), std::string::npos);
    }
}

TEST(Base64StrTest, DecodingGarbageNeverFails) {
    for (unsigned nSeed = 0; nSeed < 200; ++nSeed) {
        const std::string strGarbage = Bytes(nSeed, nSeed);
        EXPECT_EQ(TextDecode(strGarbage).size(), nSeed % 4 == 0 ? nSeed / 4 * 3 : 0);
    }
}

TEST(Base64StrTest, ConverterIgnoresKey) {
    EXPECT_EQ(CBase64EncodeStr().Convert("abc", "key"), "YWJj");
    EXPECT_EQ(CBase64DecodeStr().Convert("YWJj", "key"), "abc");
}

// --- MIME form of the mail client ---

TEST(MimeBase64Test, EncodesStandardVectorsAndZeroBytes) {
    for (const Vector& vector : STANDARD_VECTORS) {
        EXPECT_EQ(CMimeBase64::Encode(vector.strBytes, false), vector.strBase64) << vector.strBytes;
        EXPECT_EQ(CMimeBase64::Encode(vector.strBytes, true), vector.strBase64) << vector.strBytes;
    }
    EXPECT_EQ(CMimeBase64::Encode("a\0b"s, false), "YQBi");
    EXPECT_EQ(CMimeBase64::Encode("\xFB\xFF"s, false), "+/8=");
}

TEST(MimeBase64Test, MultiLineCutsAfterSeventySixCharacters) {
    const std::string strBytes = Bytes(200, 7);
    const std::string str57 = CMimeBase64::Encode(strBytes.substr(0, 57), true);
    EXPECT_EQ(str57.size(), 76u);
    EXPECT_EQ(str57.find("\r\n"), std::string::npos);

    const std::string str58 = CMimeBase64::Encode(strBytes.substr(0, 58), true);
    ASSERT_EQ(str58.size(), 76u + 2 + 4);
    EXPECT_EQ(str58.substr(76, 2), "\r\n");
    EXPECT_EQ(str58.substr(0, 76), str57);

    const std::string str114 = CMimeBase64::Encode(strBytes.substr(0, 114), true);
    EXPECT_EQ(str114.size(), 76u + 2 + 76);
    EXPECT_EQ(str114.substr(76, 2), "\r\n");
    EXPECT_NE(str114.substr(str114.size() - 2), "\r\n");
}

TEST(MimeBase64Test, SingleLineHasNoLineBreaks) {
    const std::string strBase64 = CMimeBase64::Encode(Bytes(58, 7), false);
    EXPECT_EQ(strBase64.size(), 80u);
    EXPECT_EQ(strBase64.find_first_of("\r\n"), std::string::npos);
}

TEST(MimeBase64Test, DecodesStandardVectors) {
    for (const Vector& vector : STANDARD_VECTORS) {
        EXPECT_EQ(CMimeBase64::Decode(vector.strBase64), vector.strBytes) << vector.strBase64;
    }
    EXPECT_EQ(CMimeBase64::Decode("+/8="), "\xFB\xFF"s);
}

TEST(MimeBase64Test, DecoderSkipsWhitespaceAndLineEnds) {
    EXPECT_EQ(CMimeBase64::Decode(" Zm9v\r\nYmFy\r\n"), "foobar");
    EXPECT_EQ(CMimeBase64::Decode("Zm 9v\tYg = =\n"), "foob");
}

TEST(MimeBase64Test, DecoderRejectsInvalidInput) {
    for (const char* pszText :
         {"Zm9", "Zg=", "Z===", "====", "Zg==Zg==", "Zm9v!mFy", "Zm-v", "Zg=a", "Zm9vYmFy="}) {
        EXPECT_EQ(CMimeBase64::Decode(pszText), std::nullopt) << pszText;
    }
}

TEST(MimeBase64Test, RoundTripOfAllByteValuesInBothForms) {
    const std::string strAll = AllByteValues() + Bytes(300, 3);
    for (size_t nLength = 0; nLength <= strAll.size(); nLength += 7) {
        const std::string strPart = strAll.substr(0, nLength);
        ASSERT_EQ(CMimeBase64::Decode(CMimeBase64::Encode(strPart, true)), strPart) << nLength;
        ASSERT_EQ(CMimeBase64::Decode(CMimeBase64::Encode(strPart, false)), strPart) << nLength;
    }
}

TEST(MimeBase64Test, DecodingGarbageNeverCrashes) {
    constexpr std::string_view CHARACTERS = "AZaz09+/== \r\n!";
    std::mt19937 random(99);
    std::uniform_int_distribution<size_t> pick(0, CHARACTERS.size() - 1);
    for (unsigned nLength = 0; nLength < 300; ++nLength) {
        std::string strNearBase64;
        for (unsigned i = 0; i < nLength; ++i) {
            strNearBase64 += CHARACTERS[pick(random)];
        }
        for (const std::string& strGarbage : {strNearBase64, Bytes(nLength, nLength + 1000)}) {
            const std::optional<std::string> strBytes = CMimeBase64::Decode(strGarbage);
            if (strBytes) {
                EXPECT_LE(strBytes->size(), nLength / 4 * 3);
            }
        }
    }
}

TEST(MimeBase64Test, EncodesUtf8TextRepairingInvalidSequences) {
    EXPECT_EQ(CMimeBase64::EncodeUtf8("テスト", false), "44OG44K544OI");
    EXPECT_EQ(CMimeBase64::EncodeUtf8("a\xFF", false), CMimeBase64::Encode("a\xEF\xBF\xBD", false));
    const std::string strLong(100, 'x');
    EXPECT_EQ(CMimeBase64::EncodeUtf8(strLong, true), CMimeBase64::Encode(strLong, true));
}

TEST(MimeBase64Test, EncodesIso2022JpFormInOneLine) {
    EXPECT_EQ(CMimeBase64::EncodeIso2022Jp("テスト"), CMimeBase64::Encode("\x1B$B%F%9%H\x1B(B", false));
    const std::string strBase64 = CMimeBase64::EncodeIso2022Jp(std::string(120, 'x') + "テスト");
    EXPECT_EQ(strBase64.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(CMimeBase64::Decode(strBase64), std::string(120, 'x') + "\x1B$B%F%9%H\x1B(B");
}

} // namespace
