#include "mail/PopBeforeSmtp.h"

#include "mail/MailConnection.h"

#include <chrono>
#include <exception>
#include <thread>

namespace Korvane {

namespace {

constexpr std::string_view POP3_OK = "+OK";

} // namespace

bool CPopBeforeSmtp::Run(const CMailSenderSettings& settings) {
    const std::optional<std::string> strAddress = CMailConnection::ResolveIpv4(settings.strPopServer);
    if (!strAddress || !Login(*strAddress, settings)) {
        return false;
    }
    // "More than" the wait: the server may record the login a moment after the logout.
    if (settings.nPopWait >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settings.nPopWait) +
                                    std::chrono::milliseconds(1));
    }
    return true;
}

// The connection closes when this returns, before the wait.
bool CPopBeforeSmtp::Login(const std::string& strAddress, const CMailSenderSettings& settings) {
    try {
        CMailConnection connection(CMailConnection::ReplyStyle::Pop3);
        connection.Open(strAddress, settings.nPopPort);
        return connection.ExpectReply(POP3_OK) &&
               connection.Command("USER " + settings.strPopAccount + "\r\n", POP3_OK) &&
               connection.Command("PASS " + settings.strPopPassword + "\r\n", POP3_OK) &&
               connection.Command("QUIT\r\n", POP3_OK);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace Korvane
