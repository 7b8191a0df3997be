#pragma once

#include "ScriptedSession.h"

#include <functional>
#include <string>
#include <vector>

namespace MailTesting {

// How the scripted SMTP server answers. The defaults accept everything without authentication.
struct SmtpBehaviour {
    std::string greeting = "220 scripted.test ESMTP\r\n";
    std::string ehloReply = "250-scripted.test\r\n250 AUTH PLAIN LOGIN CRAM-MD5\r\n";
    std::string heloReply = "250 scripted.test\r\n";
    std::vector<std::string> refusedRecipients;              // RCPT TO of these addresses gets 550
    std::string quitReply = "221 scripted.test closing\r\n"; // empty: close without a reply
    // The exchange that follows an AUTH command (given without its line end); refused when empty.
    std::function<void(ScriptedSession&, const std::string&)> auth;
};

// Greets, then serves SMTP commands on the session until QUIT or until the client goes.
void ServeSmtp(ScriptedSession& session, const SmtpBehaviour& behaviour);
// The same without the greeting, for scripts that begin the dialogue themselves.
void ServeSmtpCommands(ScriptedSession& session, const SmtpBehaviour& behaviour);

// The bytes a client sent between DATA and the final "\r\n.\r\n", with the dot-stuffing undone:
// the header block and the body as the sender wrote them.
std::string MessageOf(const std::string& transcript);

} // namespace MailTesting
