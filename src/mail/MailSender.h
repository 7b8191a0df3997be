#pragma once

#include "admin/MailSettings.h"
#include "mail/MailBody.h"
#include "mail/MailConnection.h"
#include "mail/MailSenderSettings.h"
#include "net/CancelEvent.h"

#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

enum MailSendResult : int {
    MAIL_SEND_DONE = 0,
    MAIL_SEND_FAILED = 1,
    MAIL_SEND_PARTLY = 2,
    MAIL_SEND_CANCELLED = 3, // the cancel event ended the sending; later recipients got nothing
};

enum MailDialogueResult : int {
    MAIL_DIALOGUE_DELIVERED = 0,
    MAIL_DIALOGUE_FAILED = 1,
    MAIL_DIALOGUE_INCOMPLETE = 2, // settings incomplete, nothing was sent
};

// Sends one mail by SMTP, optionally after POP before SMTP or with SMTP AUTH, each server with the
// connection security of the settings. Each
// recipient gets a whole dialogue of its own. Blocks its thread until every dialogue is over: each
// POP3 and SMTP dialogue ends after the dialogue length at the latest, and all end at once when
// the cancel event is set.
class MailSender {
public:
    // Without a cancel event the sending cannot be cancelled.
    MailSender(const CMailSettings& settings, std::string_view senderName,
               Zelt::CancelEventPtr cancel = nullptr,
               std::chrono::milliseconds dialogueLength = MailDialogueLimits::DEFAULT_LENGTH);

    // Appends a body line; false when it does not fit (the line is dropped).
    bool AddBodyLine(std::string_view line) { return m_body.AddLine(line); }

    // Sends to every recipient of the ";"-separated list, which is also the To header as given.
    // MAIL_SEND_DONE when no dialogue failed, MAIL_SEND_FAILED when all did, else MAIL_SEND_PARTLY;
    // MAIL_SEND_CANCELLED once the cancel event is set.
    int Send(std::string_view recipients, std::string_view subject);

    // One dialogue with the subject and recipient list of the last Send (empty before): a
    // MailDialogueResult.
    int SendOne(const std::string& recipient);

    // The recipients of a list: every piece before a ";", empty ones included, and the rest after
    // the last ";" when it is not empty. Spaces are kept.
    static std::vector<std::string> SplitRecipients(std::string_view recipients);
    // Why the last failed dialogue failed, when it was TLS (the certificate check, a server that
    // does not offer STARTTLS); empty otherwise.
    const std::string& FailureText() const { return m_strFailure; }

private:
    CMailSenderSettings m_settings;
    MailDialogueLimits m_limits;
    CMailBody m_body;
    std::string m_strToList;
    std::string m_strSubject;
    std::string m_strFailure;
};

} // namespace Korvane
