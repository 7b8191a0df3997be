// Composition of the mail text: encoded words, the body and its encodings, the date and the
// header block.
#include "MailText.h"
#include "admin/MailSettings.h"
#include "mail/EncodedWord.h"
#include "mail/InertMailText.h"
#include "mail/MailBody.h"
#include "mail/MailDate.h"
#include "mail/MailHeaders.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace Korvane;
using MailTesting::DecodeBase64;
using MailTesting::DecodeWords;
using MailTesting::Iso2022JpToUtf8;

namespace {

constexpr std::string_view FORTY_KANA =
    "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらり";
constexpr std::string_view ASCII_MODE = "\x1B(B";

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t found; (found = text.find(separator, start)) != std::string::npos;
         start = found + separator.size()) {
        pieces.push_back(text.substr(start, found - start));
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

// The Base64 part of one word, checked for its frame.
std::string Base64OfWord(const std::string& word, const std::string& prefix) {
    EXPECT_EQ(word.rfind(prefix, 0), 0u) << word;
    EXPECT_EQ(word.substr(word.size() - 2), "?=") << word;
    return word.substr(prefix.size(), word.size() - prefix.size() - 2);
}

} // namespace

TEST(EncodedWord, FortyJapaneseCharactersInUtf8AreFoldedWithoutLoss) {
    const std::string encoded = CEncodedWord::Encode(FORTY_KANA, MAIL_ENCODING_UTF8);
    const std::vector<std::string> words = Split(encoded, "\r\n ");
    ASSERT_GT(words.size(), 1u) << encoded;
    std::string joined;
    for (const std::string& word : words) {
        EXPECT_LE(word.size(), 75u) << "RFC 2047 limit: " << word;
        joined += DecodeBase64(Base64OfWord(word, "=?UTF-8?B?"));
    }
    EXPECT_EQ(joined, FORTY_KANA);
    EXPECT_EQ(DecodeWords(encoded), FORTY_KANA) << "the folded header as a mail program reads it";
}

TEST(EncodedWord, EachIso2022JpWordIsACompleteSequenceEndingInAsciiMode) {
    const std::string subject = "KORVANE Admin  - エラー通知 - " + std::string(FORTY_KANA);
    const std::string encoded = CEncodedWord::Encode(subject, MAIL_ENCODING_ISO2022JP);
    const std::vector<std::string> words = Split(encoded, "\r\n ");
    ASSERT_GT(words.size(), 2u) << encoded;
    std::string joined;
    for (const std::string& word : words) {
        const std::string bytes = DecodeBase64(Base64OfWord(word, "=?ISO-2022-JP?B?"));
        const size_t nLastEscape = bytes.rfind('\x1B');
        if (nLastEscape != std::string::npos) {
            EXPECT_EQ(bytes.substr(nLastEscape, 3), ASCII_MODE) << word;
        }
        joined += Iso2022JpToUtf8(bytes); // throws when a word is cut inside a sequence
    }
    EXPECT_EQ(joined, subject);
}

TEST(EncodedWord, EmptyTextGivesNoWordAndAnUnknownEncodingNothing) {
    EXPECT_EQ(CEncodedWord::Encode("", MAIL_ENCODING_UTF8), "");
    EXPECT_EQ(CEncodedWord::Encode("", MAIL_ENCODING_ISO2022JP), "");
    EXPECT_EQ(CEncodedWord::Encode("KORVANE", 2), "");
    EXPECT_EQ(CEncodedWord::Encode("KORVANE Adimin", MAIL_ENCODING_UTF8), "=?UTF-8?B?S09SVkFORSBBZGltaW4=?=");
}

TEST(MailBody, FiftySevenBytesMakeOneLineOfSeventySixCharacters) {
    CMailBody body;
    ASSERT_TRUE(body.AddLine(std::string(55, 'a'))); // 57 bytes with its line end
    const std::string encoded = body.Encoded(MAIL_ENCODING_UTF8);
    EXPECT_EQ(encoded.size(), 76u);
    EXPECT_EQ(encoded.find('\r'), std::string::npos);
    EXPECT_EQ(DecodeBase64(encoded), std::string(55, 'a') + "\r\n");

    CMailBody longer;
    longer.AddLine(std::string(56, 'a'));
    const std::string twoLines = longer.Encoded(MAIL_ENCODING_UTF8);
    EXPECT_EQ(twoLines.size(), 76u + 2 + 4);
    EXPECT_EQ(twoLines.substr(76, 2), "\r\n");
}

