#include "ScriptedSmtp.h"

#include <algorithm>
#include <cctype>

namespace MailTesting {

namespace {

std::string VerbOf(const std::string& line) {
    std::string verb = line.substr(0, line.find(' '));
    std::transform(verb.begin(), verb.end(), verb.begin(), [](unsigned char ch) { return std::toupper(ch); });
    return verb;
}

bool IsRefused(const std::string& line, const SmtpBehaviour& behaviour) {
    return std::any_of(behaviour.refusedRecipients.begin(), behaviour.refusedRecipients.end(),
                       [&line](const std::string& address) { return line == "RCPT TO: <" + address + ">"; });
}

// The reply to one command; false when the dialogue is over.
bool Answer(ScriptedSession& session, const std::string& line, const SmtpBehaviour& behaviour) {
    const std::string verb = VerbOf(line);
    if (verb == "QUIT") {
        session.Send(behaviour.quitReply);
        return false;
    }
    if (verb == "EHLO" || verb == "HELO") {
        session.Send(verb == "EHLO" ? behaviour.ehloReply : behaviour.heloReply);
    } else if (verb == "AUTH") {
        behaviour.auth ? behaviour.auth(session, line) : void(session.Send("504 not here\r\n"));
    } else if (verb == "DATA") {
        session.Send("354 go ahead\r\n");
        session.ReadData();
        session.Send("250 queued\r\n");
    } else if (verb == "RCPT" && IsRefused(line, behaviour)) {
        session.Send("550 no such user\r\n");
    } else {
        session.Send(verb == "RSET" || verb == "MAIL" || verb == "RCPT" ? "250 ok\r\n" : "500 unknown\r\n");
    }
    return true;
}

} // namespace

void ServeSmtp(ScriptedSession& session, const SmtpBehaviour& behaviour) {
    session.Send(behaviour.greeting);
    ServeSmtpCommands(session, behaviour);
}

void ServeSmtpCommands(ScriptedSession& session, const SmtpBehaviour& behaviour) {
    for (std::optional<std::string> line; (line = session.ReadLine()) && Answer(session, *line, behaviour);) {
    }
}

std::string MessageOf(const std::string& transcript) {
    const size_t start = transcript.find("\r\nDATA\r\n");
    if (start == std::string::npos) {
        return std::string();
    }
    const std::string stuffed = "\r\n" + transcript.substr(start + 8);
    std::string message;
    for (size_t pos = 0; pos < stuffed.size();) {
        if (stuffed.compare(pos, 5, "\r\n.\r\n") == 0) {
            break;
        }
        const bool stuffedDot = stuffed.compare(pos, 4, "\r\n..") == 0;
        message += stuffed.substr(pos, stuffedDot ? 3 : 1);
        pos += stuffedDot ? 4 : 1;
    }
    return message.substr(std::min<size_t>(2, message.size()));
}

} // namespace MailTesting
