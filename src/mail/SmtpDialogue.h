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
    // step; socket failures, time-outs and the cancel count as failed steps.
    static bool Deliver(const CMailSenderSettings& settings, const MailDialogueLimits& limits,
                        const std::string& strAddress, const std::string& strRecipient,
                        std::string_view headers, std::string_view body);

private:
    static bool Hello(CMailConnection& connection);
    static bool Envelope(CMailConnection& connection, const std::string& strFrom,
                         const std::string& strRecipient);
    static bool Transmit(CMailConnection& connection, std::string_view headers, std::string_view body);
};

} // namespace Korvane
