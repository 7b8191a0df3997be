#include "support/ScrambleStr.h"

#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Zelt::CDecodeStr;
using Zelt::CEncodeStr;

std::string Encode(std::string_view strText, std::string_view strKey) {
    return CEncodeStr().Convert(strText, strKey);
}

std::string Decode(std::string_view strText, std::string_view strKey) {
    return CDecodeStr().Convert(strText, strKey);
}

std::string AllByteValues() {
    std::string strBytes;
    for (int i = 0; i < 256; ++i) {
        strBytes += static_cast<char>(i);
    }
    return strBytes;
}

const std::string ZERO_KEY(1, '\0');

TEST(ScrambleStrTest, EncoderAddsCycledKeyBytesAndWritesUpperCaseHex) {
    EXPECT_EQ(Encode("abc", "k"), "CCCDCE");
    EXPECT_EQ(Encode(std::string(5, '\0'), "\x01\x02"), "0102010201");
    EXPECT_EQ(Encode("\xFF\x7F", "\x02\x81"), "0100");
    EXPECT_EQ(Encode("\xAB\xCD\xEF", ZERO_KEY), "ABCDEF");
    EXPECT_EQ(Encode("", "key"), "");
}

TEST(ScrambleStrTest, DecoderSubtractsCycledKeyBytes) {
    EXPECT_EQ(Decode("CCCDCE", "k"), "abc");
    EXPECT_EQ(Decode("0100", "\x02\x81"), "\xFF\x7F");
    EXPECT_EQ(Decode("", "key"), "");
}

TEST(ScrambleStrTest, EmptyKeyLeavesTextUnchanged) {
    const std::string strText = "not hex \0 at all\xFF"s;
    EXPECT_EQ(Encode(strText, ""), strText);
    EXPECT_EQ(Decode(strText, ""), strText);
}

TEST(ScrambleStrTest, RoundTripRestoresEveryByteForManyKeyLengths) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byteValue(0, 255);
    const std::string strText = AllByteValues() + "<?xml version=\"1.0\"?><a>テスト</a>" + AllByteValues();
    for (size_t nKeyLength = 1; nKeyLength <= 80; ++nKeyLength) {
        std::string strKey;
        for (size_t i = 0; i < nKeyLength; ++i) {
            strKey += static_cast<char>(byteValue(random));
        }
        const std::string strScrambled = Encode(strText, strKey);
        ASSERT_EQ(strScrambled.size(), strText.size() * 2) << "key length " << nKeyLength;
        ASSERT_EQ(strScrambled.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        ASSERT_EQ(Decode(strScrambled, strKey), strText) << "key length " << nKeyLength;
    }
}

TEST(ScrambleStrTest, KeyTextOfTheSettingsFileRoundTrips) {
    const std::string strKey = "0123456789abcdef0123456789abcdef:1000";
    const std::string strXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><KorvaneAdminSettingInfo/>";
    EXPECT_EQ(Decode(Encode(strXml, strKey), strKey), strXml);
    EXPECT_NE(Decode(Encode(strXml, strKey), "other key"), strXml);
}

TEST(ScrambleStrTest, OddLengthInputLosesOnlyItsLastCharacter) {
    EXPECT_EQ(Decode("CCCDCE7", "k"), "abc");
    EXPECT_EQ(Decode("C", "k"), "");
}

TEST(ScrambleStrTest, OnlyUpperCaseHexDigitsAreRecognised) {
    EXPECT_EQ(Decode("AB", ZERO_KEY), "\xAB");
    // Any other character, lower-case hex included, counts as digit 0.
    EXPECT_EQ(Decode("ab", ZERO_KEY), std::string(1, '\0'));
    EXPECT_EQ(Decode("aF", ZERO_KEY), "\x0F");
    EXPECT_EQ(Decode("Fg", ZERO_KEY), "\xF0");
    EXPECT_EQ(Decode("\xFF\x80 z", ZERO_KEY), std::string(2, '\0'));
}

TEST(ScrambleStrTest, ConverterKeepsSourceAndResult) {
    CDecodeStr decoder;
    const std::string& strResult = decoder.Convert("410042", ZERO_KEY);
    EXPECT_EQ(strResult, "A\0B"s);
    EXPECT_EQ(decoder.GetResult(), strResult);
    EXPECT_EQ(decoder.GetSource(), "410042");
    EXPECT_STREQ(decoder.GetResultCStr(), "A");

    decoder.Convert("4344", ZERO_KEY);
    EXPECT_EQ(decoder.GetSource(), "4344");
    EXPECT_EQ(decoder.GetResult(), "CD");
}

TEST(ScrambleStrTest, ConverterAcceptsItsOwnTextsAsArguments) {
    CEncodeStr encoder;
    encoder.Convert("abc", "k");
    encoder.Convert(encoder.GetResult(), encoder.GetSource());
    EXPECT_EQ(encoder.GetSource(), "CCCDCE");
    EXPECT_EQ(encoder.GetResult(), Encode("CCCDCE", "abc"));
}

} // namespace
