// A mail server that trickles its replies, one byte every few seconds: Ctrl-C still ends the test
// mail and the monitor at once, even while the monitor's error mail is being held.
#include "TricklingMail.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"
#include "support/StringTable.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>

using namespace KorvaneHostile;
using std::chrono::seconds;

TEST_F(TricklingMailServer, CtrlCEndsTheTestMailAtOnce) {
    const auto test = Start(MailTo("test"));
    ASSERT_TRUE(Holding(seconds(10))) << test->Output();
    kill(test->Pid(), SIGINT);
    EXPECT_LT(SecondsUntilEnd(*test, seconds(5)), 1.0);
    EXPECT_EQ(test->Stop(), 130) << test->Output();
    EXPECT_NE(test->Output().find(Zelt::CStringTable::Text(Zelt::Text::MailSendCancelled)),
              std::string::npos) // cancelled
        << test->Output();
}

TEST_F(TricklingMailServer, CtrlCEndsTheMonitorAtOnceWhileItsErrorMailIsHeld) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", "127.87.1.1", "--http-port", "0"});
    sim.InfoSet(0, "statusinfo/status/error[@type='capacity']/param", "NG");
    sim.InfoSet(0, "statusinfo/status/@condition", "NOTIFY");
    ASSERT_EQ(Run({"add", "127.87.1.1"}).exitCode, 0);
    ASSERT_EQ(Run({"password", "ks-001", "--save"}, sim.Show(0).at("password") + "\n").exitCode, 0);
    ASSERT_EQ(Run({"update", "--status"}).exitCode, 0) << "the stored information now has the alert";
    // As if no update had announced it yet: the monitor mails what the kept alert state lacks.
    std::filesystem::remove_all(std::getenv("XDG_STATE_HOME"));
    std::vector<std::string> mailSet = MailTo("set");
    mailSet.insert(mailSet.end(), {"--notify", "on"});
    ASSERT_EQ(Run(mailSet).exitCode, 0);

    const auto monitor = Start({"monitor"});
    ASSERT_TRUE(Holding(seconds(20))) << "the alert at start is mailed: " << monitor->Output();
    kill(monitor->Pid(), SIGINT);
    EXPECT_LT(SecondsUntilEnd(*monitor, seconds(5)), 1.0);
    EXPECT_EQ(monitor->Stop(), 130) << "Ctrl-C is an interruption: " << monitor->Output();
    const std::string cancelled =
        KorvaneTesting::ChildText(Zelt::Text::CliErrorMailOutcome, {"", KorvaneTesting::ChildText(Zelt::Text::MailSendCancelled)});
    EXPECT_NE(monitor->Output().find(cancelled), std::string::npos) << monitor->Output();
}
