// The detail report dialog against simulated devices, and the mail settings dialog with a scripted
// SMTP server.
#include "AppText.h"
#include "DetailInfoDialog.h"
#include "MailSettingDialog.h"
#include "MailText.h"
#include "ModalAnswerer.h"
#include "MonitoredDevices.h"
#include "ScriptedMailSettings.h"
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "admin/DetailReport.h"
#include "common/Simulator.h"
#include "support/StringTable.h"

#include <chrono>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using KorvaneTesting::Simulator;

namespace {

using Clock = std::chrono::steady_clock;

// A store of the test's own and a user who answers every message box.
class DialogTest : public ::testing::Test {
protected:
    CKorvaneAdminInfoMgr manager;
    AppTesting::ModalAnswerer answerer{QMessageBox::Ok};
};

class DetailDialog : public DialogTest {
protected:
    std::vector<std::string> Manage(Simulator& sim, const std::vector<int>& withoutPassword = {}) {
        return OperationsTesting::ManageSimulated(manager, sim, withoutPassword);
    }

    static bool WaitForFetch(const DetailInfoDialog& dialog) {
        return AppTesting::WaitUntil([&] { return !dialog.IsFetching(); }, 20000);
    }

    static QString ShownText(const DetailInfoDialog& dialog) { return dialog.ReportView()->toPlainText(); }

    static std::vector<int> TreeSections(const DetailInfoDialog& dialog) {
        std::vector<int> sections;
        for (QTreeWidgetItemIterator it(dialog.SectionTree()); *it != nullptr; ++it) {
            sections.push_back((*it)->data(0, Qt::UserRole).toInt());
        }
        return sections;
    }

