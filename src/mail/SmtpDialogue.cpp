#include "mail/SmtpDialogue.h"

#include "mail/InertMailText.h"
#include "mail/MailBody.h"
#include "mail/SmtpAuth.h"
#include "support/Trace.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace Korvane {

namespace {

constexpr std::string_view REPLY_OK = "250";

} // namespace

bool CSmtpDialogue::Deliver(const CMailSenderSettings& settings, const MailDialogueLimits& limits,
                            const std::string& strAddress, const std::string& strRecipient,
                            std::string_view headers, std::string_view body, std::string& strFailure) {
    try {
        CMailConnection connection(CMailConnection::ReplyStyle::Smtp, limits);
        connection.Open(strAddress, settings.nSmtpPort);
        if (settings.nSmtpSecurity == MAIL_SECURITY_TLS) {
            connection.StartTls(settings.strSmtpServer, settings.strTrustedFile);
        }
        const bool bHello = settings.nSmtpSecurity == MAIL_SECURITY_STARTTLS
                                ? HelloWithStartTls(connection, settings)
                                : Hello(connection);
        return bHello &&
               CSmtpAuth::Authenticate(connection, settings.nAuthMethod, settings.strAuthUser,
                                       settings.strAuthPassword) &&
               Envelope(connection, settings.strFromAddress, strRecipient) &&
               Transmit(connection, headers, body) && connection.Command("QUIT\r\n", "221");
    } catch (const CMailTlsError& error) {
        strFailure = MailTlsFailureText(error, settings.strSmtpServer, settings.nSmtpPort);
        Zelt::DebugTrace("CSmtpDialogue::Deliver: %s\n", strFailure.c_str());
        return false;
    } catch (const std::exception& error) {
        Zelt::DebugTrace("CSmtpDialogue::Deliver: %s\n", error.what());
        return false;
    }
}

// A server without the extensions refuses EHLO and still takes HELO.
bool CSmtpDialogue::Hello(CMailConnection& connection) {
    return connection.ExpectReply("220") && (connection.Command("EHLO localhost\r\n", REPLY_OK) ||
                                             connection.Command("HELO localhost\r\n", REPLY_OK));
}

bool CSmtpDialogue::HelloWithStartTls(CMailConnection& connection, const CMailSenderSettings& settings) {
    std::string strReply;
    if (!connection.ExpectReply("220") || connection.NumericCommand("EHLO localhost\r\n", strReply) != 250) {
        return false;
    }
    if (!Offers(strReply, "STARTTLS") || !connection.Command("STARTTLS\r\n", "220")) {
        throw CMailTlsNotOffered("STARTTLS");
    }
    connection.StartTls(settings.strSmtpServer, settings.strTrustedFile);
    return connection.Command("EHLO localhost\r\n", REPLY_OK);
}

bool CSmtpDialogue::Offers(std::string_view ehloReply, std::string_view keyword) {
    while (!ehloReply.empty()) {
        const size_t nEnd = ehloReply.find('\n');
        std::string_view line = ehloReply.substr(0, nEnd);
        ehloReply.remove_prefix(nEnd == std::string_view::npos ? ehloReply.size() : nEnd + 1);
        if (line.size() < 4) {
            continue;
        }
        line.remove_prefix(4); // "250-" or "250 "
        const std::string_view word = line.substr(0, line.find_first_of(" \r"));
        if (word.size() == keyword.size() &&
            std::equal(word.begin(), word.end(), keyword.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) ==
                       std::toupper(static_cast<unsigned char>(b));
            })) {
            return true;
        }
    }
    return false;
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
