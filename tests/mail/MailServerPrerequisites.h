#pragma once

// What the tests against real mail servers need: root (the servers drop to their own users and Exim
// and Dovecot both refuse to deliver to or log in root), the two daemons of Debian's packages and an
// unprivileged user to own the mail.
#include "hosts/TestNetwork.h"

#include <cstdlib>
#include <string>
#include <sys/types.h>

namespace MailTesting {

inline constexpr const char* EXIM_PROGRAM = "/usr/sbin/exim4";
inline constexpr const char* DOVECOT_PROGRAM = "/usr/sbin/dovecot";

// The unprivileged user that owns the delivered mail and the POP3 account.
struct MailUser {
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
};

// Empty when everything is there, else what is missing.
std::string MissingMailServerPrerequisite();

// The user of Exim's package (Debian-exim); throws when there is none.
MailUser UnprivilegedMailUser();

} // namespace MailTesting

// Skips the current test with the reason, or fails it under KORVANE_REQUIRE_NETNS (as CI runs).
// Returns from the enclosing void function, like GTEST_SKIP.
#define KORVANE_REQUIRE_MAIL_SERVERS()                                                                       \
    do {                                                                                                     \
        const std::string korvaneMailMissing = ::MailTesting::MissingMailServerPrerequisite();               \
        if (!korvaneMailMissing.empty()) {                                                                   \
            if (::KorvaneTesting::TestNetworkRequired(std::getenv("KORVANE_REQUIRE_NETNS"))) {               \
                GTEST_FAIL() << "mail servers required (KORVANE_REQUIRE_NETNS) but unavailable: "            \
                             << korvaneMailMissing;                                                          \
            } else {                                                                                         \
                GTEST_SKIP() << "mail servers unavailable: " << korvaneMailMissing;                          \
            }                                                                                                \
        }                                                                                                    \
    } while (false)