    static bool LogHas(Simulator& sim, int nDevice, const std::string& start) {
        for (const std::string& line : sim.Log(nDevice)) {
            if (line.rfind(start, 0) == 0) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

TEST_F(DetailDialog, ShowsTheCoresReportOfEverySectionOnceFetched) {
    Simulator sim({"--count", "2", "--base", "127.87.20.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    ASSERT_TRUE(manager.FindDevice(macs[0])->GetRootNode().SelectNodes("share").empty())
        << "the managed record has only the basic information";

    DetailInfoDialog dialog(manager, macs[0]);
    EXPECT_TRUE(dialog.IsFetching()) << "opening starts the fetch";
    EXPECT_EQ(dialog.FetchButton()->text(), KorvaneApp::Text(Zelt::Text::DetailStopButton));
    EXPECT_FALSE(dialog.CloseButton()->isEnabled());
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailFetching));
    ASSERT_TRUE(WaitForFetch(dialog));
    EXPECT_EQ(dialog.FetchButton()->text(), KorvaneApp::Text(Zelt::Text::DetailRefreshButton));
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
    EXPECT_TRUE(LogHas(sim, 0, "request GETINFO"));

    // The copy holds the detailed information; the report is the core's for it.
    ASSERT_FALSE(dialog.Device().GetRootNode().SelectNodes("share/folder").empty());
    const CDetailReport expected(dialog.Device());
    EXPECT_EQ(dialog.SelectedSection(), SECTION_DEVICE) << "the whole report comes first";
    EXPECT_EQ(ShownText(dialog), DetailInfoDialog::Shown(expected.SectionText(SECTION_DEVICE)));

    const std::vector<int> sections = TreeSections(dialog);
    EXPECT_EQ(sections, CDetailReport::TreeSections(dialog.Device()));
    EXPECT_EQ(sections.size(), 12u) << "a QRX-X device has every section, eSATA included";
    for (const int nSection : sections) {
        ASSERT_TRUE(dialog.ShowSection(nSection));
        const QString text = ShownText(dialog);
        EXPECT_FALSE(text.isEmpty()) << nSection;
        EXPECT_EQ(text, DetailInfoDialog::Shown(expected.SectionText(nSection))) << nSection;
    }

    // The texts themselves, written out here apart from the core.
    ASSERT_TRUE(dialog.ShowSection(SECTION_SYSTEM));
    EXPECT_TRUE(ShownText(dialog).startsWith(
        QString::fromUtf8("【システム情報】 \n    プロダクト名                         : QRX-XR4\n")))
        << ShownText(dialog).toStdString();
    ASSERT_TRUE(dialog.ShowSection(SECTION_NETWORK));
    EXPECT_TRUE(
        ShownText(dialog).contains(QString::fromUtf8("    KORVANE の名前                       : ks-001\n")))
        << ShownText(dialog).toStdString();
    ASSERT_TRUE(dialog.ShowSection(SECTION_LOG));
    EXPECT_TRUE(ShownText(dialog).startsWith(QString::fromUtf8("【ログ情報】 \n")));

    // A device of another family has no eSATA section.
    DetailInfoDialog other(manager, macs[1]);
    ASSERT_TRUE(WaitForFetch(other));
    EXPECT_FALSE(other.ShowSection(SECTION_ESATA));
    EXPECT_EQ(TreeSections(other).size(), 11u);
    EXPECT_EQ(ShownText(other),
              DetailInfoDialog::Shown(CDetailReport(other.Device()).SectionText(SECTION_DEVICE)));
    EXPECT_TRUE(ShownText(other).contains(QString::fromUtf8(": QRX4-H\n")));
}

TEST_F(DetailDialog, ARejectedPasswordSaysSoAndClearsTheAcceptedMark) {
    Simulator sim({"--count", "2", "--base", "127.87.21.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim, {1});
    manager.SetPasswordAccepted(macs[0], true);
    sim.Set(0, "password", "changed-on-the-device");

    DetailInfoDialog dialog(manager, macs[0]);
    QSignalSpy changed(&dialog, &DetailInfoDialog::DeviceRecordChanged);
    ASSERT_TRUE(WaitForFetch(dialog));
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailPasswordFailed));
    EXPECT_FALSE(manager.FindDevice(macs[0])->GetPasswordAccepted());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(dialog.Report().IsEmpty());
    ASSERT_TRUE(dialog.ShowSection(SECTION_SYSTEM)) << "the tree stays usable";
    EXPECT_TRUE(ShownText(dialog).isEmpty());

    // Without a stored password the device refuses as well, and the text says none is set.
    DetailInfoDialog without(manager, macs[1]);
    ASSERT_TRUE(WaitForFetch(without));
    EXPECT_EQ(ShownText(without), KorvaneApp::Text(Zelt::Text::DetailNoPassword));
}

TEST_F(DetailDialog, ADeviceThatCannotBeReachedIsRecordedAsPoweredOff) {
    Simulator sim({"--count", "1", "--base", "127.87.22.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    ASSERT_EQ(manager.FindDevice(macs[0])->GetRootNode().SingleSelectNode("systeminfo/power").GetText(),
              "ON");
    sim.Set(0, "mode", "refuse");

    DetailInfoDialog dialog(manager, macs[0]);
    ASSERT_TRUE(WaitForFetch(dialog));
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailCannotConnect) +
                                     QStringLiteral("\n\n127.87.22.1 のポート 51055 に接続できませんでした"
                                                    "（Connection refused）"));
    const CManagedDevice& device = *manager.FindDevice(macs[0]);
    EXPECT_EQ(device.GetRootNode().SingleSelectNode("systeminfo/power").GetText(), "OFF");
    EXPECT_NE(device.GetStatusBits() & STATUS_BIT_UNREACHABLE, 0);
    EXPECT_EQ(device.GetResultCode(), RESULT_COMMUNICATION_ERROR);
}

TEST_F(DetailDialog, TheStopButtonCancelsAndTheRefreshButtonFetchesAgain) {
    Simulator sim({"--count", "1", "--base", "127.87.23.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    sim.Set(0, "mode", "silent");

    DetailInfoDialog dialog(manager, macs[0]);
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return LogHas(sim, 0, "request AUTHORIZATION"); }));
    const auto start = Clock::now();
    dialog.FetchButton()->click();
    ASSERT_TRUE(WaitForFetch(dialog));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailCancelled));
    EXPECT_EQ(dialog.FetchButton()->text(), KorvaneApp::Text(Zelt::Text::DetailRefreshButton));

    sim.Set(0, "mode", "normal");
    dialog.FetchButton()->click();
    EXPECT_TRUE(dialog.IsFetching());
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailFetching));
    ASSERT_TRUE(WaitForFetch(dialog));
    EXPECT_FALSE(dialog.Report().IsEmpty());
    EXPECT_EQ(ShownText(dialog), DetailInfoDialog::Shown(dialog.Report().SectionText(SECTION_DEVICE)));
}

