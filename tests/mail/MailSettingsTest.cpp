// The settings as the sender reads them, the recipient list, the logic of the settings dialog and
// the lines of the error mail.
#include "SampleDevices.h"
#include "admin/AdminInfoMgr.h"
#include "admin/MailSettingsXml.h"
#include "admin/StatusEvaluation.h"
#include "mail/ErrorMail.h"
#include "mail/MailSender.h"
#include "mail/MailSettingForm.h"

#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

using namespace Korvane;
using Strings = std::vector<std::string>;

namespace {

CMailSettings CompleteSettings(int nAuthMethod) {
    CMailSettings settings;
    settings.strSmtpServer = "smtp.korvane.test";
    settings.strSmtpPort = "25";
    settings.strFromAddress = "from@korvane.test";
    settings.strToAddresses = "to@korvane.test";
    settings.nAuthMethod = nAuthMethod;
    settings.strPop3Server = "pop.korvane.test";
    settings.strPop3Port = "110";
    settings.strPop3Wait = "300";
    settings.strPop3Account = "account";
    settings.strPop3Password = "pop-password";
    settings.strSmtpAuthUser = "user";
    settings.strSmtpAuthPassword = "auth-password";
    return settings;
}

} // namespace

TEST(RecipientList, EveryPieceBeforeASemicolonIsARecipient) {
    EXPECT_EQ(MailSender::SplitRecipients("a@x;b@y;"), (Strings{"a@x", "b@y"}));
    EXPECT_EQ(MailSender::SplitRecipients(";a@x"), (Strings{"", "a@x"}));
    EXPECT_EQ(MailSender::SplitRecipients("a@x;;b@y"), (Strings{"a@x", "", "b@y"}));
    EXPECT_EQ(MailSender::SplitRecipients(" a@x ; b@y"), (Strings{" a@x ", " b@y"})) << "spaces stay";
    EXPECT_EQ(MailSender::SplitRecipients("a@x"), (Strings{"a@x"}));
    EXPECT_EQ(MailSender::SplitRecipients(";"), (Strings{""}));
    EXPECT_EQ(MailSender::SplitRecipients(""), (Strings{}));
}

TEST(SenderSettings, NumbersDefaultsAndMethods) {
    CMailSettings settings = CompleteSettings(9);
    settings.strSmtpPort = "";
    settings.strPop3Port = "";
    settings.strPop3Wait = "";
    CMailSenderSettings read = CMailSenderSettings::From(settings, "name");
    EXPECT_EQ(read.nSmtpPort, 25);
    EXPECT_EQ(read.nPopPort, 110);
    EXPECT_EQ(read.nPopWait, 300);
    EXPECT_EQ(read.nAuthMethod, MAIL_AUTH_NONE) << "an unknown method counts as none";
    EXPECT_EQ(read.strSenderName, "name");

    settings.strSmtpPort = "2525";
    settings.nAuthMethod = MAIL_AUTH_CRAM_MD5;
    read = CMailSenderSettings::From(settings, "name");
    EXPECT_EQ(read.nSmtpPort, 2525);
    EXPECT_EQ(read.nAuthMethod, MAIL_AUTH_CRAM_MD5);

    EXPECT_EQ(CMailSenderSettings::NumberOf(" 42x", 7), 42);
    EXPECT_EQ(CMailSenderSettings::NumberOf("abc", 7), 0);
    EXPECT_EQ(CMailSenderSettings::NumberOf("99999999999", 7), INT_MAX);
}

TEST(SenderSettings, LongTextsAreKeptWhole) {
    CMailSettings settings = CompleteSettings(MAIL_AUTH_PLAIN);
    settings.strSmtpServer = std::string(300, 's');
    settings.strSmtpAuthPassword = std::string(400, 'p');
    const CMailSenderSettings read = CMailSenderSettings::From(settings, std::string(260, 'n'));
    EXPECT_EQ(read.strSmtpServer.size(), 300u);
    EXPECT_EQ(read.strAuthPassword.size(), 400u);
    EXPECT_EQ(read.strSenderName.size(), 260u);
}

