// Server replies as they arrive in pieces, read without a socket.
#include "mail/MailReply.h"

#include "net/SocketErrors.h"

#include <gtest/gtest.h>

using namespace Korvane;

TEST(MailReply, AnSmtpReplyEndsWithItsLastLineWhereverThePiecesBreak) {
    CMailReply reply(CMailReply::Style::Smtp);
    EXPECT_FALSE(reply.Append("250-mail.example.org\r\n"));
    EXPECT_FALSE(reply.Append("250-AUTH LOGIN\r\n250"));
    EXPECT_FALSE(reply.Append(" 8BITM"));
    EXPECT_TRUE(reply.Append("IME\r\n"));
    EXPECT_EQ(reply.Text(), "250-mail.example.org\r\n250-AUTH LOGIN\r\n250 8BITMIME\r\n");

    CMailReply bare(CMailReply::Style::Smtp);
    EXPECT_TRUE(bare.Append("250\r\n")) << "a last line of the bare code ends the reply";
    CMailReply lineEndOnly(CMailReply::Style::Smtp);
    EXPECT_TRUE(lineEndOnly.Append("\n"));
}

TEST(MailReply, APop3ReplyIsOneLine) {
    CMailReply reply(CMailReply::Style::Pop3);
    EXPECT_FALSE(reply.Append("+OK ready"));
    EXPECT_TRUE(reply.Append("\r\n"));
    EXPECT_TRUE(CMailReply::HasCode(reply.Text(), "+ok"));
    EXPECT_FALSE(CMailReply::HasCode("+O", "+OK"));
}

TEST(MailReply, AnEndlessReplyIsCutAtItsBound) {
    CMailReply reply(CMailReply::Style::Smtp);
    const std::string line = "250-" + std::string(1020, 'x') + "\r\n";
    size_t nAppended = 0;
    EXPECT_THROW(
        for (;;) {
            reply.Append(line);
            nAppended += line.size();
        },
        Zelt::CSocketError);
    EXPECT_LE(nAppended, CMailReply::MAX_BYTES);
    EXPECT_GT(nAppended + line.size(), CMailReply::MAX_BYTES);
}

TEST(MailReply, CodesAndChallengesAreReadFromWhatever) {
    EXPECT_EQ(CMailReply::NumericCode("334 PDE4OT4=\r\n"), 334);
    EXPECT_EQ(CMailReply::NumericCode("ok"), 0);
    EXPECT_EQ(CMailReply::NumericCode(""), 0);
    EXPECT_EQ(CMailReply::Challenge("334 PDE4OT4=\r\n"), "PDE4OT4=");
    EXPECT_EQ(CMailReply::Challenge("334 \r\n"), "");
    EXPECT_EQ(CMailReply::Challenge("334\r\n"), std::nullopt);
}