TEST(MailBody, AFullBodyKeepsEarlierLinesAndDropsOnlyWhatNoLongerFits) {
    CMailBody body;
    const std::string kiloLine(1000, 'k');
    int nAdded = 0;
    while (body.AddLine(kiloLine + std::to_string(nAdded % 10))) {
        ++nAdded;
    }
    EXPECT_EQ(nAdded, 65) << "65 lines of 1003 bytes fit into 65535";
    const size_t nUsed = body.Text().size();
    EXPECT_EQ(nUsed, 65u * 1003);

    const size_t nRoom = CMailBody::CAPACITY - 1 - nUsed - 2; // one byte stays for the zero
    EXPECT_FALSE(body.AddLine(std::string(nRoom + 1, 'x')));
    EXPECT_EQ(body.Text().size(), nUsed) << "a dropped line leaves no trace";
    EXPECT_TRUE(body.AddLine(std::string(nRoom, 's'))) << "a shorter line still fits";
    EXPECT_EQ(body.Text().size(), CMailBody::CAPACITY - 1);
    EXPECT_FALSE(body.AddLine(""));

    const std::string& text = body.Text();
    for (int i = 0; i < nAdded; ++i) {
        ASSERT_EQ(text.substr(static_cast<size_t>(i) * 1003, 1003),
                  kiloLine + std::to_string(i % 10) + "\r\n");
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(MailBody, Iso2022JpLinesEndInAsciiMode) {
    CMailBody body;
    body.AddLine("・ ks-a : 注意");
    body.AddLine("・容量の警告がでています。");
    body.AddLine("plain");
    const std::string encoded = body.Encoded(MAIL_ENCODING_ISO2022JP);
    for (const std::string& line : Split(encoded, "\r\n")) {
        const size_t escape = line.rfind('\x1B');
        if (escape != std::string::npos) {
            EXPECT_EQ(line.substr(escape), ASCII_MODE) << "the line ends in JIS X 0208 mode";
        }
    }
    EXPECT_EQ(Iso2022JpToUtf8(encoded), body.Text());
    EXPECT_EQ(body.Encoded(7), "");
}

TEST(MailBody, ALineEndsAtAZeroByte) {
    CMailBody body;
    body.AddLine(std::string("ab\0cd", 5));
    EXPECT_EQ(body.Text(), "ab\r\n");
}

TEST(MailBody, DotStuffingDoublesTheDotAtEveryLineStart) {
    EXPECT_EQ(CMailBody::DotStuffed(".\r\n.hidden\r\nmid.dle\r\n..\r\n"),
              "..\r\n..hidden\r\nmid.dle\r\n...\r\n");
    EXPECT_EQ(CMailBody::DotStuffed("a\n.b"), "a\n..b") << "a bare line feed ends a line for some servers";
    EXPECT_EQ(CMailBody::DotStuffed("no dots\r\n"), "no dots\r\n");
    EXPECT_EQ(CMailBody::DotStuffed(""), "");
}

TEST(InertMailText, LineEndsAndControlsShowAsEscapesAndTheRestStays) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a\rb", "a\\rb"},
        {"a\nb", "a\\nb"},
        {"a\r\n.\r\nb", "a\\r\\n.\\r\\nb"},
        {"\x1B[31mred\x7F", "\\x1B[31mred\\x7F"},
        {"c1 \xC2\x85 \xC2\x9F", "c1 \\x85 \\x9F"},
        {"tab\t日本語 \xC2\xA0 ü", "tab\t日本語 \xC2\xA0 ü"},
        {"lead \xC2", "lead \xC2"},
        {std::string_view("nul\0", 4), "nul\\x00"},
    };
    for (const auto& [text, inert] : cases) {
        EXPECT_EQ(CInertMailText::OneLine(text), inert) << text;
    }
}

