#include "mail/MailSenderSettings.h"

#include "support/Language.h"

#include <climits>
#include <cstdlib>

namespace Korvane {

CMailSenderSettings CMailSenderSettings::From(const CMailSettings& settings, std::string_view senderName) {
    CMailSenderSettings result;
    const bool bKnownMethod =
        settings.nAuthMethod >= MAIL_AUTH_POP_BEFORE_SMTP && settings.nAuthMethod <= MAIL_AUTH_CRAM_MD5;
    result.nAuthMethod = bKnownMethod ? settings.nAuthMethod : MAIL_AUTH_NONE;
    // ISO-2022-JP carries Japanese and ASCII only: an English mail, whose device names may be in
    // any script, goes as UTF-8 whatever the setting.
    result.nEncoding =
        Zelt::CLanguage::Current() == Zelt::Language::English ? MAIL_ENCODING_UTF8 : settings.nEncoding;
    result.strSenderName = senderName;
    result.strSmtpServer = settings.strSmtpServer;
    result.nSmtpSecurity = settings.nSmtpSecurity;
    result.nPopSecurity = settings.nPop3Security;
    result.strTrustedFile = settings.strTrustedCertificateFile;
    result.nSmtpPort = NumberOf(settings.strSmtpPort, UsualSmtpPort(settings.nSmtpSecurity));
    result.strFromAddress = settings.strFromAddress;
    result.strPopServer = settings.strPop3Server;
    result.strPopAccount = settings.strPop3Account;
    result.strPopPassword = settings.strPop3Password;
    result.nPopPort = NumberOf(settings.strPop3Port, UsualPopPort(settings.nPop3Security));
    result.nPopWait = NumberOf(settings.strPop3Wait, DEFAULT_POP3_WAIT);
    result.strAuthUser = settings.strSmtpAuthUser;
    result.strAuthPassword = settings.strSmtpAuthPassword;
    return result;
}

int CMailSenderSettings::UsualSmtpPort(int nSecurity) {
    switch (nSecurity) {
    case MAIL_SECURITY_STARTTLS:
        return DEFAULT_SUBMISSION_PORT;
    case MAIL_SECURITY_TLS:
        return DEFAULT_SMTPS_PORT;
    default:
        return DEFAULT_SMTP_PORT;
    }
}

int CMailSenderSettings::UsualPopPort(int nSecurity) {
    return nSecurity == MAIL_SECURITY_TLS ? DEFAULT_POP3S_PORT : DEFAULT_POP3_PORT;
}

bool CMailSenderSettings::IsComplete(std::string_view recipient) const {
    if (strSmtpServer.empty() || strFromAddress.empty() || recipient.empty()) {
        return false;
    }
    if (nAuthMethod == MAIL_AUTH_POP_BEFORE_SMTP) {
        return !strPopServer.empty() && !strPopAccount.empty() && !strPopPassword.empty();
    }
    if (nAuthMethod != MAIL_AUTH_NONE) {
        return !strAuthUser.empty() && !strAuthPassword.empty();
    }
    return true;
}

int CMailSenderSettings::NumberOf(std::string_view text, int nDefault) {
    if (text.empty()) {
        return nDefault;
    }
    const std::string strText(text);
    const long long nValue = std::strtoll(strText.c_str(), nullptr, 10);
    if (nValue > INT_MAX) {
        return INT_MAX;
    }
    return nValue < INT_MIN ? INT_MIN : static_cast<int>(nValue);
}

} // namespace Korvane
