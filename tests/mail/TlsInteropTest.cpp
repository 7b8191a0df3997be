// Mail over TLS to the real servers of Debian's packages, with certificates of a throw-away CA:
// Exim offering STARTTLS on one port and TLS on another and announcing AUTH only inside TLS,
// Dovecot offering STLS and POP3S and taking a login only inside TLS. The servers' own logs show
// that the authentication happened inside TLS. A certificate that does not verify stops the
// dialogue before any password is sent, with its reason.
#include "DovecotServer.h"
#include "EximServer.h"
#include "MailServerPrerequisites.h"
#include "ScratchDirectory.h"
#include "TestCertificates.h"
#include "mail/ErrorMail.h"
#include "mail/MailSender.h"
#include "mail/MailSettingForm.h"

#include <chrono>
#include <memory>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace MailTesting;
using std::chrono::seconds;

namespace {

constexpr const char* SERVER_ADDRESS = "127.85.1.1";
const std::string RECIPIENT = "admin@korvane.test";

// Whether a line of the log has every one of the parts.
bool HasLineWith(const std::string& log, std::initializer_list<std::string> parts) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        bool bAll = true;
        for (const std::string& part : parts) {
            bAll = bAll && line.find(part) != std::string::npos;
        }
        if (bAll) {
            return true;
        }
    }
    return false;
}

class TlsMailTest : public ::testing::Test {
protected:
    void SetUp() override {
        KORVANE_REQUIRE_MAIL_SERVERS();
        m_directory = std::make_unique<ScratchDirectory>();
        m_certificates = std::make_unique<TestCertificates>(*m_directory, SERVER_ADDRESS);
    }
    // Servers with the certificate, in a folder of their own (those before them stop first).
    void StartServers(const CertifiedKey& certificate) {
        m_dovecot.reset();
        m_exim.reset();
        m_serverDirectory = std::make_unique<ScratchDirectory>();
        m_exim = std::make_unique<EximServer>(*m_serverDirectory, SERVER_ADDRESS, m_account, &certificate);
        m_dovecot =
            std::make_unique<DovecotServer>(*m_serverDirectory, SERVER_ADDRESS, m_account, &certificate);
    }

    // The port that goes with the security: STARTTLS (STLS) on the plain port, TLS on its own.
    CMailSettings Settings(int nMethod, int nSecurity) const {
        CMailSettings settings;
        settings.strSmtpServer = SERVER_ADDRESS;
        settings.strFromAddress = "notice@korvane.test";
        settings.nAuthMethod = nMethod;
        settings.strSmtpAuthUser = settings.strPop3Account = m_account.user;
        settings.strSmtpAuthPassword = settings.strPop3Password = m_account.password;
        settings.strPop3Server = SERVER_ADDRESS;
        settings.strPop3Wait = "100";
        const bool bTls = nSecurity == MAIL_SECURITY_TLS;
        settings.nSmtpSecurity = settings.nPop3Security = nSecurity;
        settings.strSmtpPort = std::to_string(bTls ? m_exim->TlsPort() : m_exim->Port());
        settings.strPop3Port = std::to_string(bTls ? m_dovecot->TlsPort() : m_dovecot->Port());
        settings.strTrustedCertificateFile = m_certificates->caFile;
        return settings;
    }
    std::string Logs() const {
        return "\n--- Exim ---\n" + m_exim->Log() + "\n--- Dovecot ---\n" + m_dovecot->Log();
    }

    MailAccount m_account;
    std::unique_ptr<ScratchDirectory> m_directory; // first: removed after the servers stop
    std::unique_ptr<TestCertificates> m_certificates;
    std::unique_ptr<ScratchDirectory> m_serverDirectory;
    std::unique_ptr<EximServer> m_exim;
    std::unique_ptr<DovecotServer> m_dovecot;
};

class TlsDeliveryTest : public TlsMailTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

std::string TlsCaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
    static const char* const METHODS[] = {"None", "PopBeforeSmtp", "Plain", "Login", "CramMd5"};
    return std::string(METHODS[std::get<0>(info.param)]) +
           (std::get<1>(info.param) == MAIL_SECURITY_TLS ? "_Tls" : "_StartTls");
}

} // namespace

