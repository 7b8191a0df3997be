// The SMTP dialogue against a scripted server: what the client sends, byte for byte, and how it
// takes the replies that real servers give (or should not give).
#include "MailText.h"
#include "ScriptedMailSettings.h"
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "mail/MailSender.h"

#include <atomic>
#include <chrono>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace MailTesting;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

const std::string ENVELOPE =
    "RSET\r\nMAIL FROM: <notice@korvane.test>\r\nRCPT TO: <admin@korvane.test>\r\nDATA\r\n";

ScriptedServer::Script Smtp(const SmtpBehaviour& behaviour = {}) {
    return [behaviour](ScriptedSession& session) { ServeSmtp(session, behaviour); };
}

int SendOneLine(const CMailSettings& settings, const std::string& recipients = TO_ADDRESS) {
    MailSender sender(settings, "KORVANE Adimin");
    sender.AddBodyLine("line one");
    return sender.Send(recipients, "Subject");
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

TEST(SmtpDialogue, DeliversWithTheWholeDialogueInItsOrder) {
    ScriptedServer server(Smtp());
    MailSender sender(ScriptedSettings(server.Port()), "KORVANE Adimin");
    sender.AddBodyLine("line one");
    sender.AddBodyLine("日本語の行");
    ASSERT_EQ(sender.Send(TO_ADDRESS, "件名"), MAIL_SEND_DONE);

    const std::vector<std::string> transcripts = server.Transcripts();
    ASSERT_EQ(transcripts.size(), 1u);
    const std::string& sent = transcripts[0];
    EXPECT_EQ(sent.substr(0, 16 + ENVELOPE.size()), "EHLO localhost\r\n" + ENVELOPE);
    EXPECT_TRUE(EndsWith(sent, "\r\n.\r\nQUIT\r\n")) << sent;

    const ParsedMail mail = ParseMail(MessageOf(sent));
    std::vector<std::string> names;
    for (const auto& header : mail.headers) {
        names.push_back(header.first);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"DATE", "From", "To", "Subject", "MIME-Version",
                                               "Content-Type", "Content-Transfer-Encoding"}));
    EXPECT_TRUE(std::regex_match(HeaderOf(mail, "DATE"),
                                 std::regex(R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun), [ 1-3]\d [A-Z][a-z]{2} \d{4} )"
                                            R"(\d\d:\d\d:\d\d [+-]\d{4})")))
        << HeaderOf(mail, "DATE");
    EXPECT_EQ(HeaderOf(mail, "From"), "=?UTF-8?B?S09SVkFORSBBZGltaW4=?=<notice@korvane.test>");
    EXPECT_EQ(HeaderOf(mail, "To"), TO_ADDRESS);
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), "件名");
    EXPECT_EQ(DecodedBody(mail), "line one\n日本語の行\n");
}

TEST(SmtpDialogue, RefusedEhloFallsBackToHelo) {
    SmtpBehaviour behaviour;
    behaviour.ehloReply = "502 5.5.1 command not implemented\r\n";
    ScriptedServer server(Smtp(behaviour));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_DONE);
    const std::string sent = server.Transcripts().at(0);
    EXPECT_EQ(sent.substr(0, 32 + ENVELOPE.size()), "EHLO localhost\r\nHELO localhost\r\n" + ENVELOPE);
}

TEST(SmtpDialogue, RefusedHeloToo) {
    SmtpBehaviour behaviour;
    behaviour.ehloReply = "502 not implemented\r\n";
    behaviour.heloReply = "501 go away\r\n";
    ScriptedServer server(Smtp(behaviour));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_FAILED);
    EXPECT_EQ(server.Transcripts().at(0), "EHLO localhost\r\nHELO localhost\r\n")
        << "no QUIT after a failure";
}

TEST(SmtpDialogue, AMultiLineEhloReplyIsReadCompletelyBeforeTheNextCommand) {
    bool bEarly = false;
    ScriptedServer server([&bEarly](ScriptedSession& session) {
        session.Send("220 scripted.test ESMTP\r\n");
        session.ReadLine();
        for (const char* pszLine : {"250-scripted.test greets localhost\r\n", "250-SIZE 1000000\r\n"}) {
            session.Send(pszLine);
            bEarly = bEarly || session.ClientActsWithin(milliseconds(300));
        }
        session.Send("250 HELP\r\n");
        ServeSmtpCommands(session, {});
    });
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_DONE);
    server.Transcripts();
    EXPECT_FALSE(bEarly) << "the client went on before the last line of the reply";
}