TEST_F(DetailDialog, TheTreeTakingTheFocusDuringAFetchKeepsTheFetchingMessage) {
    Simulator sim({"--count", "1", "--base", "127.87.23.11", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    sim.Set(0, "mode", "silent");

    DetailInfoDialog dialog(manager, macs[0]);
    dialog.show();
    // What the window system does when the dialog becomes active: the tree takes the focus, and a
    // view without a current item would pick its first one, showing an empty section.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(dialog.SectionTree(), &focusIn);
    QApplication::processEvents();
    EXPECT_TRUE(dialog.IsFetching());
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailFetching));
    EXPECT_EQ(dialog.SelectedSection(), SECTION_DEVICE);

    dialog.FetchButton()->click();
    ASSERT_TRUE(WaitForFetch(dialog));
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailCancelled));
}

TEST_F(DetailDialog, ClosingDuringAFetchCancelsItAndClosesOnceItHasEnded) {
    Simulator sim({"--count", "1", "--base", "127.87.24.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    sim.Set(0, "mode", "silent");

    DetailInfoDialog dialog(manager, macs[0]);
    dialog.show();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return LogHas(sim, 0, "request AUTHORIZATION"); }));
    const auto start = Clock::now();
    dialog.close();
    EXPECT_TRUE(dialog.isVisible()) << "the job is still running";
    EXPECT_TRUE(dialog.IsFetching());
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return !dialog.isVisible(); }));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(dialog.IsFetching());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(ShownText(dialog), KorvaneApp::Text(Zelt::Text::DetailCancelled));
}

