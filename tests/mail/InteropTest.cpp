// Mail to real servers of Debian's packages, started for each test on loopback with throw-away
// configurations: Exim for SMTP (with AUTH PLAIN, LOGIN and CRAM-MD5) delivering into a Maildir,
// Dovecot for POP before SMTP. Each delivered message is read back from the Maildir as a mail
// program would read it.
#include "DovecotServer.h"
#include "EximServer.h"
#include "MailServerPrerequisites.h"
#include "MailText.h"
#include "ScratchDirectory.h"
#include "mail/MailSender.h"

#include <chrono>
#include <memory>
#include <regex>
#include <tuple>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace MailTesting;
using std::chrono::seconds;

namespace {

constexpr const char* SERVER_ADDRESS = "127.85.0.1";
const std::string RECIPIENT = "admin@korvane.test";
const std::string SENDER = "notice@korvane.test";
const std::string SENDER_NAME = "管理者 KORVANE 通知";
// Long enough for several encoded words in either encoding.
const std::string SUBJECT = "KORVANE Admin  - エラー通知 - 容量の警告がでています。状態を確認してください";
const std::vector<std::string> BODY_LINES = {"・ ks-one : 注意", "・容量の警告がでています。",
                                             ".a line that begins with a dot", ".", "plain ASCII"};

// The name Exim logs as A= for the method (its authenticator's name in EximServer).
const char* AuthenticatorName(int nMethod) {
    switch (nMethod) {
    case MAIL_AUTH_PLAIN:
        return "plain";
    case MAIL_AUTH_LOGIN:
        return "login";
    default:
        return "cram";
    }
}

// An ISO-2022-JP body ends with its last line's "\r\n", and the end of the data "\r\n.\r\n" follows
// it, which leaves one empty line at the end. A Base64 body has no line end of
// its own.
std::string ExpectedBody(int nEncoding) {
    std::string body;
    for (const std::string& line : BODY_LINES) {
        body += line + "\n";
    }
    return nEncoding == MAIL_ENCODING_ISO2022JP ? body + "\n" : body;
}

class MailServersTest : public ::testing::Test {
protected:
    void SetUp() override {
        KORVANE_REQUIRE_MAIL_SERVERS();
        m_directory = std::make_unique<ScratchDirectory>();
        m_exim = std::make_unique<EximServer>(*m_directory, SERVER_ADDRESS, m_account);
        m_dovecot = std::make_unique<DovecotServer>(*m_directory, SERVER_ADDRESS, m_account);
    }

    CMailSettings Settings(int nAuthMethod, int nEncoding) const {
        CMailSettings settings;
        settings.strSmtpServer = SERVER_ADDRESS;
        settings.strSmtpPort = std::to_string(m_exim->Port());
        settings.strFromAddress = SENDER;
        settings.nEncoding = nEncoding;
        settings.nAuthMethod = nAuthMethod;
        settings.strSmtpAuthUser = m_account.user;
        settings.strSmtpAuthPassword = m_account.password;
        settings.strPop3Server = SERVER_ADDRESS;
        settings.strPop3Port = std::to_string(m_dovecot->Port());
        settings.strPop3Wait = "100";
        settings.strPop3Account = m_account.user;
        settings.strPop3Password = m_account.password;
        return settings;
    }

    static int Send(const CMailSettings& settings, const std::string& recipients) {
        MailSender sender(settings, SENDER_NAME);
        for (const std::string& line : BODY_LINES) {
            sender.AddBodyLine(line);
        }
        return sender.Send(recipients, SUBJECT);
    }

    std::string Logs() const {
        return "\n--- Exim ---\n" + m_exim->Log() + "\n--- Dovecot ---\n" + m_dovecot->Log();
    }

    MailAccount m_account;
    std::unique_ptr<ScratchDirectory> m_directory; // declared first: removed after the servers stop
    std::unique_ptr<EximServer> m_exim;
    std::unique_ptr<DovecotServer> m_dovecot;
};

class MailDeliveryTest : public MailServersTest,
                         public ::testing::WithParamInterface<std::tuple<int, int>> {};

std::string MethodName(int nMethod) {
    static const char* const METHODS[] = {"None", "PopBeforeSmtp", "Plain", "Login", "CramMd5"};
    return METHODS[nMethod];
}

std::string DeliveryCaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
    return MethodName(std::get<0>(info.param)) +
           (std::get<1>(info.param) == MAIL_ENCODING_UTF8 ? "_Utf8" : "_Iso2022Jp");
}