TEST(SmtpDialogue, AServerThatClosesInsteadOfAnsweringQuitHasDelivered) {
    SmtpBehaviour behaviour;
    behaviour.quitReply.clear();
    ScriptedServer server(Smtp(behaviour));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_DONE);
    EXPECT_TRUE(EndsWith(server.Transcripts().at(0), "QUIT\r\n"));
}

TEST(SmtpDialogue, AnErrorReplyToQuitIsAFailure) {
    SmtpBehaviour behaviour;
    behaviour.quitReply = "500 what\r\n";
    ScriptedServer server(Smtp(behaviour));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_FAILED);
}

TEST(SmtpDialogue, OneDialoguePerRecipientAndARefusedOneMakesThePartResult) {
    SmtpBehaviour behaviour;
    behaviour.refusedRecipients = {"gone@korvane.test"};
    ScriptedServer server(Smtp(behaviour));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port()), "admin@korvane.test;gone@korvane.test;"),
              MAIL_SEND_PARTLY);
    const std::vector<std::string> transcripts = server.Transcripts();
    ASSERT_EQ(transcripts.size(), 2u);
    EXPECT_NE(transcripts[0].find("RCPT TO: <admin@korvane.test>\r\nDATA\r\n"), std::string::npos);
    EXPECT_TRUE(EndsWith(transcripts[1], "RCPT TO: <gone@korvane.test>\r\n")) << "no DATA and no QUIT";
    EXPECT_EQ(HeaderOf(ParseMail(MessageOf(transcripts[0])), "To"), "admin@korvane.test;gone@korvane.test;")
        << "the To header is the list as given";

    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port()), "gone@korvane.test"), MAIL_SEND_FAILED);
}

TEST(SmtpDialogue, AnEmptyFirstRecipientFailsWithoutTrafficAndTheOtherIsDelivered) {
    ScriptedServer server(Smtp());
    MailSender sender(ScriptedSettings(server.Port()), "KORVANE Adimin");
    EXPECT_EQ(sender.SendOne(""), MAIL_DIALOGUE_INCOMPLETE);
    EXPECT_EQ(sender.Send(";admin@korvane.test", "Subject"), MAIL_SEND_PARTLY);
    EXPECT_EQ(server.Transcripts().size(), 1u);
}

TEST(SmtpDialogue, IncompleteSettingsSendNothing) {
    ScriptedServer server(Smtp());
    CMailSettings settings = ScriptedSettings(server.Port(), MAIL_AUTH_CRAM_MD5);
    settings.strSmtpAuthPassword.clear();
    EXPECT_EQ(SendOneLine(settings, "admin@korvane.test;other@korvane.test"), MAIL_SEND_FAILED);
    EXPECT_TRUE(server.Transcripts().empty());
}

TEST(SmtpDialogue, AGreetingThatNeverComesEndsAfterTheTimeLimit) {
    ScriptedServer server([](ScriptedSession& session) { session.WaitForClose(); });
    const auto start = steady_clock::now();
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_FAILED);
    const auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(9500));
    EXPECT_LT(elapsed, milliseconds(14000));
    EXPECT_EQ(server.Transcripts().at(0), "");
}

TEST(SmtpDialogue, ATricklingServerHoldsTheDialogueNoLongerThanItsLength) {
    ScriptedServer server([](ScriptedSession& session) {
        session.Trickle("220 " + std::string(100, 'x') + "\r\n", milliseconds(250));
    });
    MailSender sender(ScriptedSettings(server.Port()), "KORVANE Adimin", nullptr, std::chrono::seconds(2));
    sender.AddBodyLine("line");
    const auto start = steady_clock::now();
    EXPECT_EQ(sender.Send(TO_ADDRESS, "Subject"), MAIL_SEND_FAILED);
    const auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::seconds(2));
    EXPECT_LT(elapsed, milliseconds(3500));
    EXPECT_EQ(server.Transcripts().at(0), "") << "the greeting never ended";
}

TEST(SmtpDialogue, TheCancelEventEndsTheDialogueAtOnceAndTheRecipientsAfterIt) {
    std::atomic<bool> bHolding{false};
    ScriptedServer server([&bHolding](ScriptedSession& session) {
        bHolding = true;
        session.WaitForClose();
    });
    const auto cancel = std::make_shared<Zelt::CancelEvent>();
    std::thread canceller([&bHolding, cancel] {
        while (!bHolding) {
            std::this_thread::sleep_for(milliseconds(10));
        }
        cancel->Set();
    });
    MailSender sender(ScriptedSettings(server.Port()), "KORVANE Adimin", cancel);
    const auto start = steady_clock::now();
    EXPECT_EQ(sender.Send("admin@korvane.test;other@korvane.test", "Subject"), MAIL_SEND_CANCELLED);
    canceller.join();
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(2)) << "not the 10 s greeting wait";
    EXPECT_EQ(server.Transcripts().size(), 1u) << "no dialogue with the second recipient";
}

