#include "support/Utf8.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(Utf8Test, ValidTextIsUnchanged) {
    const std::string strText = "ASCII, テスト, ü, 😀, \U0010FFFF";
    EXPECT_EQ(Zelt::CUtf8::ToValid(strText), strText);
    EXPECT_EQ(Zelt::CUtf8::ToValid(""), "");
}

TEST(Utf8Test, EachMaximalInvalidSubpartBecomesOneReplacementCharacter) {
    const std::string strReplacement = "\uFFFD";
    EXPECT_EQ(Zelt::CUtf8::ToValid("a\xFFz"), "a" + strReplacement + "z");
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xE3\x83"), strReplacement);                  // truncated
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xE3\x83z"), strReplacement + "z");           // truncated before ASCII
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xC0\xAF"), strReplacement + strReplacement); // overlong
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xE0\x80\xAF"), strReplacement + strReplacement + strReplacement);
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xF0\x80\x80\xAF"),
              strReplacement + strReplacement + strReplacement + strReplacement);
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xED\xA0\x80"),
              strReplacement + strReplacement + strReplacement); // surrogate
    EXPECT_EQ(Zelt::CUtf8::ToValid("\xF4\x90\x80\x80"),
              strReplacement + strReplacement + strReplacement + strReplacement);
}

TEST(Utf8Test, CompareUtf16FollowsCodeUnitsNotCodePoints) {
    using Zelt::CUtf8;
    EXPECT_LT(CUtf8::CompareUtf16("A", "B"), 0);
    EXPECT_LT(CUtf8::CompareUtf16("Z", "a"), 0) << "ordinal, case-sensitive";
    EXPECT_LT(CUtf8::CompareUtf16("ab", "abc"), 0);
    EXPECT_EQ(CUtf8::CompareUtf16("グループ", "グループ"), 0);
    EXPECT_GT(CUtf8::CompareUtf16("abc", "ab"), 0);
    // U+1F600 is stored as D83D DE00, which is below U+FF21 (full-width A) in UTF-16,
    // although its code point is above.
    EXPECT_LT(CUtf8::CompareUtf16("\U0001F600", "\uFF21"), 0);
    EXPECT_GT(CUtf8::CompareUtf16("\uFF21", "\U0001F600"), 0);
    EXPECT_LT(CUtf8::CompareUtf16("\u3042", "\uFF21"), 0);
    EXPECT_LT(CUtf8::CompareUtf16("\U0001F600", "\U0001F601"), 0);
}

} // namespace
