// A mail server that trickles its greeting, one byte every few seconds, holds the test mail no
// longer than the dialogue's minute.
#include "TricklingMail.h"
#include "support/StringTable.h"

using namespace KorvaneHostile;

TEST_F(TricklingMailServer, TheTestMailEndsAtTheDialoguesDeadline) {
    const auto test = Start(MailTo("test"));
    const double dSeconds = SecondsUntilEnd(*test, std::chrono::seconds(90));
    EXPECT_GE(dSeconds, 59.0);
    EXPECT_LT(dSeconds, 66.0);
    EXPECT_EQ(test->Stop(), 1) << test->Output();
    EXPECT_NE(test->Output().find(Zelt::CStringTable::Text(Zelt::Text::MailSendFailed)),
              std::string::npos) // failed
        << test->Output();
    EXPECT_TRUE(Holding(std::chrono::seconds(0))) << "the server held the client";
}
