#pragma once

#include "mail/MailConnection.h"

#include <string>

namespace Korvane {

// SMTP AUTH PLAIN, LOGIN and CRAM-MD5 on an open connection.
class CSmtpAuth {
public:
    // Authenticates with the method of the mail settings; true without any traffic for a method
    // that is not SMTP AUTH.
    static bool Authenticate(CMailConnection& connection, int nAuthMethod, const std::string& strUser,
                             const std::string& strPassword);

private:
    static bool Plain(CMailConnection& connection, const std::string& strUser,
                      const std::string& strPassword);
    static bool Login(CMailConnection& connection, const std::string& strUser,
                      const std::string& strPassword);
    static bool CramMd5(CMailConnection& connection, const std::string& strUser,
                        const std::string& strPassword);
};

} // namespace Korvane
