#include "MailServerPrerequisites.h"

#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

namespace MailTesting {

namespace {

constexpr const char* MAIL_USER = "Debian-exim";
constexpr const char* PACKAGES = " (install exim4-daemon-light and dovecot-pop3d, scripts/setup.sh does)";

bool UserExists(const char* pszName) {
    return getpwnam(pszName) != nullptr;
}

} // namespace

std::string MissingMailServerPrerequisite() {
    if (geteuid() != 0) {
        return "the servers must be started as root";
    }
    for (const char* pszProgram : {EXIM_PROGRAM, DOVECOT_PROGRAM}) {
        if (access(pszProgram, X_OK) != 0) {
            return std::string(pszProgram) + " is missing" + PACKAGES;
        }
    }
    // Dovecot's own users for its login and internal processes.
    for (const char* pszUser : {MAIL_USER, "dovecot", "dovenull"}) {
        if (!UserExists(pszUser)) {
            return std::string("no user ") + pszUser + PACKAGES;
        }
    }
    return std::string();
}

MailUser UnprivilegedMailUser() {
    const passwd* pEntry = getpwnam(MAIL_USER);
    if (pEntry == nullptr) {
        throw std::runtime_error(std::string("no user ") + MAIL_USER);
    }
    return MailUser{pEntry->pw_name, pEntry->pw_uid, pEntry->pw_gid};
}

} // namespace MailTesting
