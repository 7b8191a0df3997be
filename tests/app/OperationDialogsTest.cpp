// The progress and password dialogs and the window's exit, against simulated devices.
#include "AppText.h"
#include "ButtonBand.h"
#include "InfoListView.h"
#include "MonitoredDevices.h"
#include "PasswordDialog.h"
#include "ProgressDialog.h"
#include "UrlCatcher.h"
#include "WindowFixture.h"
#include "common/Simulator.h"
#include "operations/OperationKind.h"
#include "support/StringTable.h"

#include <chrono>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using KorvaneTesting::Simulator;

namespace {

// Simulated devices under management; each gets its password unless told otherwise.
class SimulatedDevices : public ::testing::Test, public AppTesting::WindowFixture {
protected:
    std::vector<std::string> Manage(Simulator& sim, const std::vector<int>& withoutPassword = {}) {
        return OperationsTesting::ManageSimulated(manager, sim, withoutPassword);
    }

    static QString RowText(const ProgressDialog& dialog, int nRow) {
        return dialog.Rows()->topLevelItem(nRow)->text(1);
    }
};

} // namespace

TEST_F(SimulatedDevices, AProgressRunShowsSuccessFailureMissingPasswordAndCancel) {
    Simulator sim({"--count", "4", "--base", "127.87.1.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim, {2});
    sim.Set(1, "busy", "on");
    sim.Set(3, "mode", "silent");

    ProgressDialog dialog(manager);
    dialog.Start(OPERATION_REBOOT, macs);
    EXPECT_FALSE(dialog.CloseButton()->isEnabled());
    ASSERT_TRUE(AppTesting::WaitUntil([&] {
        return RowText(dialog, 2) != KorvaneApp::Text(Zelt::Text::ProgressStarted) &&
               RowText(dialog, 1) != KorvaneApp::Text(Zelt::Text::ProgressStarted) &&
               RowText(dialog, 0) != KorvaneApp::Text(Zelt::Text::ProgressStarted);
    }));
    EXPECT_EQ(RowText(dialog, 0), QString::fromUtf8("再起動を実行しました。"));
    EXPECT_EQ(RowText(dialog, 1), KorvaneApp::Text(Zelt::Text::ProgressDeviceBusy)) << "busy";
    EXPECT_EQ(RowText(dialog, 2), KorvaneApp::Text(Zelt::Text::ProgressNoPassword))
        << "no password: nothing was sent";
    EXPECT_EQ(RowText(dialog, 3), KorvaneApp::Text(Zelt::Text::ProgressStarted))
        << "the silent device is still running";

    dialog.reject();
    EXPECT_FALSE(dialog.Operation()->IsFinished()) << "Escape is ignored while rows are outstanding";
    answerer.SetAnswer(QMessageBox::Yes);
    dialog.CancelButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::ConfirmCancel)});
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return dialog.Operation()->IsFinished(); }));
    EXPECT_EQ(RowText(dialog, 3), KorvaneApp::Text(Zelt::Text::ProgressCancelled));
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
    EXPECT_FALSE(dialog.CancelButton()->isEnabled());

    answerer.Clear();
    answerer.SetAnswer(QMessageBox::No);
    dialog.reject();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::AskSetPasswordAgain)})
        << "after the run Escape closes as the close button does: the device without a password is offered";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(sim.State(0).power, "rebooting");
}

TEST_F(SimulatedDevices, ThePasswordGoesToTheChosenDeviceEvenWhenTwoShareAName) {
    Simulator sim({"--count", "2", "--base", "127.87.2.1", "--http-port", "0"});
    sim.Set(1, "hostname", "ks-001");
    const std::vector<std::string> macs = Manage(sim, {0, 1});
    PasswordDialog dialog(manager, std::string(), 0);
    ASSERT_EQ(dialog.DeviceList()->count(), 2);
    EXPECT_EQ(dialog.DeviceList()->itemText(0), dialog.DeviceList()->itemText(1));
    dialog.DeviceList()->setCurrentIndex(1);
    dialog.PasswordEdit()->setText(QStringLiteral("second"));
    dialog.accept();
    EXPECT_EQ(answerer.Texts(),
              QStringList{QString::fromUtf8("KORVANE の名前 ： ks-001\n認証用パスワードを設定しました。")});
    EXPECT_EQ(manager.FindDevice(macs[1])->GetPassword(), "second");
    EXPECT_NE(manager.FindDevice(macs[0])->GetPassword(), "second");
    EXPECT_FALSE(manager.FindDevice(macs[1])->GetSavePassword());
    EXPECT_TRUE(dialog.PasswordEdit()->text().isEmpty()) << "several devices: it stays open for the next";
    EXPECT_FALSE(dialog.SaveBox()->isChecked());

    answerer.Clear(); // a device removed meanwhile: the message carries no icon
    PasswordDialog gone(manager, macs[0], PASSWORD_PROMPT_ENTER);
    manager.DeleteDevice(macs[0]);
    gone.accept();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::PasswordDeviceNotInList)});
    EXPECT_EQ(answerer.Icons(), QList<QMessageBox::Icon>{QMessageBox::NoIcon});
}

TEST_F(SimulatedDevices, ExitDuringAnUpdateOfSilentDevicesReturnsAtOnce) {
    Simulator sim({"--count", "3", "--base", "127.87.3.1", "--http-port", "0"});
    Manage(sim);
    for (int i = 0; i < 3; ++i) {
        sim.Set(i, "mode", "silent");
    }
    MainWindow& window = Open();
    window.Scheduler().Refresh();
    ASSERT_EQ(window.Scheduler().Activity(), 2);
    const auto start = std::chrono::steady_clock::now();
    window.Exit(false);
    CloseWindow();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(SimulatedDevices, AFullUpdateFillsTheListAndTheBandTellsWhenItEnded) {
    Simulator sim({"--count", "3", "--base", "127.87.4.1", "--http-port", "0"});
    Manage(sim);
    MainWindow& window = Open();
    window.RunCommand(32816);
    EXPECT_EQ(window.Scheduler().Activity(), 2);
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return window.Scheduler().Activity() == 0; }));
    EXPECT_FALSE(manager.FindDevice(CKorvaneAdminInfoMgr::NormalizeMac(sim.Devices()[0].mac))
                     ->GetRootNode()
                     .SelectNodes("raid")
                     .empty())
        << "the full information arrived";
    EXPECT_EQ(window.List()->topLevelItemCount(), 3);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(window.Buttons()->UpdateState())
                    .hasMatch())
        << window.Buttons()->UpdateState().toStdString();
}

TEST_F(SimulatedDevices, WebPageCommandsOpenAPagePerSelectedDeviceAndRefuseQuotaOnQrxXv) {
    Simulator sim({"--count", "3", "--base", "127.87.6.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    AppTesting::UrlCatcher browser(QStringLiteral("http"));
    MainWindow& window = Open();
    Select({macs[0], macs[1]});
    window.RunCommand(32806);
    EXPECT_EQ(browser.Urls(), (QStringList{"http://127.87.6.1/detail/basic/network/network.cgi",
                                           "http://127.87.6.2/login/admin/network/lan1/ipv4/ipv4"}));
    Select({macs[2]});
    window.RunCommand(32809);
    ASSERT_EQ(answerer.Texts().size(), 1);
    EXPECT_TRUE(answerer.Texts()[0].contains(QString::fromUtf8("使用量制限機能に対応していません")))
        << "QRX-XV";
    EXPECT_EQ(browser.Urls().size(), 2);
}