TEST_F(DetailDialog, DestroyedWhileAWorkerWaitsToHandOverItDoesNotWaitForEver) {
    Simulator sim({"--count", "1", "--base", "127.87.25.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    manager.SetPasswordAccepted(macs[0], true);
    sim.Set(0, "password", "changed-on-the-device");

    auto dialog = std::make_unique<DetailInfoDialog>(manager, macs[0]);
    // The GUI thread does not serve the worker: once the device has answered, the worker waits to
    // hand its result over.
    const auto answered = Clock::now() + std::chrono::seconds(10);
    while (!LogHas(sim, 0, "request AUTHORIZATION") && Clock::now() < answered) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(dialog->IsFetching());

    const auto start = Clock::now();
    dialog.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    QApplication::processEvents();
    EXPECT_TRUE(manager.FindDevice(macs[0])->GetPasswordAccepted())
        << "the result was dropped with the dialog, not applied later";
}

TEST_F(DetailDialog, DestroyedDuringAFetchOfASilentDeviceReturnsAtOnce) {
    Simulator sim({"--count", "1", "--base", "127.87.25.11", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    sim.Set(0, "mode", "silent");

    auto dialog = std::make_unique<DetailInfoDialog>(manager, macs[0]);
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return LogHas(sim, 0, "request AUTHORIZATION"); }));
    const auto start = Clock::now();
    dialog.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

namespace {

class MailDialog : public DialogTest {
protected:
    static MailTesting::ScriptedServer::Script Smtp(std::vector<std::string> refused = {},
                                                    std::chrono::milliseconds greetingDelay = {}) {
        MailTesting::SmtpBehaviour behaviour;
        behaviour.refusedRecipients = std::move(refused);
        return [behaviour, greetingDelay](MailTesting::ScriptedSession& session) {
            std::this_thread::sleep_for(greetingDelay);
            MailTesting::ServeSmtp(session, behaviour);
        };
    }

    // Fills what every mail needs.
    static void FillRequired(MailSettingDialog& dialog) {
        dialog.SmtpServerEdit()->setText(QStringLiteral("smtp.korvane.test"));
        dialog.SmtpPortEdit()->setText(QStringLiteral("0587"));
        dialog.FromAddressEdit()->setText(QStringLiteral("notice@korvane.test"));
        dialog.ToAddressesEdit()->setText(QStringLiteral("a@korvane.test;b@korvane.test"));
    }
};

} // namespace

TEST_F(MailDialog, OpensWithTheDefaultsWhenNothingIsStored) {
    CMailSettings stored;
    MailSettingDialog dialog(stored);
    EXPECT_FALSE(dialog.NotifyBox()->isChecked());
    EXPECT_TRUE(dialog.SmtpServerEdit()->text().isEmpty());
    EXPECT_EQ(dialog.SmtpPortEdit()->text(), QStringLiteral("25"));
    EXPECT_EQ(dialog.Pop3PortEdit()->text(), QStringLiteral("110"));
    EXPECT_EQ(dialog.Pop3WaitEdit()->text(), QStringLiteral("300"));
    EXPECT_TRUE(dialog.Iso2022JpButton()->isChecked());
    EXPECT_FALSE(dialog.Utf8Button()->isChecked());
    EXPECT_EQ(dialog.AuthMethodList()->currentIndex(), 0);
    EXPECT_EQ(dialog.AuthMethodList()->currentText(), KorvaneApp::Text(Zelt::Text::MailAuthNone));
    ASSERT_EQ(dialog.Tabs()->count(), 1);
    EXPECT_EQ(dialog.Tabs()->tabText(0), KorvaneApp::Text(Zelt::Text::MailTabMain));
    EXPECT_EQ(dialog.Tabs()->widget(0), dialog.MainPage());
}

TEST_F(MailDialog, OpensWithTheStoredValuesAndTheirAuthenticationPage) {
    CMailSettings stored = MailTesting::ScriptedSettings(2525, MAIL_AUTH_CRAM_MD5);
    stored.bNotify = true;
    stored.strPop3Wait = "1500";
    stored.strPop3Port = "1110";
    MailSettingDialog dialog(stored);
    EXPECT_TRUE(dialog.NotifyBox()->isChecked());
    EXPECT_EQ(dialog.SmtpServerEdit()->text(), QStringLiteral("127.84.0.1"));
    EXPECT_EQ(dialog.SmtpPortEdit()->text(), QStringLiteral("2525"));
    EXPECT_TRUE(dialog.Utf8Button()->isChecked());
    EXPECT_EQ(dialog.AuthMethodList()->currentText(), KorvaneApp::Text(Zelt::Text::MailAuthCramMd5));
    EXPECT_EQ(dialog.AuthUserEdit()->text(), QStringLiteral("tim"));
    EXPECT_EQ(dialog.Pop3WaitEdit()->text(), QStringLiteral("1500"));
    ASSERT_EQ(dialog.Tabs()->count(), 2);
    EXPECT_EQ(dialog.Tabs()->widget(1), dialog.SmtpAuthPage());
    EXPECT_EQ(dialog.Fields(), stored) << "the controls give back what they were given";
}

TEST_F(MailDialog, TheAuthenticationTabFollowsTheChosenMethod) {
    CMailSettings stored;
    MailSettingDialog dialog(stored);
    dialog.show();
    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_POP_BEFORE_SMTP);
    ASSERT_EQ(dialog.Tabs()->count(), 2);
    EXPECT_EQ(dialog.Tabs()->tabText(1), KorvaneApp::Text(Zelt::Text::MailTabAuthentication));
    EXPECT_EQ(dialog.Tabs()->widget(1), dialog.Pop3Page());
    dialog.Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.Pop3ServerEdit()->isVisible());
    EXPECT_FALSE(dialog.AuthUserEdit()->isVisible());

    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_LOGIN);
    ASSERT_EQ(dialog.Tabs()->count(), 2);
    EXPECT_EQ(dialog.Tabs()->widget(1), dialog.SmtpAuthPage());
    dialog.Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.AuthUserEdit()->isVisible());
    EXPECT_FALSE(dialog.Pop3ServerEdit()->isVisible());

    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_PLAIN);
    EXPECT_EQ(dialog.Tabs()->count(), 2);
    EXPECT_EQ(dialog.Tabs()->widget(1), dialog.SmtpAuthPage());

    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_NONE);
    ASSERT_EQ(dialog.Tabs()->count(), 1);
    EXPECT_EQ(dialog.Tabs()->widget(0), dialog.MainPage());
    EXPECT_FALSE(dialog.AuthUserEdit()->isVisible());
    EXPECT_FALSE(dialog.Pop3ServerEdit()->isVisible());
}

