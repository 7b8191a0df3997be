#pragma once

#include "admin/MailSettings.h"
#include "mail/MailBody.h"
#include "mail/MailSenderSettings.h"

#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

enum MailSendResult : int { MAIL_SEND_DONE = 0, MAIL_SEND_FAILED = 1, MAIL_SEND_PARTLY = 2 };

enum MailDialogueResult : int {
    MAIL_DIALOGUE_DELIVERED = 0,
    MAIL_DIALOGUE_FAILED = 1,
    MAIL_DIALOGUE_INCOMPLETE = 2, // settings incomplete, nothing was sent
};

// Sends one mail by SMTP, optionally after POP before SMTP or with SMTP AUTH, without TLS. Each
// recipient gets a whole dialogue of its own. Blocks its thread until every dialogue is over.
class MailSender {
public:
    MailSender(const CMailSettings& settings, std::string_view senderName);

    // Appends a body line; false when it does not fit (the line is dropped).
    bool AddBodyLine(std::string_view line) { return m_body.AddLine(line); }

    // Sends to every recipient of the ";"-separated list, which is also the To header as given.
    // MAIL_SEND_DONE when no dialogue failed, MAIL_SEND_FAILED when all did, else MAIL_SEND_PARTLY.
    int Send(std::string_view recipients, std::string_view subject);

    // One dialogue with the subject and recipient list of the last Send (empty before): a
    // MailDialogueResult.
    int SendOne(const std::string& recipient);

    // The recipients of a list: every piece before a ";", empty ones included, and the rest after
    // the last ";" when it is not empty. Spaces are kept.
    static std::vector<std::string> SplitRecipients(std::string_view recipients);

private:
    CMailSenderSettings m_settings;
    CMailBody m_body;
    std::string m_strToList;
    std::string m_strSubject;
};

} // namespace Korvane
