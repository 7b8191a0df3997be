#include "mail/SmtpAuth.h"

#include "admin/MailSettings.h"
#include "support/Digest.h"
#include "support/MimeBase64.h"

#include <optional>

namespace Korvane {

namespace {

constexpr int REPLY_CONTINUE = 334;
constexpr int REPLY_AUTHENTICATED = 235;

std::string Base64Line(std::string_view text) {
    return Zelt::CMimeBase64::Encode(text, false) + "\r\n";
}

} // namespace

bool CSmtpAuth::Authenticate(CMailConnection& connection, int nAuthMethod, const std::string& strUser,
                             const std::string& strPassword) {
    switch (nAuthMethod) {
    case MAIL_AUTH_PLAIN:
        return Plain(connection, strUser, strPassword);
    case MAIL_AUTH_LOGIN:
        return Login(connection, strUser, strPassword);
    case MAIL_AUTH_CRAM_MD5:
        return CramMd5(connection, strUser, strPassword);
    default:
        return true;
    }
}

// The user name is both the authorisation and the authentication identity.
bool CSmtpAuth::Plain(CMailConnection& connection, const std::string& strUser,
                      const std::string& strPassword) {
    std::string strCredentials = strUser;
    strCredentials.append(1, '\0').append(strUser).append(1, '\0').append(strPassword);
    std::string strReply;
    return connection.NumericCommand("AUTH PLAIN " + Base64Line(strCredentials), strReply) ==
           REPLY_AUTHENTICATED;
}

bool CSmtpAuth::Login(CMailConnection& connection, const std::string& strUser,
                      const std::string& strPassword) {
    std::string strReply;
    return connection.NumericCommand("AUTH LOGIN\r\n", strReply) == REPLY_CONTINUE &&
           connection.Command(Base64Line(strUser), "334") &&
           connection.Command(Base64Line(strPassword), "235");
}

bool CSmtpAuth::CramMd5(CMailConnection& connection, const std::string& strUser,
                        const std::string& strPassword) {
    std::string strReply;
    if (connection.NumericCommand("AUTH CRAM-MD5\r\n", strReply) != REPLY_CONTINUE) {
        return false;
    }
    const std::optional<std::string> strChallenge = CMailReply::Challenge(strReply);
    if (!strChallenge) {
        return false;
    }
    const std::optional<std::string> strResponse =
        Zelt::CDigest::CramMd5Response(*strChallenge, strUser, strPassword);
    return strResponse && connection.Command(*strResponse + "\r\n", "235");
}

} // namespace Korvane