// Zones through POSIX TZ strings; the previous TZ comes back after each test.
class MailDateTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* pszZone = std::getenv("TZ");
        m_saved = pszZone != nullptr ? std::optional<std::string>(pszZone) : std::nullopt;
    }
    void TearDown() override {
        m_saved ? setenv("TZ", m_saved->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static void UseZone(const char* pszZone) {
        setenv("TZ", pszZone, 1);
        tzset();
    }

    static constexpr std::time_t JULY_6_2024_NOON_UTC = 1720267200;
    static constexpr std::time_t JANUARY_16_2024_NOON_UTC = 1705406400;

private:
    std::optional<std::string> m_saved;
};

TEST_F(MailDateTest, ZoneOfTheStandardBias) {
    EXPECT_EQ(CMailDate::ZoneText(300), "-0500");
    EXPECT_EQ(CMailDate::ZoneText(-330), "+0530");
    EXPECT_EQ(CMailDate::ZoneText(-540), "+0900");
    EXPECT_EQ(CMailDate::ZoneText(210), "-0330");
    EXPECT_EQ(CMailDate::ZoneText(0), "-0000");
}

TEST_F(MailDateTest, EasternZoneIsMinusFiveHoursAlsoInSummer) {
    UseZone("EST5EDT");
    EXPECT_EQ(CMailDate::ZoneText(), "-0500");
    EXPECT_EQ(CMailDate::Text(JANUARY_16_2024_NOON_UTC), "Tue, 16 Jan 2024 07:00:00 -0500");
    // Local summer time with the standard zone, as the program has always dated its mail.
    EXPECT_EQ(CMailDate::Text(JULY_6_2024_NOON_UTC), "Sat,  6 Jul 2024 08:00:00 -0500");
}

TEST_F(MailDateTest, IndiaIsPlusFiveAndAHalfHours) {
    UseZone("IST-5:30");
    EXPECT_EQ(CMailDate::ZoneText(), "+0530");
    EXPECT_EQ(CMailDate::Text(JULY_6_2024_NOON_UTC), "Sat,  6 Jul 2024 17:30:00 +0530");
}

TEST_F(MailDateTest, UniversalTimeIsMinusZero) {
    UseZone("UTC0");
    EXPECT_EQ(CMailDate::Text(JANUARY_16_2024_NOON_UTC), "Tue, 16 Jan 2024 12:00:00 -0000");
}

using MailHeadersTest = MailDateTest; // the date line needs a known zone

TEST_F(MailHeadersTest, BlockInItsOrderAndSpelling) {
    UseZone("JST-9");
    const MailHeaders headers("KORVANE Admin  -TEST MAIL-", "KORVANE Adimin", "from@korvane.test",
                              "a@korvane.test;b@korvane.test;");
    EXPECT_EQ(headers.Block(MAIL_ENCODING_UTF8, JULY_6_2024_NOON_UTC),
              "DATE: Sat,  6 Jul 2024 21:00:00 +0900\r\n"
              "From: =?UTF-8?B?S09SVkFORSBBZGltaW4=?=<from@korvane.test>\r\n"
              "To: a@korvane.test;b@korvane.test;\r\n"
              "Subject: =?UTF-8?B?S09SVkFORSBBZG1pbiAgLVRFU1QgTUFJTC0=?=\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=\"UTF-8\"\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "\r\n");
}

TEST_F(MailHeadersTest, Iso2022JpWordsAndAnUnknownEncoding) {
    UseZone("JST-9");
    const MailHeaders headers("エラー通知", "管理者", "from@korvane.test", "a@korvane.test");
    const MailTesting::ParsedMail mail =
        MailTesting::ParseMail(headers.Block(MAIL_ENCODING_ISO2022JP, JULY_6_2024_NOON_UTC));
    EXPECT_EQ(DecodeWords(MailTesting::HeaderOf(mail, "Subject")), "エラー通知");
    EXPECT_EQ(DecodeWords(MailTesting::HeaderOf(mail, "From")), "管理者<from@korvane.test>");
    EXPECT_EQ(MailTesting::HeaderOf(mail, "Content-Type"), "text/plain; charset=\"ISO-2022-JP\"");
    EXPECT_EQ(MailTesting::HeaderOf(mail, "Content-Transfer-Encoding"), "7bit");

    EXPECT_EQ(headers.Block(9, JULY_6_2024_NOON_UTC),
              "DATE: Sat,  6 Jul 2024 21:00:00 +0900\r\nFrom: <from@korvane.test>\r\nTo: a@korvane.test\r\n"
              "Subject: \r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"\"\r\n"
              "Content-Transfer-Encoding: \r\n\r\n");
}
