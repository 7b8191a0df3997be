// The test mail and the error mail as they reach a scripted server.
#include "MailText.h"
#include "SampleDevices.h"
#include "ScriptedMailSettings.h"
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "admin/AdminInfoMgr.h"
#include "mail/ErrorMail.h"
#include "mail/MailSender.h"
#include "mail/MailSettingForm.h"

#include <gtest/gtest.h>

using namespace Korvane;
using namespace MailTesting;

namespace {

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

TEST(TestMail, ItsNameSubjectAndBody) {
    ScriptedServer server(RefusingSmtp({}));
    CMailSettings fields = ScriptedSettings(server.Port());
    fields.nEncoding = MAIL_ENCODING_ISO2022JP;
    ASSERT_EQ(CMailSettingForm::SendTestMail(fields).nTextId, 10008);
    const ParsedMail mail = ParseMail(MessageOf(server.Transcripts().at(0)));
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "From")), "KORVANE Adimin<notice@korvane.test>");
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), "KORVANE Admin  -TEST MAIL-");
    EXPECT_EQ(DecodedBody(mail), "これは KORVANE Admin より送信されたテストメールです。\n");
}

TEST(ErrorMail, ListsEveryDeviceWithItsAlerts) {
    ScriptedServer server(RefusingSmtp({}));
    CKorvaneAdminInfoMgr manager;
    manager.m_mail = ScriptedSettings(server.Port());
    manager.m_mail.bNotify = true;
    manager.m_mail.strToAddresses = "admin@korvane.test;";
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:03:02", "ks-two", "198.18.0.42"));
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:03:01", "ks-one", "198.18.0.41"));
    manager.FindDevice("02:4B:53:00:03:02")->SetStatusBits(STATUS_BIT_UPS);

    EXPECT_EQ(CErrorMail::Send(manager), std::optional<int>(MAIL_SEND_DONE));
    const ParsedMail mail = ParseMail(MessageOf(server.Transcripts().at(0)));
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "Subject")), "KORVANE Admin  - エラー通知 -");
    EXPECT_EQ(DecodeWords(HeaderOf(mail, "From")), "KORVANE Adimin<notice@korvane.test>");
    EXPECT_EQ(HeaderOf(mail, "To"), "admin@korvane.test;");
    EXPECT_EQ(DecodedBody(mail),
              "・ ks-one : 正常\n・正常動作しています。\n・ ks-two : 正常\n・UPS の警告が出ています。\n");
}