// The test mail and the error mail, each through the mode and the login of the case.
TEST_P(TlsDeliveryTest, BothMailsAreDeliveredAndTheLoginHappenedInsideTls) {
    const auto [nMethod, nSecurity] = GetParam();
    StartServers(m_certificates->server);
    CMailSettings settings = Settings(nMethod, nSecurity);
    settings.strToAddresses = RECIPIENT;
    std::string failure;
    ASSERT_EQ(CMailSettingForm::SendTestMail(settings, nullptr, &failure).nTextId, 10008)
        << failure << Logs();
    ASSERT_EQ(CErrorMail::SendLines(settings, {"・ ks-001 : エラー"}, nullptr, &failure), MAIL_SEND_DONE)
        << failure << Logs();
    EXPECT_EQ(m_exim->WaitForMessages(2, seconds(10)).size(), 2u) << Logs();
    // Exim logs the arrival with the cipher (X=) and the authenticator (A=) on one line.
    static const char* const AUTHENTICATORS[] = {"", "", " A=plain", " A=login", " A=cram"};
    EXPECT_TRUE(HasLineWith(m_exim->Log(), {" <= ", " X=TLS", AUTHENTICATORS[nMethod]})) << Logs();
    if (nMethod == MAIL_AUTH_POP_BEFORE_SMTP) {
        EXPECT_TRUE(HasLineWith(m_dovecot->Log(), {"Login: user=<" + m_account.user + ">", "TLS"})) << Logs();
    }
}

INSTANTIATE_TEST_SUITE_P(EachSecurityAndLogin, TlsDeliveryTest,
                         ::testing::Combine(::testing::Values(MAIL_AUTH_POP_BEFORE_SMTP, MAIL_AUTH_PLAIN,
                                                              MAIL_AUTH_LOGIN, MAIL_AUTH_CRAM_MD5),
                                            ::testing::Values(MAIL_SECURITY_STARTTLS, MAIL_SECURITY_TLS)),
                         TlsCaseName);

// Each certificate that must not be trusted stops the dialogue with the check's reason, before
// AUTH or a message: another address's, an expired one, and one of a CA the user did not choose.
TEST_F(TlsMailTest, ACertificateThatDoesNotVerifyStopsTheDialogueWithItsReason) {
    struct Refusal {
        const CertifiedKey* pCertificate;
        bool bTrustTheCa;
        const char* pszReason;
    };
    for (const Refusal& refusal :
         {Refusal{&m_certificates->otherAddress, true, "IP address mismatch"},
          Refusal{&m_certificates->expired, true, "certificate has expired"},
          Refusal{&m_certificates->server, false, "unable to get local issuer certificate"}}) {
        StartServers(*refusal.pCertificate);
        for (const int nSecurity : {MAIL_SECURITY_STARTTLS, MAIL_SECURITY_TLS}) {
            CMailSettings settings = Settings(MAIL_AUTH_PLAIN, nSecurity);
            if (!refusal.bTrustTheCa) {
                settings.strTrustedCertificateFile.clear();
            }
            MailSender sender(settings, "KORVANE Admin");
            sender.AddBodyLine("must not arrive");
            EXPECT_EQ(sender.Send(RECIPIENT, "TLS"), MAIL_SEND_FAILED) << refusal.pszReason;
            EXPECT_NE(sender.FailureText().find(refusal.pszReason), std::string::npos)
                << sender.FailureText();
            EXPECT_NE(sender.FailureText().find(SERVER_ADDRESS), std::string::npos) << sender.FailureText();
        }
        EXPECT_FALSE(HasLineWith(m_exim->Log(), {" A="})) << Logs();
        EXPECT_TRUE(m_exim->WaitForMessages(1, std::chrono::milliseconds(200)).empty()) << Logs();
    }
    // The server's own certificate, chosen as the trusted file, is trusted instead of a CA.
    StartServers(m_certificates->server);
    CMailSettings settings = Settings(MAIL_AUTH_PLAIN, MAIL_SECURITY_TLS);
    settings.strTrustedCertificateFile = m_certificates->server.certificate;
    MailSender sender(settings, "KORVANE Admin");
    sender.AddBodyLine("trusted by its own certificate");
    EXPECT_EQ(sender.Send(RECIPIENT, "TLS"), MAIL_SEND_DONE) << sender.FailureText() << Logs();
}
