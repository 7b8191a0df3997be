#include "mail/SmtpDialogue.h"

#include "mail/InertMailText.h"
#include "mail/MailBody.h"
#include "mail/SmtpAuth.h"
#include "support/Trace.h"

#include <exception>

namespace Korvane {

namespace {

constexpr std::string_view REPLY_OK = "250";

} // namespace

bool CSmtpDialogue::Deliver(const CMailSenderSettings& settings, const MailDialogueLimits& limits,
                            const std::string& strAddress, const std::string& strRecipient,
                            std::string_view headers, std::string_view body) {
    try {
        CMailConnection connection(CMailConnection::ReplyStyle::Smtp, limits);
        connection.Open(strAddress, settings.nSmtpPort);
        return connection.ExpectReply("220") && Hello(connection) &&
               CSmtpAuth::Authenticate(connection, settings.nAuthMethod, settings.strAuthUser,
                                       settings.strAuthPassword) &&
               Envelope(connection, settings.strFromAddress, strRecipient) &&
               Transmit(connection, headers, body) && connection.Command("QUIT\r\n", "221");
    } catch (const std::exception& error) {
        Zelt::DebugTrace("CSmtpDialogue::Deliver: %s\n", error.what());
        return false;
    }
}

// A server without the extensions refuses EHLO and still takes HELO.
bool CSmtpDialogue::Hello(CMailConnection& connection) {
    return connection.Command("EHLO localhost\r\n", REPLY_OK) ||
           connection.Command("HELO localhost\r\n", REPLY_OK);
}

bool CSmtpDialogue::Envelope(CMailConnection& connection, const std::string& strFrom,
                             const std::string& strRecipient) {
    return connection.Command("RSET\r\n", REPLY_OK) &&
           connection.Command("MAIL FROM: <" + CInertMailText::OneLine(strFrom) + ">\r\n", REPLY_OK) &&
           connection.Command("RCPT TO: <" + CInertMailText::OneLine(strRecipient) + ">\r\n", REPLY_OK) &&
           connection.Command("DATA\r\n", "354");
}

bool CSmtpDialogue::Transmit(CMailConnection& connection, std::string_view headers, std::string_view body) {
    return connection.Write(headers) && connection.Write(CMailBody::DotStuffed(body)) &&
           connection.Write("\r\n.\r\n") && connection.ExpectReply(REPLY_OK);
}

} // namespace Korvane
