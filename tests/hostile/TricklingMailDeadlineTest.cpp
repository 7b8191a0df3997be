// A mail server that trickles its greeting, one byte every few seconds, holds the test mail no
// longer than the dialogue's minute.
#include "TricklingMail.h"
#include "support/StringTable.h"

using namespace KorvaneHostile;
using std::chrono::seconds;

TEST_F(TricklingMailServer, TheTestMailEndsAtTheDialoguesDeadline) {
    TricklingSmtpServer smtp;
    const auto test = Start(MailTestTo(smtp));
    const auto took = WaitForEnd(*test, seconds(90));
    ASSERT_TRUE(took) << "still running after a minute and a half";
    EXPECT_GE(took->count(), 59.0);
    EXPECT_LT(took->count(), 66.0);
    EXPECT_EQ(test->Stop(), 1) << test->Output();
    EXPECT_NE(test->Output().find(Zelt::CStringTable::Text(10009)), std::string::npos) // failed
        << test->Output();
    EXPECT_TRUE(smtp.WaitUntilHolding(seconds(0))) << "the server held the client";
}
