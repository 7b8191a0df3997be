#pragma once

#include "mail/MailConnection.h"
#include "mail/MailSenderSettings.h"

namespace Korvane {

// Logs in to the POP3 server so that the SMTP server lets the mail through.
class CPopBeforeSmtp {
public:
    // USER, PASS and QUIT on the POP3 server within the limits, then the settings' wait after the
    // connection is closed. False when the server cannot be resolved or reached or refuses a
    // step, when the dialogue runs out of time, and when the cancel event is set. A TLS failure
    // also puts its words into strFailure.
    static bool Run(const CMailSenderSettings& settings, const MailDialogueLimits& limits,
                    std::string& strFailure);

private:
    static bool Login(const std::string& strAddress, const CMailSenderSettings& settings,
                      const MailDialogueLimits& limits, std::string& strFailure);
    // The greeting, and with STLS chosen, STLS and the handshake.
    static bool Greeting(CMailConnection& connection, const CMailSenderSettings& settings);
    // Waits the time unless the event is set first; false then.
    static bool WaitUnlessCancelled(std::chrono::milliseconds time, const Zelt::CancelEvent& cancel);
};

} // namespace Korvane
