#include "support/TextConvert.h"

#include <iconv.h>
#include <optional>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Zelt::Utf8ToIso2022Jp;

const std::string JIS = "\x1B$B";
const std::string ASCII = "\x1B(B";

// The system's own ISO-2022-JP decoder, as an independent judge of the encoder's output.
std::optional<std::string> DecodeIso2022Jp(const std::string& strInput) {
    const iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string strOutput(strInput.size() * 4 + 8, '\0');
    char* pIn = const_cast<char*>(strInput.data());
    size_t nInLeft = strInput.size();
    char* pOut = strOutput.data();
    size_t nOutLeft = strOutput.size();
    const bool bOk = iconv(cd, &pIn, &nInLeft, &pOut, &nOutLeft) != static_cast<size_t>(-1) && nInLeft == 0;
    iconv_close(cd);
    if (!bOk) {
        return std::nullopt;
    }
    strOutput.resize(strOutput.size() - nOutLeft);
    return strOutput;
}

// Well-formed mail text: 7-bit only, JIS mode holds whole two-byte codes, and it ends in ASCII mode.
::testing::AssertionResult IsWellFormedIso2022Jp(const std::string& strText) {
    bool bJis = false;
    for (size_t i = 0; i < strText.size();) {
        if (strText.compare(i, 3, JIS) == 0 || strText.compare(i, 3, ASCII) == 0) {
            bJis = strText.compare(i, 3, JIS) == 0;
            i += 3;
        } else if (static_cast<unsigned char>(strText[i]) >= 0x80) {
            return ::testing::AssertionFailure() << "8-bit byte at " << i;
        } else if (bJis) {
            if (i + 1 >= strText.size() || strText[i] < 0x21 || strText[i] > 0x7E || strText[i + 1] < 0x21 ||
                strText[i + 1] > 0x7E) {
                return ::testing::AssertionFailure() << "broken JIS code at " << i;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    if (bJis) {
        return ::testing::AssertionFailure() << "ends in JIS mode";
    }
    return ::testing::AssertionSuccess();
}

TEST(Utf8ToIso2022JpTest, AsciiPassesWithoutEscapes) {
    EXPECT_EQ(Utf8ToIso2022Jp(""), "");
    EXPECT_EQ(Utf8ToIso2022Jp("Hello, world ~\\"), "Hello, world ~\\");
}

TEST(Utf8ToIso2022JpTest, KanaAndKanjiAreWrappedInEscapes) {
    EXPECT_EQ(Utf8ToIso2022Jp("テスト"), "\x1B$B%F%9%H\x1B(B");
    EXPECT_EQ(Utf8ToIso2022Jp("ABC漢字def"), "ABC" + JIS + "4A;z" + ASCII + "def");
    EXPECT_EQ(Utf8ToIso2022Jp("a　b"), "a" + JIS + "!!" + ASCII + "b");
    EXPECT_EQ(Utf8ToIso2022Jp("漢a字"), JIS + "4A" + ASCII + "a" + JIS + ";z" + ASCII);
}

TEST(Utf8ToIso2022JpTest, EveryJisX0208CharacterRoundTrips) {
    int nChecked = 0;
    for (int nRow = 0x21; nRow <= 0x74; ++nRow) {
        for (int nCell = 0x21; nCell <= 0x7E; ++nCell) {
            const std::string strJis = JIS + static_cast<char>(nRow) + static_cast<char>(nCell) + ASCII;
            const std::optional<std::string> strUtf8 = DecodeIso2022Jp(strJis);
            if (!strUtf8) {
                continue; // unassigned code
            }
            ++nChecked;
            ASSERT_EQ(Utf8ToIso2022Jp(*strUtf8), strJis) << std::hex << nRow << nCell;
        }
    }
    EXPECT_EQ(nChecked, 6879);
}

TEST(Utf8ToIso2022JpTest, HalfWidthKatakanaBecomeFullWidth) {
    EXPECT_EQ(Utf8ToIso2022Jp("ﾃｽﾄ"), Utf8ToIso2022Jp("テスト"));
    // Voiced marks stay separate characters, as the spacing full-width marks.
    EXPECT_EQ(Utf8ToIso2022Jp("ｶﾞﾊﾟ"), Utf8ToIso2022Jp("カ゛ハ゜"));
    EXPECT_EQ(Utf8ToIso2022Jp("｡｢｣､･ｦｧｰﾝ"), Utf8ToIso2022Jp("。「」、・ヲァーン"));
}

TEST(Utf8ToIso2022JpTest, WindowsJapaneseCharactersAreConverted) {
    EXPECT_EQ(Utf8ToIso2022Jp("～"), JIS + "!A" + ASCII); // U+FF5E
    EXPECT_EQ(Utf8ToIso2022Jp("〜"), JIS + "!A" + ASCII); // U+301C
    EXPECT_EQ(Utf8ToIso2022Jp("－"), JIS + "!]" + ASCII); // U+FF0D
    EXPECT_EQ(Utf8ToIso2022Jp("①Ⅰ"), JIS + "-!-5" + ASCII);
    // IBM extension kanji go out as their NEC-selected codes (rows 89-92).
    EXPECT_EQ(Utf8ToIso2022Jp("髙"), JIS + "|b" + ASCII);
    EXPECT_EQ(Utf8ToIso2022Jp("﨑"), JIS + "yu" + ASCII);
    EXPECT_EQ(Utf8ToIso2022Jp("ⅰ"), JIS + "|q" + ASCII);
}

TEST(Utf8ToIso2022JpTest, UnconvertibleCharacterBecomesQuestionMark) {
    EXPECT_EQ(Utf8ToIso2022Jp("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToIso2022Jp("\uE000"), "?"); // user-defined area
    EXPECT_EQ(Utf8ToIso2022Jp("漢😀字"), JIS + "4A" + ASCII + "?" + JIS + ";z" + ASCII);
    EXPECT_EQ(Utf8ToIso2022Jp("한"), "?");
}

TEST(Utf8ToIso2022JpTest, InvalidUtf8BecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToIso2022Jp("a\xFFz"), "a?z");
    EXPECT_EQ(Utf8ToIso2022Jp("テ\xE3\x83"), JIS + "%F" + ASCII + "?");
    EXPECT_EQ(Utf8ToIso2022Jp("\xC0\xAF"), "??");
    EXPECT_EQ(Utf8ToIso2022Jp("\xED\xA0\x80"), "???");
}

TEST(Utf8ToIso2022JpTest, ArbitraryInputGivesWellFormedOutput) {
    const std::string strPieces[] = {"a", " ",    "テ",   "漢",   "ｶ",        "～",
                                     "😀", "\xFF", "\xE3", "\x83", "\xF0\x9F", "髙"};
    std::mt19937 random(5);
    std::uniform_int_distribution<size_t> pick(0, std::size(strPieces) - 1);
    for (int nCase = 0; nCase < 300; ++nCase) {
        std::string strInput;
        for (int i = 0; i < nCase % 20; ++i) {
            strInput += strPieces[pick(random)];
        }
        EXPECT_TRUE(IsWellFormedIso2022Jp(Utf8ToIso2022Jp(strInput))) << strInput;
    }
}
} // namespace