// The security proposes its port without overwriting a typed one, and the warning beside the
// method shows while a password would cross the network readable.
TEST_F(MailDialog, TheConnectionSecurityProposesItsPortAndTheWarningFollows) {
    CMailSettings stored;
    MailSettingDialog dialog(stored);
    dialog.show();
    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_PLAIN);
    EXPECT_TRUE(dialog.ClearPasswordWarning()->isVisible());
    dialog.SmtpSecurityList()->setCurrentIndex(MAIL_SECURITY_TLS);
    EXPECT_EQ(dialog.SmtpPortEdit()->text(), QStringLiteral("465"));
    EXPECT_FALSE(dialog.ClearPasswordWarning()->isVisible());
    dialog.SmtpPortEdit()->setText(QStringLiteral("2465"));
    dialog.SmtpSecurityList()->setCurrentIndex(MAIL_SECURITY_STARTTLS);
    EXPECT_EQ(dialog.SmtpPortEdit()->text(), QStringLiteral("2465"));

    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_POP_BEFORE_SMTP);
    EXPECT_TRUE(dialog.ClearPasswordWarning()->isVisible());
    dialog.Pop3SecurityList()->setCurrentIndex(MAIL_SECURITY_TLS);
    EXPECT_EQ(dialog.Pop3PortEdit()->text(), QStringLiteral("995"));
    EXPECT_FALSE(dialog.ClearPasswordWarning()->isVisible());
    dialog.TrustedFileEdit()->setText(QStringLiteral("/etc/ssl/site-ca.pem"));
    EXPECT_EQ(dialog.Fields().nSmtpSecurity, MAIL_SECURITY_STARTTLS);
    EXPECT_EQ(dialog.Fields().nPop3Security, MAIL_SECURITY_TLS);
    EXPECT_EQ(dialog.Fields().strTrustedCertificateFile, "/etc/ssl/site-ca.pem");
}

TEST_F(MailDialog, OkStoresOnlyWhatNamesEverythingAMailNeeds) {
    CMailSettings stored;
    MailSettingDialog dialog(stored);
    dialog.show();
    FillRequired(dialog);
    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_LOGIN);
    dialog.AuthUserEdit()->setText(QStringLiteral("tim"));

    dialog.OkButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSettingsIncomplete)})
        << "the password is missing";
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(stored, CMailSettings{}) << "nothing is stored";

    answerer.Clear();
    dialog.AuthPasswordEdit()->setText(QStringLiteral("secret"));
    dialog.SmtpPortEdit()->clear();
    dialog.OkButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSettingsIncomplete)})
        << "an empty port is missing too";
    EXPECT_EQ(stored, CMailSettings{});

    answerer.Clear();
    dialog.SmtpPortEdit()->setText(QStringLiteral("0587"));
    dialog.Utf8Button()->setChecked(true);
    dialog.Pop3WaitEdit()->clear();
    dialog.OkButton()->click();
    EXPECT_TRUE(answerer.Texts().isEmpty()) << "notification off and POP values empty do not matter here";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CMailSettings expected;
    expected.strSmtpServer = "smtp.korvane.test";
    expected.strSmtpPort = "587";
    expected.strFromAddress = "notice@korvane.test";
    expected.strToAddresses = "a@korvane.test;b@korvane.test";
    expected.nEncoding = MAIL_ENCODING_UTF8;
    expected.nAuthMethod = MAIL_AUTH_LOGIN;
    expected.strPop3Port = "110";
    expected.strSmtpAuthUser = "tim";
    expected.strSmtpAuthPassword = "secret";
    EXPECT_EQ(stored, expected);
}

TEST_F(MailDialog, PopBeforeSmtpNeedsItsOwnValues) {
    CMailSettings stored;
    MailSettingDialog dialog(stored);
    dialog.show();
    FillRequired(dialog);
    dialog.AuthMethodList()->setCurrentIndex(MAIL_AUTH_POP_BEFORE_SMTP);
    dialog.Pop3ServerEdit()->setText(QStringLiteral("pop.korvane.test"));
    dialog.Pop3AccountEdit()->setText(QStringLiteral("account"));
    dialog.OkButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSettingsIncomplete)});
    EXPECT_TRUE(dialog.isVisible());

    dialog.Pop3PasswordEdit()->setText(QStringLiteral("pop-password"));
    dialog.OkButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(stored.strPop3Server, "pop.korvane.test");
    EXPECT_EQ(stored.strPop3Password, "pop-password");
    EXPECT_EQ(stored.strPop3Wait, "300");
    EXPECT_EQ(stored.nAuthMethod, MAIL_AUTH_POP_BEFORE_SMTP);
}