TEST(SenderSettings, EachMethodNeedsItsOwnTexts) {
    for (int nMethod = MAIL_AUTH_NONE; nMethod <= MAIL_AUTH_CRAM_MD5; ++nMethod) {
        CMailSettings settings = CompleteSettings(nMethod);
        EXPECT_TRUE(CMailSenderSettings::From(settings, "n").IsComplete("to@x")) << nMethod;
        EXPECT_FALSE(CMailSenderSettings::From(settings, "n").IsComplete("")) << nMethod;
        settings.strFromAddress.clear();
        EXPECT_FALSE(CMailSenderSettings::From(settings, "n").IsComplete("to@x")) << nMethod;
    }
    CMailSettings pop = CompleteSettings(MAIL_AUTH_POP_BEFORE_SMTP);
    pop.strSmtpAuthPassword.clear();
    EXPECT_TRUE(CMailSenderSettings::From(pop, "n").IsComplete("to@x")) << "AUTH texts are not needed";
    pop.strPop3Password.clear();
    EXPECT_FALSE(CMailSenderSettings::From(pop, "n").IsComplete("to@x"));

    CMailSettings auth = CompleteSettings(MAIL_AUTH_LOGIN);
    auth.strPop3Server.clear();
    EXPECT_TRUE(CMailSenderSettings::From(auth, "n").IsComplete("to@x")) << "POP texts are not needed";
    auth.strSmtpAuthUser.clear();
    EXPECT_FALSE(CMailSenderSettings::From(auth, "n").IsComplete("to@x"));
}

TEST(MailSettingForm, DefaultsShownWhenNothingIsStored) {
    const CMailSettings shown = CMailSettingForm::Shown(CMailSettings{});
    EXPECT_EQ(shown.strSmtpPort, "25");
    EXPECT_EQ(shown.strPop3Port, "110");
    EXPECT_EQ(shown.strPop3Wait, "300");
    EXPECT_EQ(shown.nEncoding, MAIL_ENCODING_ISO2022JP);
    EXPECT_EQ(shown.nAuthMethod, MAIL_AUTH_NONE);
    EXPECT_FALSE(shown.bNotify);
    EXPECT_EQ(shown.strSmtpServer, "");
}

TEST(MailSettingForm, StoredValuesAreShownAsNumbers) {
    CMailSettings stored = CompleteSettings(7);
    stored.nEncoding = MAIL_ENCODING_UTF8;
    stored.strSmtpPort = "0025";
    stored.strPop3Wait = "";
    const CMailSettings shown = CMailSettingForm::Shown(stored);
    EXPECT_EQ(shown.nEncoding, MAIL_ENCODING_UTF8) << "a stored UTF-8 stays UTF-8";
    EXPECT_EQ(shown.strSmtpPort, "25");
    EXPECT_EQ(shown.strPop3Wait, "300");
    EXPECT_EQ(shown.nAuthMethod, MAIL_AUTH_NONE) << "the list starts on none for an unknown method";
    EXPECT_EQ(shown.strSmtpServer, stored.strSmtpServer);

    EXPECT_EQ(CMailSettingForm::NumberText(""), "");
    EXPECT_EQ(CMailSettingForm::NumberText("0080"), "80");
}

