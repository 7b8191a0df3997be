// The test mail and the error mail as they reach a scripted server.
#include "MailText.h"
#include "SampleDevices.h"
#include "ScriptedMailSettings.h"
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "admin/AdminInfoMgr.h"
#include "admin/TextFormat.h"
#include "common/BothLanguages.h"
#include "mail/ErrorMail.h"
#include "mail/ErrorMailThread.h"
#include "mail/MailSender.h"
#include "mail/MailSettingForm.h"
#include "support/StringTable.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace MailTesting;

namespace {

// A store with notification on, mailing to the scripted server on the port.
CKorvaneAdminInfoMgr NotifyingStore(uint16_t nPort) {
    CKorvaneAdminInfoMgr manager;
    manager.m_mail = ScriptedSettings(nPort);
    manager.m_mail.bNotify = true;
    return manager;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t nCount = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++nCount;
    }
    return nCount;
}

ScriptedServer::Script RefusingSmtp(std::vector<std::string> refused) {
    SmtpBehaviour behaviour;
    behaviour.refusedRecipients = std::move(refused);
    return [behaviour](ScriptedSession& session) { ServeSmtp(session, behaviour); };
}

MailDialogMessage TestMailTo(uint16_t nPort, const std::string& recipients) {
    CMailSettings fields = ScriptedSettings(nPort);
    fields.strToAddresses = recipients;
    return CMailSettingForm::SendTestMail(fields);
}

} // namespace

TEST(TestMail, TheResultChoosesTheMessage) {
    ScriptedServer server(RefusingSmtp({"gone@korvane.test", "lost@korvane.test"}));
    EXPECT_EQ(TestMailTo(server.Port(), "admin@korvane.test"),
              (MailDialogMessage{10008, MailMessageIcon::Information}));
    EXPECT_EQ(TestMailTo(server.Port(), "admin@korvane.test;gone@korvane.test"),
              (MailDialogMessage{10010, MailMessageIcon::None}));
    EXPECT_EQ(TestMailTo(server.Port(), "gone@korvane.test;lost@korvane.test"),
              (MailDialogMessage{10009, MailMessageIcon::None}));
}

// Each mail in the program's language, ISO-2022-JP set: Japanese goes as set, English as UTF-8,
// which ISO-2022-JP cannot stand in for.
class MailInLanguage : public KorvaneTesting::ProgramInLanguage {
protected:
    static std::string Text(int nId) { return std::string(Zelt::CStringTable::Text(nId, GetParam())); }
    static void ExpectCharsetAndSender(const ParsedMail& mail) {
        const bool bEnglish = GetParam() == Zelt::Language::English;
        EXPECT_EQ(HeaderOf(mail, "Content-Type"),
                  std::string("text/plain; charset=\"") + (bEnglish ? "UTF-8" : "ISO-2022-JP") + "\"");
        EXPECT_EQ(DecodeWords(HeaderOf(mail, "From")), Text(Zelt::Text::MailSenderName) + "<notice@korvane.test>");
    }
};

TEST_P(MailInLanguage, TheTestMailHasItsNameSubjectAndBody) {
    ScriptedServer server(RefusingSmtp({}));
    CMailSettings fields = ScriptedSettings(server.Port());
    fields.nEncoding = MAIL_ENCODING_ISO2022JP;
    ASSERT_EQ(CMailSettingForm::SendTestMail(fields).nTextId, 10008);
    const ParsedMail mail = ParseMail(MessageOf(server.Transcripts().at(0)));
    ExpectCharsetAndSender(mail);
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), Text(Zelt::Text::TestMailSubject));
    EXPECT_EQ(DecodedBody(mail), Text(Zelt::Text::TestMailBody) + "\n");
}

