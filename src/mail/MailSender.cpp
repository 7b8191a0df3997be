#include "mail/MailSender.h"

#include "mail/MailConnection.h"
#include "mail/MailHeaders.h"
#include "mail/PopBeforeSmtp.h"
#include "mail/SmtpDialogue.h"

#include <ctime>
#include <optional>

namespace Korvane {

MailSender::MailSender(const CMailSettings& settings, std::string_view senderName,
                       Zelt::CancelEventPtr cancel, std::chrono::milliseconds dialogueLength)
    : m_settings(CMailSenderSettings::From(settings, senderName)),
      m_limits{cancel ? std::move(cancel) : std::make_shared<Zelt::CancelEvent>(), dialogueLength} {}

int MailSender::Send(std::string_view recipients, std::string_view subject) {
    m_strToList = recipients;
    m_strSubject = subject;
    m_strFailure.clear();
    const std::vector<std::string> list = SplitRecipients(recipients);
    size_t nFailed = 0;
    for (const std::string& recipient : list) {
        if (m_limits.cancel->IsSet()) {
            break;
        }
        if (SendOne(recipient) != MAIL_DIALOGUE_DELIVERED) {
            ++nFailed;
        }
    }
    if (m_limits.cancel->IsSet()) {
        return MAIL_SEND_CANCELLED;
    }
    if (nFailed == 0) {
        return MAIL_SEND_DONE;
    }
    return nFailed == list.size() ? MAIL_SEND_FAILED : MAIL_SEND_PARTLY;
}

int MailSender::SendOne(const std::string& recipient) {
    if (!m_settings.IsComplete(recipient)) {
        return MAIL_DIALOGUE_INCOMPLETE;
    }
    const std::optional<std::string> strAddress = CMailConnection::ResolveIpv4(m_settings.strSmtpServer);
    if (!strAddress) {
        return MAIL_DIALOGUE_FAILED;
    }
    if (m_settings.nAuthMethod == MAIL_AUTH_POP_BEFORE_SMTP &&
        !CPopBeforeSmtp::Run(m_settings, m_limits, m_strFailure)) {
        return MAIL_DIALOGUE_FAILED;
    }
    const MailHeaders headers(m_strSubject, m_settings.strSenderName, m_settings.strFromAddress, m_strToList);
    const bool bDelivered = CSmtpDialogue::Deliver(m_settings, m_limits, *strAddress, recipient,
                                                   headers.Block(m_settings.nEncoding, std::time(nullptr)),
                                                   m_body.Encoded(m_settings.nEncoding), m_strFailure);
    return bDelivered ? MAIL_DIALOGUE_DELIVERED : MAIL_DIALOGUE_FAILED;
}

std::vector<std::string> MailSender::SplitRecipients(std::string_view recipients) {
    std::vector<std::string> list;
    for (size_t nSeparator; (nSeparator = recipients.find(';')) != std::string_view::npos;) {
        list.emplace_back(recipients.substr(0, nSeparator));
        recipients.remove_prefix(nSeparator + 1);
    }
    if (!recipients.empty()) {
        list.emplace_back(recipients);
    }
    return list;
}

} // namespace Korvane
