#pragma once

#include "admin/MailSettings.h"

#include <string>
#include <string_view>

namespace Korvane {

inline constexpr int DEFAULT_SMTP_PORT = 25;
inline constexpr int DEFAULT_POP3_PORT = 110;
inline constexpr int DEFAULT_POP3_WAIT = 300;       // milliseconds
inline constexpr int DEFAULT_SUBMISSION_PORT = 587; // SMTP with STARTTLS
inline constexpr int DEFAULT_SMTPS_PORT = 465;
inline constexpr int DEFAULT_POP3S_PORT = 995;

// The mail settings as the sender uses them: numbers read from their texts, an unknown
// authentication method taken as none. Texts are kept whole, however long.
struct CMailSenderSettings {
    int nAuthMethod = MAIL_AUTH_NONE;
    int nEncoding = MAIL_ENCODING_UTF8;
    std::string strSenderName;
    std::string strSmtpServer;
    int nSmtpPort = DEFAULT_SMTP_PORT;
    std::string strFromAddress;
    std::string strPopServer;
    std::string strPopAccount;
    std::string strPopPassword;
    int nPopPort = DEFAULT_POP3_PORT;
    int nPopWait = DEFAULT_POP3_WAIT;
    std::string strAuthUser;
    std::string strAuthPassword;
    int nSmtpSecurity = MAIL_SECURITY_NONE;
    int nPopSecurity = MAIL_SECURITY_NONE;
    std::string strTrustedFile;

    static CMailSenderSettings From(const CMailSettings& settings, std::string_view senderName);
    // The usual port of a server with the security: what an empty port stands for, and what the
    // dialog proposes when the security changes.
    static int UsualSmtpPort(int nSecurity);
    static int UsualPopPort(int nSecurity);

    // Whether a dialogue with the recipient has everything it needs; checked before any traffic.
    bool IsComplete(std::string_view recipient) const;

    // A stored number text read leniently as a decimal integer: leading digits
    // (after spaces and a sign) count, anything else gives 0, values beyond int are clamped. An
    // empty text gives the default.
    static int NumberOf(std::string_view text, int nDefault);
};

} // namespace Korvane