TEST_P(MailInLanguage, TheErrorMailListsEveryDeviceWithItsAlerts) {
    ScriptedServer server(RefusingSmtp({}));
    CKorvaneAdminInfoMgr manager = NotifyingStore(server.Port());
    manager.m_mail.nEncoding = MAIL_ENCODING_ISO2022JP;
    manager.m_mail.strToAddresses = "admin@korvane.test;";
    // A device name in Japanese stays as it is in an English mail too.
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:03:02", "棚-two", "198.18.0.42"));
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:03:01", "ks-one", "198.18.0.41"));
    manager.FindDevice("02:4B:53:00:03:02")->SetStatusBits(STATUS_BIT_UPS);

    EXPECT_EQ(CErrorMail::Send(manager), std::optional<int>(MAIL_SEND_DONE));
    const ParsedMail mail = ParseMail(MessageOf(server.Transcripts().at(0)));
    ExpectCharsetAndSender(mail);
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), Text(Zelt::Text::ErrorMailSubject));
    EXPECT_EQ(HeaderOf(mail, "To"), "admin@korvane.test;");
    const std::string normal = Text(Zelt::Text::StatusNormal);
    EXPECT_EQ(DecodedBody(mail), CTextFormat::Format(Text(Zelt::Text::ErrorMailDeviceLine), {"ks-one", normal}) + "\n" + Text(Zelt::Text::StatusLineNormal) +
                                     CTextFormat::Format(Text(Zelt::Text::ErrorMailDeviceLine), {"棚-two", normal}) + "\n" +
                                     Text(Zelt::Text::StatusLineUps));
}

KORVANE_IN_BOTH_LANGUAGES(MailInLanguage);

// Device names that try to add lines, or to end the data with a line "." and go on with commands.
TEST(ErrorMail, LineEndsInADeviceNameStayInsideItsLine) {
    ScriptedServer server(RefusingSmtp({}));
    for (const int nEncoding : {MAIL_ENCODING_ISO2022JP, MAIL_ENCODING_UTF8}) {
        CKorvaneAdminInfoMgr manager = NotifyingStore(server.Port());
        manager.m_mail.nEncoding = nEncoding;
        manager.AddOrUpdate(AdminTesting::SampleDevice(
            "qrx-x", "02:4B:53:00:03:01", "a\r\n.\r\nRCPT TO: <spy@korvane.test>", "198.18.0.41"));
        manager.AddOrUpdate(
            AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:03:02", "b\r.\n.", "198.18.0.42"));
        ASSERT_EQ(CErrorMail::Send(manager), std::optional<int>(MAIL_SEND_DONE)) << nEncoding;
        const std::string sent = server.Transcripts().back();
        EXPECT_EQ(Count(sent, "\r\n.\r\n"), 1u) << "the data ends once, at its end: " << sent;
        EXPECT_EQ(Count(sent, "\r\nRCPT TO:"), 1u) << sent;
        EXPECT_EQ(DecodedBody(ParseMail(MessageOf(sent))),
                  "・ a\\r\\n.\\r\\nRCPT TO: <spy@korvane.test> : 正常\n・正常動作しています。\n"
                  "・ b\\r.\\n. : 正常\n・正常動作しています。\n")
            << nEncoding;
    }
}

TEST(ErrorMailThread, SendsBesideTheStoreAndCancelsTheMailUnderWayWhenItGoes) {
    std::atomic<bool> bHolding{false};
    ScriptedServer server([&bHolding](ScriptedSession& session) {
        bHolding = true;
        session.WaitForClose();
    });
    std::vector<int> outcomes;
    auto mailThread = std::make_unique<CErrorMailThread>(
        [&outcomes](int nResult, const std::string&) { outcomes.push_back(nResult); });
    mailThread->Send(NotifyingStore(server.Port()));
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         !bHolding && std::chrono::steady_clock::now() < until;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(bHolding) << "the mail went out while the store's thread went on";
    const auto start = std::chrono::steady_clock::now();
    mailThread.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "not the 10 s greeting wait";
    EXPECT_EQ(outcomes, std::vector<int>{MAIL_SEND_CANCELLED});
}