std::string LoginCaseName(const ::testing::TestParamInfo<int>& info) {
    return MethodName(info.param);
}

} // namespace

TEST_P(MailDeliveryTest, TheDeliveredMailReadsBackAsSent) {
    const auto [nMethod, nEncoding] = GetParam();
    ASSERT_EQ(Send(Settings(nMethod, nEncoding), RECIPIENT), MAIL_SEND_DONE) << Logs();
    const std::vector<std::string> messages = m_exim->WaitForMessages(1, seconds(10));
    ASSERT_EQ(messages.size(), 1u) << Logs();

    const ParsedMail mail = ParseMail(messages[0]);
    const bool bUtf8 = nEncoding == MAIL_ENCODING_UTF8;
    EXPECT_TRUE(std::regex_match(
        HeaderOf(mail, "DATE"),
        std::regex(R"([A-Z][a-z]{2}, [ 1-3]\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")))
        << HeaderOf(mail, "DATE");
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "From")), SENDER_NAME + "<" + SENDER + ">");
    EXPECT_EQ(HeaderOf(mail, "To"), RECIPIENT);
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), SUBJECT);
    EXPECT_EQ(HeaderOf(mail, "MIME-Version"), "1.0");
    EXPECT_EQ(HeaderOf(mail, "Content-Type"),
              std::string("text/plain; charset=\"") + (bUtf8 ? "UTF-8" : "ISO-2022-JP") + "\"");
    EXPECT_EQ(HeaderOf(mail, "Content-Transfer-Encoding"), bUtf8 ? "base64" : "7bit");
    EXPECT_EQ(DecodedBody(mail), ExpectedBody(nEncoding));

    // How the server saw the mail come in.
    const bool bSmtpAuth = nMethod >= MAIL_AUTH_PLAIN;
    EXPECT_NE(HeaderOf(mail, "Received").find(bSmtpAuth ? "with esmtpa " : "with esmtp "), std::string::npos)
        << HeaderOf(mail, "Received");
    if (bSmtpAuth) {
        EXPECT_NE(m_exim->Log().find(std::string(" A=") + AuthenticatorName(nMethod) + " "),
                  std::string::npos)
            << Logs();
    }
    if (nMethod == MAIL_AUTH_POP_BEFORE_SMTP) {
        EXPECT_NE(m_dovecot->Log().find("Login: user=<" + m_account.user + ">"), std::string::npos) << Logs();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMethodAndEncoding, MailDeliveryTest,
                         ::testing::Combine(::testing::Values(MAIL_AUTH_NONE, MAIL_AUTH_POP_BEFORE_SMTP,
                                                              MAIL_AUTH_PLAIN, MAIL_AUTH_LOGIN,
                                                              MAIL_AUTH_CRAM_MD5),
                                            ::testing::Values(MAIL_ENCODING_UTF8, MAIL_ENCODING_ISO2022JP)),
                         DeliveryCaseName);

class WrongPasswordTest : public MailServersTest, public ::testing::WithParamInterface<int> {};

TEST_P(WrongPasswordTest, IsRefusedAndNothingIsDelivered) {
    CMailSettings settings = Settings(GetParam(), MAIL_ENCODING_UTF8);
    settings.strSmtpAuthPassword = "wrong-password";
    settings.strPop3Password = "wrong-password";
    EXPECT_EQ(Send(settings, RECIPIENT), MAIL_SEND_FAILED) << Logs();
    EXPECT_TRUE(m_exim->WaitForMessages(1, seconds(1)).empty()) << Logs();
}

INSTANTIATE_TEST_SUITE_P(EveryLogin, WrongPasswordTest,
                         ::testing::Values(MAIL_AUTH_POP_BEFORE_SMTP, MAIL_AUTH_PLAIN, MAIL_AUTH_LOGIN,
                                           MAIL_AUTH_CRAM_MD5),
                         LoginCaseName);

TEST_F(MailServersTest, ARecipientTheServerRefusesMakesThePartResult) {
    const std::string refused = std::string(EximServer::REFUSED_LOCAL_PART) + "@korvane.test";
    EXPECT_EQ(Send(Settings(MAIL_AUTH_PLAIN, MAIL_ENCODING_ISO2022JP), RECIPIENT + ";" + refused),
              MAIL_SEND_PARTLY)
        << Logs();
    const std::vector<std::string> messages = m_exim->WaitForMessages(1, seconds(10));
    ASSERT_EQ(messages.size(), 1u) << Logs();
    EXPECT_EQ(HeaderOf(ParseMail(messages[0]), "To"), RECIPIENT + ";" + refused);
}
