#include "mail/PopBeforeSmtp.h"

#include "mail/InertMailText.h"
#include "support/Trace.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <exception>
#include <poll.h>

namespace Korvane {

namespace {

constexpr std::string_view POP3_OK = "+OK";

} // namespace

bool CPopBeforeSmtp::Run(const CMailSenderSettings& settings, const MailDialogueLimits& limits,
                         std::string& strFailure) {
    const std::optional<std::string> strAddress = CMailConnection::ResolveIpv4(settings.strPopServer);
    if (!strAddress || !Login(*strAddress, settings, limits, strFailure)) {
        return false;
    }
    // "More than" the wait: the server may record the login a moment after the logout.
    return settings.nPopWait < 0 ||
           WaitUnlessCancelled(std::chrono::milliseconds(settings.nPopWait) + std::chrono::milliseconds(1),
                               *limits.cancel);
}

// The connection closes when this returns, before the wait.
bool CPopBeforeSmtp::Login(const std::string& strAddress, const CMailSenderSettings& settings,
                           const MailDialogueLimits& limits, std::string& strFailure) {
    try {
        CMailConnection connection(CMailConnection::ReplyStyle::Pop3, limits);
        connection.Open(strAddress, settings.nPopPort);
        return Greeting(connection, settings) &&
               connection.Command("USER " + CInertMailText::OneLine(settings.strPopAccount) + "\r\n",
                                  POP3_OK) &&
               connection.Command("PASS " + CInertMailText::OneLine(settings.strPopPassword) + "\r\n",
                                  POP3_OK) &&
               connection.Command("QUIT\r\n", POP3_OK);
    } catch (const CMailTlsError& error) {
        strFailure = MailTlsFailureText(error, settings.strPopServer, settings.nPopPort);
        Zelt::DebugTrace("CPopBeforeSmtp::Login: %s\n", strFailure.c_str());
        return false;
    } catch (const std::exception& error) {
        Zelt::DebugTrace("CPopBeforeSmtp::Login: %s\n", error.what());
        return false;
    }
}

bool CPopBeforeSmtp::Greeting(CMailConnection& connection, const CMailSenderSettings& settings) {
    if (settings.nPopSecurity == MAIL_SECURITY_TLS) {
        connection.StartTls(settings.strPopServer, settings.strTrustedFile);
    }
    if (!connection.ExpectReply(POP3_OK)) {
        return false;
    }
    if (settings.nPopSecurity == MAIL_SECURITY_STARTTLS) {
        if (!connection.Command("STLS\r\n", POP3_OK)) {
            throw CMailTlsNotOffered("STLS");
        }
        connection.StartTls(settings.strPopServer, settings.strTrustedFile);
    }
    return true;
}

bool CPopBeforeSmtp::WaitUnlessCancelled(std::chrono::milliseconds time, const Zelt::CancelEvent& cancel) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + time;
    pollfd event{cancel.Handle(), POLLIN, 0};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) {
            return true;
        }
        const int nResult = poll(&event, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (nResult > 0 || (nResult < 0 && errno != EINTR)) {
            return false;
        }
    }
}

} // namespace Korvane
