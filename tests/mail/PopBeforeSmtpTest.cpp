// POP before SMTP against scripted POP3 and SMTP servers.
#include "ScriptedMailSettings.h"
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "mail/MailSender.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace MailTesting;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

// A POP3 server that answers the login with the reply to PASS and notes when QUIT came.
ScriptedServer::Script Pop3(const std::string& passReply, steady_clock::time_point* pQuitTime = nullptr) {
    return [passReply, pQuitTime](ScriptedSession& session) {
        session.Send("+OK scripted POP3 ready\r\n");
        for (std::optional<std::string> line; (line = session.ReadLine());) {
            if (line->rfind("QUIT", 0) == 0 && pQuitTime != nullptr) {
                *pQuitTime = steady_clock::now();
            }
            session.Send(line->rfind("PASS", 0) == 0 ? passReply : "+OK\r\n");
        }
    };
}

int SendWithPop(uint16_t nSmtpPort, uint16_t nPopPort, const std::string& wait,
                Zelt::CancelEventPtr cancel = nullptr) {
    CMailSettings settings = ScriptedSettings(nSmtpPort, MAIL_AUTH_POP_BEFORE_SMTP);
    settings.strPop3Port = std::to_string(nPopPort);
    settings.strPop3Wait = wait;
    MailSender sender(settings, "KORVANE Adimin", std::move(cancel));
    sender.AddBodyLine("line");
    return sender.Send(TO_ADDRESS, "Subject");
}

} // namespace

TEST(PopBeforeSmtp, LogsInThenWaitsBeforeTheSmtpConnection) {
    steady_clock::time_point quitTime;
    ScriptedServer pop(Pop3("+OK logged in\r\n", &quitTime));
    ScriptedServer smtp([](ScriptedSession& session) { ServeSmtp(session, {}); });
    EXPECT_EQ(SendWithPop(smtp.Port(), pop.Port(), "1000"), MAIL_SEND_DONE);

    EXPECT_EQ(pop.Transcripts(), (std::vector<std::string>{"USER account\r\nPASS pop-password\r\nQUIT\r\n"}));
    const std::vector<steady_clock::time_point> accepted = smtp.AcceptTimes();
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_GT(accepted[0] - quitTime, milliseconds(1000));
    EXPECT_NE(smtp.Transcripts().at(0).find("RSET\r\n"), std::string::npos);
}

TEST(PopBeforeSmtp, ARefusedLoginSendsNoMail) {
    ScriptedServer pop(Pop3("-ERR authentication failed\r\n"));
    ScriptedServer smtp([](ScriptedSession& session) { ServeSmtp(session, {}); });
    EXPECT_EQ(SendWithPop(smtp.Port(), pop.Port(), "0"), MAIL_SEND_FAILED);
    EXPECT_EQ(pop.Transcripts(), (std::vector<std::string>{"USER account\r\nPASS pop-password\r\n"}));
    EXPECT_TRUE(smtp.Transcripts().empty());
}

TEST(PopBeforeSmtp, ASilentPop3ServerEndsAfterTheTimeLimit) {
    ScriptedServer pop([](ScriptedSession& session) { session.WaitForClose(); });
    ScriptedServer smtp([](ScriptedSession& session) { ServeSmtp(session, {}); });
    const auto start = steady_clock::now();
    EXPECT_EQ(SendWithPop(smtp.Port(), pop.Port(), "0"), MAIL_SEND_FAILED);
    const auto elapsed = steady_clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(9500));
    EXPECT_LT(elapsed, milliseconds(14000));
    EXPECT_TRUE(smtp.Transcripts().empty());
}

TEST(PopBeforeSmtp, TheWaitAfterTheLoginEndsOnCancelAndNoMailFollows) {
    steady_clock::time_point quitTime;
    ScriptedServer pop(Pop3("+OK logged in\r\n", &quitTime));
    ScriptedServer smtp([](ScriptedSession& session) { ServeSmtp(session, {}); });
    const auto cancel = std::make_shared<Zelt::CancelEvent>();
    std::atomic<bool> bDone{false};
    std::thread canceller([&] {
        while (!bDone && pop.AcceptTimes().empty()) {
            std::this_thread::sleep_for(milliseconds(10));
        }
        cancel->Set();
    });
    const auto start = steady_clock::now();
    EXPECT_EQ(SendWithPop(smtp.Port(), pop.Port(), "60000", cancel), MAIL_SEND_CANCELLED);
    bDone = true;
    canceller.join();
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5)) << "not the minute's wait";
    EXPECT_EQ(pop.Transcripts(), (std::vector<std::string>{"USER account\r\nPASS pop-password\r\nQUIT\r\n"}));
    EXPECT_TRUE(smtp.Transcripts().empty());
}
