#pragma once

#include "mail/MailSenderSettings.h"

namespace Korvane {

// Logs in to the POP3 server so that the SMTP server lets the mail through.
class CPopBeforeSmtp {
public:
    // USER, PASS and QUIT on the POP3 server, then the settings' wait after the connection is
    // closed. False when the server cannot be resolved or reached or refuses a step.
    static bool Run(const CMailSenderSettings& settings);

private:
    static bool Login(const std::string& strAddress, const CMailSenderSettings& settings);
};

} // namespace Korvane
