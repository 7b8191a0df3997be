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

} // namespace
