#include "mail/MailSettingForm.h"

#include "mail/MailSender.h"
#include "mail/MailSenderSettings.h"
#include "support/StringTable.h"

namespace Korvane {

namespace {

using Zelt::CStringTable;

// The methods' names follow each other in the order of MailAuthMethod.
constexpr int FIRST_AUTH_METHOD_TEXT = Zelt::Text::MailAuthNone;
static_assert(FIRST_AUTH_METHOD_TEXT + MAIL_AUTH_CRAM_MD5 - MAIL_AUTH_NONE == Zelt::Text::MailAuthCramMd5);

constexpr MailDialogMessage SEND_MESSAGES[] = {
    {Zelt::Text::MailSent, MailMessageIcon::Information},          // MAIL_SEND_DONE
    {Zelt::Text::MailSendFailed, MailMessageIcon::None},           // MAIL_SEND_FAILED
    {Zelt::Text::MailSendPartlyFailed, MailMessageIcon::None},     // MAIL_SEND_PARTLY
    {Zelt::Text::MailSendCancelled, MailMessageIcon::Information}, // MAIL_SEND_CANCELLED
};

bool IsKnownMethod(int nAuthMethod) {
    return nAuthMethod >= MAIL_AUTH_NONE && nAuthMethod <= MAIL_AUTH_CRAM_MD5;
}

std::string ShownNumber(const std::string& strStored, int nDefault) {
    return std::to_string(CMailSenderSettings::NumberOf(strStored, nDefault));
}

bool IsKnownSecurity(int nSecurity) {
    return nSecurity >= MAIL_SECURITY_NONE && nSecurity <= MAIL_SECURITY_TLS;
}

// The port follows the security unless the user typed it.
void FollowSecurity(std::string& port, int nOldUsual, int nNewUsual) {
    if (port.empty() || port == std::to_string(nOldUsual)) {
        port = std::to_string(nNewUsual);
    }
}

} // namespace

CMailSettings CMailSettingForm::Shown(const CMailSettings& stored) {
    CMailSettings shown = stored;
    if (stored == CMailSettings{}) {
        shown.nEncoding = MAIL_ENCODING_ISO2022JP;
    }
    shown.nEncoding = shown.nEncoding == MAIL_ENCODING_UTF8 ? MAIL_ENCODING_UTF8 : MAIL_ENCODING_ISO2022JP;
    shown.nAuthMethod = IsKnownMethod(stored.nAuthMethod) ? stored.nAuthMethod : MAIL_AUTH_NONE;
    shown.nSmtpSecurity = IsKnownSecurity(stored.nSmtpSecurity) ? stored.nSmtpSecurity : MAIL_SECURITY_NONE;
    shown.nPop3Security = IsKnownSecurity(stored.nPop3Security) ? stored.nPop3Security : MAIL_SECURITY_NONE;
    shown.strSmtpPort =
        ShownNumber(stored.strSmtpPort, CMailSenderSettings::UsualSmtpPort(shown.nSmtpSecurity));
    shown.strPop3Port =
        ShownNumber(stored.strPop3Port, CMailSenderSettings::UsualPopPort(shown.nPop3Security));
    shown.strPop3Wait = ShownNumber(stored.strPop3Wait, DEFAULT_POP3_WAIT);
    return shown;
}

std::string CMailSettingForm::NumberText(std::string_view edit) {
    return edit.empty() ? std::string() : std::to_string(CMailSenderSettings::NumberOf(edit, 0));
}

std::vector<std::string> CMailSettingForm::AuthMethodTexts() {
    std::vector<std::string> texts;
    for (int nMethod = MAIL_AUTH_NONE; nMethod <= MAIL_AUTH_CRAM_MD5; ++nMethod) {
        texts.emplace_back(CStringTable::Text(FIRST_AUTH_METHOD_TEXT + nMethod));
    }
    return texts;
}

std::vector<std::string> CMailSettingForm::TabTexts(int nAuthMethod) {
    std::vector<std::string> texts{std::string(CStringTable::Text(Zelt::Text::MailTabMain))};
    if (PageOf(nAuthMethod) != MailAuthPage::None) {
        texts.emplace_back(CStringTable::Text(Zelt::Text::MailTabAuthentication));
    }
    return texts;
}

MailAuthPage CMailSettingForm::PageOf(int nAuthMethod) {
    switch (nAuthMethod) {
    case MAIL_AUTH_POP_BEFORE_SMTP:
        return MailAuthPage::Pop3;
    case MAIL_AUTH_PLAIN:
    case MAIL_AUTH_LOGIN:
    case MAIL_AUTH_CRAM_MD5:
        return MailAuthPage::SmtpAuth;
    default:
        return MailAuthPage::None;
    }
}

bool CMailSettingForm::IsComplete(const CMailSettings& fields) {
    return MissingFields(fields).empty();
}

std::vector<CMailSettingForm::TextField> CMailSettingForm::MissingFields(const CMailSettings& fields) {
    std::vector<TextField> needed = {&CMailSettings::strSmtpServer, &CMailSettings::strSmtpPort,
                                     &CMailSettings::strFromAddress, &CMailSettings::strToAddresses};
    switch (PageOf(fields.nAuthMethod)) {
    case MailAuthPage::Pop3:
        needed.insert(needed.end(), {&CMailSettings::strPop3Server, &CMailSettings::strPop3Port,
                                     &CMailSettings::strPop3Wait, &CMailSettings::strPop3Account,
                                     &CMailSettings::strPop3Password});
        break;
    case MailAuthPage::SmtpAuth:
        needed.insert(needed.end(), {&CMailSettings::strSmtpAuthUser, &CMailSettings::strSmtpAuthPassword});
        break;
    default:
        break;
    }
    std::erase_if(needed, [&fields](TextField field) { return !(fields.*field).empty(); });
    return needed;
}

std::optional<MailDialogMessage> CMailSettingForm::Accept(const CMailSettings& fields,
                                                          CMailSettings& stored) {
    if (!IsComplete(fields)) {
        return INCOMPLETE_MESSAGE;
    }
    stored = fields;
    return std::nullopt;
}

MailDialogMessage CMailSettingForm::SendTestMail(const CMailSettings& fields, Zelt::CancelEventPtr cancel,
                                                 std::string* pFailure) {
    if (!IsComplete(fields)) {
        return INCOMPLETE_MESSAGE;
    }
    MailSender sender(fields, CStringTable::Text(Zelt::Text::MailSenderName), std::move(cancel));
    sender.AddBodyLine(CStringTable::Text(Zelt::Text::TestMailBody));
    const int nResult = sender.Send(fields.strToAddresses, CStringTable::Text(Zelt::Text::TestMailSubject));
    if (pFailure != nullptr) {
        *pFailure = sender.FailureText();
    }
    return ResultMessage(nResult);
}

MailDialogMessage CMailSettingForm::ResultMessage(int nMailSendResult) {
    return SEND_MESSAGES[nMailSendResult];
}

void CMailSettingForm::SetSmtpSecurity(CMailSettings& fields, int nSecurity) {
    FollowSecurity(fields.strSmtpPort, CMailSenderSettings::UsualSmtpPort(fields.nSmtpSecurity),
                   CMailSenderSettings::UsualSmtpPort(nSecurity));
    fields.nSmtpSecurity = nSecurity;
}

void CMailSettingForm::SetPopSecurity(CMailSettings& fields, int nSecurity) {
    FollowSecurity(fields.strPop3Port, CMailSenderSettings::UsualPopPort(fields.nPop3Security),
                   CMailSenderSettings::UsualPopPort(nSecurity));
    fields.nPop3Security = nSecurity;
}

bool CMailSettingForm::SendsPasswordInClear(const CMailSettings& fields) {
    switch (fields.nAuthMethod) {
    case MAIL_AUTH_PLAIN:
    case MAIL_AUTH_LOGIN:
        return fields.nSmtpSecurity == MAIL_SECURITY_NONE;
    case MAIL_AUTH_POP_BEFORE_SMTP:
        return fields.nPop3Security == MAIL_SECURITY_NONE;
    default:
        return false;
    }
}

} // namespace Korvane