// Choosing a security proposes its usual port unless the user typed one; the password warning
// follows the method and the security of the server it goes to; files without the element read
// as none; an empty port means the usual one.
TEST(MailSettingForm, ConnectionSecurityPortsWarningAndStoredForm) {
    CMailSettings fields = CMailSettingForm::Shown(CompleteSettings(MAIL_AUTH_PLAIN));
    EXPECT_TRUE(CMailSettingForm::SendsPasswordInClear(fields));
    CMailSettingForm::SetSmtpSecurity(fields, MAIL_SECURITY_TLS);
    EXPECT_EQ(fields.strSmtpPort, "465");
    CMailSettingForm::SetSmtpSecurity(fields, MAIL_SECURITY_STARTTLS);
    EXPECT_EQ(fields.strSmtpPort, "587");
    EXPECT_FALSE(CMailSettingForm::SendsPasswordInClear(fields));
    fields.strSmtpPort = "2587";
    CMailSettingForm::SetSmtpSecurity(fields, MAIL_SECURITY_TLS);
    EXPECT_EQ(fields.strSmtpPort, "2587") << "a typed port stays";
    fields.nAuthMethod = MAIL_AUTH_POP_BEFORE_SMTP;
    EXPECT_TRUE(CMailSettingForm::SendsPasswordInClear(fields)) << "the POP3 password goes in clear";
    CMailSettingForm::SetPopSecurity(fields, MAIL_SECURITY_TLS);
    EXPECT_EQ(fields.strPop3Port, "995");
    EXPECT_FALSE(CMailSettingForm::SendsPasswordInClear(fields));
    fields.nAuthMethod = MAIL_AUTH_CRAM_MD5;
    fields.nSmtpSecurity = MAIL_SECURITY_NONE;
    EXPECT_FALSE(CMailSettingForm::SendsPasswordInClear(fields)) << "CRAM-MD5 sends no password";

    CMailSettings stored = CompleteSettings(MAIL_AUTH_PLAIN);
    stored.strSmtpPort.clear();
    stored.strPop3Port.clear();
    stored.nSmtpSecurity = MAIL_SECURITY_TLS;
    stored.nPop3Security = MAIL_SECURITY_TLS;
    EXPECT_EQ(CMailSenderSettings::From(stored, "n").nSmtpPort, 465);
    EXPECT_EQ(CMailSenderSettings::From(stored, "n").nPopPort, 995);

    for (const auto& [xml, nSmtp, nPop] :
         {std::tuple("<mail><smtp><srv>x</srv></smtp></mail>", MAIL_SECURITY_NONE, MAIL_SECURITY_NONE),
          std::tuple("<mail><security><smtp>STARTTLS</smtp><pop3>tls</pop3><trusted>/ca.pem</trusted></"
                     "security></mail>",
                     MAIL_SECURITY_STARTTLS, MAIL_SECURITY_TLS),
          std::tuple("<mail><security><smtp>ssl</smtp></security></mail>", MAIL_SECURITY_NONE,
                     MAIL_SECURITY_NONE)}) {
        Zelt::CXMLDocument document;
        document.LoadFromBytes(xml);
        CMailSettings read;
        CMailSettingsXml::Read(document.GetRootNode(), read);
        EXPECT_EQ(read.nSmtpSecurity, nSmtp) << xml;
        EXPECT_EQ(read.nPop3Security, nPop) << xml;
    }
}

TEST(MailSettingForm, MethodsTabsAndPages) {
    EXPECT_EQ(CMailSettingForm::AuthMethodTexts(),
              (Strings{"認証なし", "POP before SMTP", "SMTP AUTH (PLAIN)", "SMTP AUTH (LOGIN)",
                       "SMTP AUTH (CRAM-MD5)"}));
    EXPECT_EQ(CMailSettingForm::TabTexts(MAIL_AUTH_NONE), (Strings{"メール設定"}));
    EXPECT_EQ(CMailSettingForm::TabTexts(MAIL_AUTH_POP_BEFORE_SMTP), (Strings{"メール設定", "認証設定"}));
    EXPECT_EQ(CMailSettingForm::PageOf(MAIL_AUTH_NONE), MailAuthPage::None);
    EXPECT_EQ(CMailSettingForm::PageOf(MAIL_AUTH_POP_BEFORE_SMTP), MailAuthPage::Pop3);
    for (int nMethod : {MAIL_AUTH_PLAIN, MAIL_AUTH_LOGIN, MAIL_AUTH_CRAM_MD5}) {
        EXPECT_EQ(CMailSettingForm::PageOf(nMethod), MailAuthPage::SmtpAuth) << nMethod;
        EXPECT_EQ(CMailSettingForm::TabTexts(nMethod).size(), 2u) << nMethod;
    }
}

