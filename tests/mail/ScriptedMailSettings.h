#pragma once

#include "ScriptedServer.h"
#include "admin/MailSettings.h"

#include <cstdint>
#include <string>

namespace MailTesting {

inline constexpr const char* FROM_ADDRESS = "notice@korvane.test";
inline constexpr const char* TO_ADDRESS = "admin@korvane.test";
// RFC 2195's example account, so that the CRAM-MD5 exchange can be checked against its text.
inline constexpr const char* AUTH_USER = "tim";
inline constexpr const char* AUTH_PASSWORD = "tanstaaftanstaaf";
inline constexpr const char* POP_ACCOUNT = "account";
inline constexpr const char* POP_PASSWORD = "pop-password";

// Complete settings for a scripted SMTP server on its port, UTF-8, without notification.
inline Korvane::CMailSettings ScriptedSettings(uint16_t nSmtpPort,
                                               int nAuthMethod = Korvane::MAIL_AUTH_NONE) {
    Korvane::CMailSettings settings;
    settings.strSmtpServer = ScriptedServer::ADDRESS;
    settings.strSmtpPort = std::to_string(nSmtpPort);
    settings.strFromAddress = FROM_ADDRESS;
    settings.strToAddresses = TO_ADDRESS;
    settings.nAuthMethod = nAuthMethod;
    settings.strSmtpAuthUser = AUTH_USER;
    settings.strSmtpAuthPassword = AUTH_PASSWORD;
    settings.strPop3Server = ScriptedServer::ADDRESS;
    settings.strPop3Account = POP_ACCOUNT;
    settings.strPop3Password = POP_PASSWORD;
    return settings;
}

} // namespace MailTesting