TEST_F(MailDialog, ATestMailGoesOutWithoutFreezingTheWindowAndStoresNothing) {
    // The server takes its time, so the test sees the dialog while the mail is out.
    MailTesting::ScriptedServer server(Smtp({}, std::chrono::milliseconds(700)));
    CMailSettings stored;
    MailSettingDialog dialog(stored);
    dialog.show();
    const CMailSettings fields = MailTesting::ScriptedSettings(server.Port());
    dialog.SmtpServerEdit()->setText(QString::fromStdString(fields.strSmtpServer));
    dialog.SmtpPortEdit()->setText(QString::number(server.Port()));
    dialog.FromAddressEdit()->setText(QString::fromStdString(fields.strFromAddress));
    dialog.ToAddressesEdit()->setText(QString::fromStdString(fields.strToAddresses));
    dialog.NotifyBox()->setChecked(false);
    QSignalSpy finished(&dialog, &MailSettingDialog::TestMailFinished);

    dialog.TestMailButton()->click();
    EXPECT_TRUE(dialog.IsSendingTestMail()) << "the click returned while the mail is out";
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.TestMailButton()->isEnabled());
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible()) << "the dialog waits for the mail";
    EXPECT_TRUE(answerer.Texts().isEmpty());

    ASSERT_TRUE(AppTesting::WaitUntil([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 10008);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSent)});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.IsSendingTestMail());
    EXPECT_EQ(stored, CMailSettings{}) << "the test mail stores nothing";

    const MailTesting::ParsedMail mail =
        MailTesting::ParseMail(MailTesting::MessageOf(server.Transcripts().at(0)));
    EXPECT_EQ(MailTesting::DecodeWords(MailTesting::HeaderOf(mail, "Subject")), "KORVANE Admin  -TEST MAIL-");
    EXPECT_EQ(MailTesting::DecodedBody(mail), "これは KORVANE Admin より送信されたテストメールです。\n");
}

TEST_F(MailDialog, ATestMailThatOneRecipientRefusedSaysSo) {
    MailTesting::ScriptedServer server(Smtp({"gone@korvane.test"}));
    CMailSettings stored = MailTesting::ScriptedSettings(server.Port());
    stored.strToAddresses = "admin@korvane.test;gone@korvane.test";
    MailSettingDialog dialog(stored);
    QSignalSpy finished(&dialog, &MailSettingDialog::TestMailFinished);
    dialog.TestMailButton()->click();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSendPartlyFailed)});
    EXPECT_EQ(server.Transcripts().size(), 2u) << "one dialogue per recipient";
}

TEST_F(MailDialog, AnIncompleteTestMailIsNotSent) {
    MailTesting::ScriptedServer server(Smtp());
    CMailSettings stored = MailTesting::ScriptedSettings(server.Port());
    MailSettingDialog dialog(stored);
    dialog.FromAddressEdit()->clear();
    dialog.TestMailButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSettingsIncomplete)});
    EXPECT_FALSE(dialog.IsSendingTestMail());
    EXPECT_TRUE(server.Transcripts().empty());
}

TEST_F(MailDialog, TheCancelButtonStopsATestMailThatAServerHolds) {
    MailTesting::ScriptedServer server([](MailTesting::ScriptedSession& session) { session.WaitForClose(); });
    CMailSettings stored = MailTesting::ScriptedSettings(server.Port());
    MailSettingDialog dialog(stored);
    dialog.show();
    QSignalSpy finished(&dialog, &MailSettingDialog::TestMailFinished);
    dialog.TestMailButton()->click();
    ASSERT_TRUE(dialog.IsSendingTestMail());
    dialog.CancelButton()->click();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return finished.count() == 1; }, 5000))
        << "not the 10 s greeting wait";
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MailSendCancelled)});
    EXPECT_TRUE(dialog.isVisible()) << "only the test mail was cancelled";
    EXPECT_FALSE(dialog.IsSendingTestMail());
}

TEST_F(MailDialog, ADialogThatGoesWhileItsTestMailIsOutStopsIt) {
    MailTesting::ScriptedServer server(Smtp({}, std::chrono::milliseconds(500)));
    CMailSettings stored = MailTesting::ScriptedSettings(server.Port());
    auto dialog = std::make_unique<MailSettingDialog>(stored);
    dialog->TestMailButton()->click();
    ASSERT_TRUE(dialog->IsSendingTestMail());
    dialog.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const std::vector<std::string> transcripts = server.Transcripts();
    EXPECT_TRUE(transcripts.empty() || transcripts == std::vector<std::string>{""})
        << "the mail went no further than the greeting";
    // Serve the events for a while: a result posted to the dialog would arrive now.
    AppTesting::WaitUntil([] { return false; }, 300);
    EXPECT_TRUE(answerer.Texts().isEmpty());
}
