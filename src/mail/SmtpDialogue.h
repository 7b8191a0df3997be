#pragma once

#include "mail/MailConnection.h"
#include "mail/MailSenderSettings.h"

#include <string>
#include <string_view>

namespace Korvane {

// The SMTP part of one delivery: greeting, EHLO or HELO, authentication, RSET, the envelope of
// one recipient, the message and QUIT.
class CSmtpDialogue {
public:
    // True when the server accepted the message within the limits. No QUIT is sent after a failed
    // step; socket failures, time-outs and the cancel count as failed steps. A TLS failure also
    // puts its words into strFailure.
    static bool Deliver(const CMailSenderSettings& settings, const MailDialogueLimits& limits,
                        const std::string& strAddress, const std::string& strRecipient,
                        std::string_view headers, std::string_view body, std::string& strFailure);
    // Whether an EHLO reply announces the extension (the keyword of one of its lines).
    static bool Offers(std::string_view ehloReply, std::string_view keyword);

private:
    static bool Hello(CMailConnection& connection);
    // EHLO, STARTTLS, the handshake and EHLO again, whose capabilities alone count from then on.
    static bool HelloWithStartTls(CMailConnection& connection, const CMailSenderSettings& settings);
    static bool Envelope(CMailConnection& connection, const std::string& strFrom,
                         const std::string& strRecipient);
    static bool Transmit(CMailConnection& connection, std::string_view headers, std::string_view body);
};

} // namespace Korvane
