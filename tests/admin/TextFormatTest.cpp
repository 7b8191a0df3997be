#include "admin/TextFormat.h"

#include <gtest/gtest.h>

namespace {

using Korvane::CTextFormat;

TEST(TextFormat, ConversionsTakeTheArgumentsInTurn) {
    EXPECT_EQ(CTextFormat::Format("%s (%s Bytes) %s", {"150GB", "150000000000", "7%"}),
              "150GB (150000000000 Bytes) 7%");
    EXPECT_EQ(CTextFormat::Format("内蔵ディスク %d : %s", {"3", "接続済"}), "内蔵ディスク 3 : 接続済");
    EXPECT_EQ(CTextFormat::Format(" (%c 台)", {"4"}), " (4 台)");
}

TEST(TextFormat, PercentSignsAndMissingArguments) {
    EXPECT_EQ(CTextFormat::Format("%s%%", {"95"}), "95%");
    EXPECT_EQ(CTextFormat::Format("%s and %s", {"one"}), "one and ");
    EXPECT_EQ(CTextFormat::Format("no conversion", {"unused"}), "no conversion");
    EXPECT_EQ(CTextFormat::Format("trailing %", {}), "trailing %");
}

TEST(TextFormat, StringTableFormatsById) {
    EXPECT_EQ(CTextFormat::FormatId(11101, {"2000GB", "2000398934016"}), "2000GB (2000398934016Bytes)");
    EXPECT_EQ(CTextFormat::FormatId(20050, {"ログ情報"}), "【ログ情報】 \r\n");
}

} // namespace