TEST(SmtpDialogue, LineEndsInTheSubjectAndAddressesCannotAddCommandsOrHeaders) {
    ScriptedServer server(Smtp());
    CMailSettings settings = ScriptedSettings(server.Port());
    settings.strFromAddress = "notice@korvane.test>\r\nRCPT TO: <spy@korvane.test";
    MailSender sender(settings, "KORVANE Adimin");
    EXPECT_EQ(sender.Send("admin@korvane.test\nBcc: spy@korvane.test", "alert\r\n\r\nbody"), MAIL_SEND_DONE);
    const std::string sent = server.Transcripts().at(0);
    const std::string envelope = "EHLO localhost\r\nRSET\r\n"
                                 "MAIL FROM: <notice@korvane.test>\\r\\nRCPT TO: <spy@korvane.test>\r\n"
                                 "RCPT TO: <admin@korvane.test\\nBcc: spy@korvane.test>\r\nDATA\r\n";
    EXPECT_EQ(sent.substr(0, envelope.size()), envelope);
    const ParsedMail mail = ParseMail(MessageOf(sent));
    EXPECT_EQ(mail.headers.size(), 7u);
    EXPECT_EQ(HeaderOf(mail, "To"), "admin@korvane.test\\nBcc: spy@korvane.test");
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), "alert\\r\\n\\r\\nbody");
}

TEST(SmtpDialogue, AnEndlessReplyIsCutOffAsAFailure) {
    ScriptedServer server([](ScriptedSession& session) {
        session.Send("220 scripted.test ESMTP\r\n");
        session.ReadLine();
        const std::string line = "250-" + std::string(70, 'x') + "\r\n";
        const auto deadline = steady_clock::now() + std::chrono::seconds(20);
        while (steady_clock::now() < deadline && session.Send(line)) {
        }
        session.WaitForClose();
    });
    const auto start = steady_clock::now();
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port())), MAIL_SEND_FAILED);
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(server.Transcripts().at(0), "EHLO localhost\r\n") << "the dialogue ends with the reply";
}

TEST(SmtpDialogue, DotStuffingKeepsBodyLinesThatBeginWithADot) {
    ScriptedServer server(Smtp());
    CMailSettings settings = ScriptedSettings(server.Port());
    settings.nEncoding = MAIL_ENCODING_ISO2022JP;
    MailSender sender(settings, "KORVANE Adimin");
    for (const char* pszLine : {".", ".hidden", "日本語", "end"}) {
        sender.AddBodyLine(pszLine);
    }
    ASSERT_EQ(sender.Send(TO_ADDRESS, "Subject"), MAIL_SEND_DONE);
    const std::string sent = server.Transcripts().at(0);
    EXPECT_NE(sent.find("\r\n\r\n..\r\n..hidden\r\n"), std::string::npos) << sent;
    EXPECT_EQ(DecodedBody(ParseMail(MessageOf(sent))), ".\n.hidden\n日本語\nend\n");
}

// --- SMTP AUTH, byte for byte ---

namespace {

// Answers the AUTH command line with the replies, reading one client line between two of them.
ScriptedServer::Script AuthExchange(std::vector<std::string> replies) {
    SmtpBehaviour behaviour;
    behaviour.auth = [replies](ScriptedSession& session, const std::string&) {
        for (size_t i = 0; i < replies.size(); ++i) {
            session.Send(replies[i]);
            if (i + 1 < replies.size()) {
                session.ReadLine();
            }
        }
    };
    return Smtp(behaviour);
}

std::string AfterEhlo(const std::string& exchange) {
    return "EHLO localhost\r\n" + exchange + ENVELOPE;
}

} // namespace

TEST(SmtpAuth, Plain) {
    ScriptedServer server(AuthExchange({"235 2.7.0 accepted\r\n"}));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port(), MAIL_AUTH_PLAIN)), MAIL_SEND_DONE);
    const std::string sent = server.Transcripts().at(0);
    const std::string expected = AfterEhlo("AUTH PLAIN dGltAHRpbQB0YW5zdGFhZnRhbnN0YWFm\r\n");
    EXPECT_EQ(sent.substr(0, expected.size()), expected);
}