TEST(MailSettingForm, OkWithAMissingValueShowsTheMessageAndStoresNothing) {
    CMailSettings fields = CompleteSettings(MAIL_AUTH_LOGIN);
    fields.strSmtpAuthPassword.clear();
    CMailSettings stored = CompleteSettings(MAIL_AUTH_NONE);
    const CMailSettings before = stored;
    EXPECT_EQ(CMailSettingForm::Accept(fields, stored), (MailDialogMessage{10007, MailMessageIcon::Stop}));
    EXPECT_EQ(stored, before);

    fields.strSmtpAuthPassword = "pw";
    fields.bNotify = true;
    EXPECT_EQ(CMailSettingForm::Accept(fields, stored), std::nullopt);
    EXPECT_EQ(stored, fields);
}

TEST(MailSettingForm, WhatEachMethodRequires) {
    EXPECT_TRUE(CMailSettingForm::IsComplete(CompleteSettings(MAIL_AUTH_NONE)));
    for (std::string CMailSettings::*pField :
         {&CMailSettings::strSmtpServer, &CMailSettings::strSmtpPort, &CMailSettings::strFromAddress,
          &CMailSettings::strToAddresses}) {
        CMailSettings fields = CompleteSettings(MAIL_AUTH_NONE);
        (fields.*pField).clear();
        EXPECT_FALSE(CMailSettingForm::IsComplete(fields));
    }
    for (std::string CMailSettings::*pField :
         {&CMailSettings::strPop3Server, &CMailSettings::strPop3Port, &CMailSettings::strPop3Wait,
          &CMailSettings::strPop3Account, &CMailSettings::strPop3Password}) {
        CMailSettings fields = CompleteSettings(MAIL_AUTH_POP_BEFORE_SMTP);
        (fields.*pField).clear();
        EXPECT_FALSE(CMailSettingForm::IsComplete(fields));
        fields.nAuthMethod = MAIL_AUTH_PLAIN;
        EXPECT_TRUE(CMailSettingForm::IsComplete(fields)) << "POP values are not needed for SMTP AUTH";
    }
    CMailSettings none = CompleteSettings(MAIL_AUTH_NONE);
    none.strSmtpAuthUser.clear();
    none.strPop3Server.clear();
    EXPECT_TRUE(CMailSettingForm::IsComplete(none));
}

TEST(MailSettingForm, AnIncompleteTestMailIsNotSent) {
    CMailSettings fields = CompleteSettings(MAIL_AUTH_NONE);
    fields.strToAddresses.clear();
    EXPECT_EQ(CMailSettingForm::SendTestMail(fields), CMailSettingForm::INCOMPLETE_MESSAGE);
}

TEST(ErrorMail, EveryDeviceInKeyOrderWithItsAlertLines) {
    CKorvaneAdminInfoMgr manager;
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:02:03", "ks-c", "198.18.0.33"));
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:02:01", "ks-a", "198.18.0.31"));
    manager.AddOrUpdate(AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:02:02", "ks-b", "198.18.0.32"));
    CManagedDevice& warned = *manager.FindDevice("02:4B:53:00:02:02");
    AdminTesting::SetInfoText(warned, "statusinfo/status/error[@type='capacity']/param", "NG");
    warned.GetRootNode().SingleSelectNode("statusinfo/status").SetAttributeValue("condition", "NOTIFY");
    CManagedDevice& unreachable = *manager.FindDevice("02:4B:53:00:02:03");
    AdminTesting::SetInfoText(unreachable, "systeminfo/power", "OFF");
    AdminTesting::SetInfoText(unreachable, "statusinfo/status/notify[@type='notify']/param", "ON");
    CStatusEvaluation::CheckAllDevices(manager);

    EXPECT_EQ(
        CErrorMail::BodyLines(manager),
        (Strings{"・ ks-a : 正常", "・正常動作しています。", "・ ks-b : 注意", "・容量の警告がでています。",
                 "・ ks-c : 接続エラー",
                 "・KORVANE に接続できませんでした。KORVANE の電源またはネットワーク接続を確認してください。",
                 "・お知らせがあります。Web 設定ページより確認してください。"}));
}

TEST(ErrorMail, NothingIsSentWhileNotificationIsOff) {
    CKorvaneAdminInfoMgr manager;
    manager.m_mail = CompleteSettings(MAIL_AUTH_NONE);
    manager.m_mail.bNotify = false;
    EXPECT_EQ(CErrorMail::Send(manager), std::nullopt);
}
