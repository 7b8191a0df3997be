// The desktop program on a real X display (Xvfb): the main window on a dozen simulated devices,
// kept as a screenshot for people to look at, and the tray icon under a real tray host.
#include "AboutDialog.h"
#include "AddTargetDialog.h"
#include "ColumnDialog.h"
#include "DetailInfoDialog.h"
#include "EcoModeDialog.h"
#include "FindKorvaneDialog.h"
#include "FirmwareDialog.h"
#include "GroupDialog.h"
#include "GroupTreeView.h"
#include "InfoListView.h"
#include "KorvaneManagerApp.h"
#include "MailSettingDialog.h"
#include "MonitoredDevices.h"
#include "NotifyIcon.h"
#include "PasswordDialog.h"
#include "UpdateIntervalDialog.h"
#include "WindowFixture.h"
#include "common/Simulator.h"

#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using KorvaneTesting::Simulator;

namespace {

class DesktopSession : public ::testing::Test, public AppTesting::WindowFixture {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "needs an X display (ctest runs this under xvfb-run)";
        }
        KorvaneManagerApp::UseJapaneseFont();
    }

    void Manage(Simulator& sim) {
        OperationsTesting::ManageSimulated(manager, sim);
        manager.SetGroup("棚 A", {CKorvaneAdminInfoMgr::NormalizeMac(sim.Devices()[0].mac)});
    }

    // Every character of the texts the window shows, missing from the font it is drawn with.
    static QString MissingCharacters(const MainWindow& window) {
        QStringList texts;
        const InfoListView* pList = window.List();
        for (int c = 0; c < pList->columnCount(); ++c) {
            texts << pList->headerItem()->text(c);
            for (int r = 0; r < pList->topLevelItemCount(); ++r) {
                texts << pList->topLevelItem(r)->text(c);
            }
        }
        for (int r = 0; r < window.StatusPane()->count(); ++r) {
            texts << window.StatusPane()->item(r)->text();
        }
        for (const QAction* pMenu : window.menuBar()->actions()) {
            texts << pMenu->text();
        }
        texts << window.Tree()->topLevelItem(0)->text(0);
        const QFontMetrics metrics(pList->font());
        QString missing;
        for (const QString& text : texts) {
            for (const char32_t c : text.toUcs4()) {
                if (c > 0x7F && !metrics.inFontUcs4(c) && !missing.contains(QString::fromUcs4(&c, 1))) {
                    missing += QString::fromUcs4(&c, 1);
                }
            }
        }
        return missing;
    }
};

} // namespace

TEST_F(DesktopSession, TheMainWindowShowsTheDemoDevices) {
    Simulator sim({"--count", "12", "--base", "127.87.5.1", "--http-port", "0"});
    Manage(sim);
    MainWindow& window = Open();
    window.Scheduler().Refresh();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return window.Scheduler().Activity() == 0; }));
    window.resize(1200, 760);
    window.show();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return window.isVisible(); }));
    window.List()->topLevelItem(4)->setSelected(true);
    AppTesting::WaitUntil([] { return false; }, 300);

    const QImage shot = window.grab().toImage();
    const QString folder = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    ASSERT_TRUE(shot.save(folder + QStringLiteral("/main-window.png")));
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 4) {
        for (int x = 0; x < shot.width(); x += 4) {
            colours.insert(shot.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 40) << "an empty window has a handful of colours";
    EXPECT_EQ(window.List()->topLevelItemCount(), 12);
    EXPECT_GT(window.StatusPane()->count(), 2);
    EXPECT_EQ(MissingCharacters(window), QString())
        << "font: " << window.List()->font().family().toStdString();
}

TEST_F(DesktopSession, UnderATrayHostCloseHidesToTheIconAndItsMenuBringsTheWindowBack) {
    QProcess trayHost;
    trayHost.start(QStringLiteral("trayer"), {});
    if (!trayHost.waitForStarted(5000)) {
        GTEST_SKIP() << "trayer is not installed";
    }
    ASSERT_TRUE(AppTesting::WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    MainWindow& window = Open(true);
    window.show();
    ASSERT_TRUE(window.Tray()->IsAvailable());
    window.close();
    EXPECT_FALSE(window.isVisible()) << "closing hides the window to the tray";
    window.Tray()->ShowBalloon(1);
    window.RunCommand(32845);
    EXPECT_TRUE(AppTesting::WaitUntil([&] { return window.isVisible(); }));
    CloseWindow();
    trayHost.terminate();
    trayHost.waitForFinished(5000);
}

TEST_F(DesktopSession, EveryDialogIsKeptAsAScreenshot) {
    Simulator sim({"--count", "3", "--base", "127.87.7.1", "--http-port", "0"});
    Manage(sim);
    const std::vector<std::string> macs = manager.Macs();
    const QString folder = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    const auto keep = [&](QDialog& dialog, const char* pszName) {
        dialog.show();
        AppTesting::WaitUntil([] { return false; }, 200);
        const QImage shot = dialog.grab().toImage();
        EXPECT_TRUE(shot.save(folder + QStringLiteral("/dialog-%1.png").arg(QString::fromLatin1(pszName))))
            << pszName;
        EXPECT_GT(shot.width() * shot.height(), 100 * 50) << pszName;
        dialog.hide();
    };
    DetailInfoDialog detail(manager, macs[0]);
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return !detail.IsFetching(); }));
    keep(detail, "detail");
    AboutDialog about;
    keep(about, "about");
    PasswordDialog password(manager, std::string(), 0);
    keep(password, "password");
    UpdateIntervalDialog interval(10);
    keep(interval, "interval");
    InfoColumnTable columns;
    ColumnDialog columnDialog(columns);
    keep(columnDialog, "columns");
    FindKorvaneDialog find(manager);
    keep(find, "find");
    AddTargetDialog add(manager);
    keep(add, "add");
    manager.SetGroup("棚 A", {macs[0]});
    GroupEditDialog group(manager);
    keep(group, "group-edit");
    CMailSettings mail;
    MailSettingDialog mailDialog(mail);
    keep(mailDialog, "mail");
    FirmwareDialog firmware(manager, macs);
    keep(firmware, "firmware");
    EcoModeDialog eco(manager, macs);
    keep(eco, "eco");
}
