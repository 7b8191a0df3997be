#pragma once

#include <string>

namespace Korvane {

enum MailEncoding : int { MAIL_ENCODING_UTF8 = 0, MAIL_ENCODING_ISO2022JP = 1 };

enum MailAuthMethod : int {
    MAIL_AUTH_NONE = 0,
    MAIL_AUTH_POP_BEFORE_SMTP = 1,
    MAIL_AUTH_PLAIN = 2,
    MAIL_AUTH_LOGIN = 3,
    MAIL_AUTH_CRAM_MD5 = 4,
};

// How a mail server's connection is protected: not at all, STARTTLS (SMTP) or STLS (POP3) after
// the greeting, or TLS from the first byte (SMTPS, POP3S).
enum MailSecurity : int { MAIL_SECURITY_NONE = 0, MAIL_SECURITY_STARTTLS = 1, MAIL_SECURITY_TLS = 2 };

// The mail notification settings as the settings file keeps them. Numbers the user typed are kept
// as text (empty when none was typed), as they are stored.
struct CMailSettings {
    bool bNotify = false;
    std::string strSmtpServer;
    std::string strSmtpPort;
    std::string strFromAddress;
    std::string strToAddresses; // separated by ";"
    int nEncoding = MAIL_ENCODING_UTF8;
    int nAuthMethod = MAIL_AUTH_NONE;
    std::string strPop3Server;
    std::string strPop3Account;
    std::string strPop3Password;
    std::string strPop3Wait; // milliseconds
    std::string strPop3Port;
    std::string strSmtpAuthUser;
    std::string strSmtpAuthPassword;
    int nSmtpSecurity = MAIL_SECURITY_NONE;
    int nPop3Security = MAIL_SECURITY_NONE;
    // A CA or server certificate (PEM) the user trusts besides the system's CA store; empty for none.
    std::string strTrustedCertificateFile;

    bool operator==(const CMailSettings&) const = default;
};

} // namespace Korvane