TEST(SmtpAuth, Login) {
    ScriptedServer server(AuthExchange({"334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 accepted\r\n"}));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port(), MAIL_AUTH_LOGIN)), MAIL_SEND_DONE);
    const std::string sent = server.Transcripts().at(0);
    const std::string expected = AfterEhlo("AUTH LOGIN\r\ndGlt\r\ndGFuc3RhYWZ0YW5zdGFhZg==\r\n");
    EXPECT_EQ(sent.substr(0, expected.size()), expected);
}

TEST(SmtpAuth, CramMd5WithTheChallengeOfRfc2195) {
    ScriptedServer server(AuthExchange(
        {"334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n", "235 accepted\r\n"}));
    EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port(), MAIL_AUTH_CRAM_MD5)), MAIL_SEND_DONE);
    const std::string sent = server.Transcripts().at(0);
    const std::string expected =
        AfterEhlo("AUTH CRAM-MD5\r\ndGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n");
    EXPECT_EQ(sent.substr(0, expected.size()), expected);
}

TEST(SmtpAuth, ARefusalEndsTheDialogue) {
    for (int nMethod : {MAIL_AUTH_PLAIN, MAIL_AUTH_LOGIN, MAIL_AUTH_CRAM_MD5}) {
        ScriptedServer server(AuthExchange({"535 5.7.8 authentication failed\r\n"}));
        EXPECT_EQ(SendOneLine(ScriptedSettings(server.Port(), nMethod)), MAIL_SEND_FAILED) << nMethod;
        const std::string sent = server.Transcripts().at(0);
        const size_t nLastLine = sent.rfind("\r\n", sent.size() - 3);
        ASSERT_NE(nLastLine, std::string::npos) << sent;
        EXPECT_EQ(sent.substr(nLastLine + 2, 5), "AUTH ") << "nothing after the refused AUTH: " << sent;
    }
}

// With STARTTLS chosen, a server that does not offer it ends the dialogue before any password or
// message goes out, and so does one that takes STARTTLS and then never handshakes: at the
// dialogue's deadline, or at once when the sending is cancelled.
TEST(SmtpStartTls, NoPasswordOrMessageLeavesWithoutTls) {
    const auto Greeted = [](const std::string& capabilities, const std::string& startTlsReply) {
        return [capabilities, startTlsReply](ScriptedSession& session) {
            session.Send("220 mail.korvane.test ESMTP\r\n");
            session.ReadLine();
            session.Send(capabilities);
            if (session.ReadLine() && !startTlsReply.empty()) {
                session.Send(startTlsReply);
            }
            session.WaitForClose();
        };
    };
    CMailSettings settings = ScriptedSettings(0, MAIL_AUTH_PLAIN);
    settings.nSmtpSecurity = MAIL_SECURITY_STARTTLS;

    ScriptedServer withoutTls(Greeted("250-mail.korvane.test\r\n250 AUTH PLAIN LOGIN\r\n", ""));
    settings.strSmtpPort = std::to_string(withoutTls.Port());
    MailSender refused(settings, "KORVANE Admin");
    EXPECT_EQ(refused.Send(TO_ADDRESS, "Subject"), MAIL_SEND_FAILED);
    EXPECT_NE(refused.FailureText().find("STARTTLS に対応していない"), std::string::npos)
        << refused.FailureText();
    EXPECT_EQ(withoutTls.Transcripts().at(0), "EHLO localhost\r\n");

    ScriptedServer stalling(Greeted("250-mail.korvane.test\r\n250 STARTTLS\r\n", "220 go ahead\r\n"));
    settings.strSmtpPort = std::to_string(stalling.Port());
    const steady_clock::time_point start = steady_clock::now();
    EXPECT_EQ(MailSender(settings, "KORVANE Admin", nullptr, milliseconds(1000)).Send(TO_ADDRESS, "Subject"),
              MAIL_SEND_FAILED);
    EXPECT_LT(steady_clock::now() - start, milliseconds(2500));
    const auto cancel = std::make_shared<Zelt::CancelEvent>();
    std::thread canceller([cancel] {
        std::this_thread::sleep_for(milliseconds(300));
        cancel->Set();
    });
    const steady_clock::time_point cancelledAt = steady_clock::now();
    EXPECT_EQ(MailSender(settings, "KORVANE Admin", cancel).Send(TO_ADDRESS, "Subject"), MAIL_SEND_CANCELLED);
    EXPECT_LT(steady_clock::now() - cancelledAt, milliseconds(1500));
    canceller.join();
    for (const std::string& sent : stalling.Transcripts()) {
        // A TLS handshake record follows STARTTLS, and nothing else.
        EXPECT_EQ(sent.rfind("EHLO localhost\r\nSTARTTLS\r\n\x16\x03", 0), 0u) << sent;
        EXPECT_EQ(sent.find("AUTH"), std::string::npos);
    }
}
