// The main window over sample devices, without a network: command target checks, the status
// pane, the list's sorting, refreshing and colours, geometry, the update guard and the balloon.
#include "AppText.h"
#include "ButtonBand.h"
#include "ColumnDialog.h"
#include "CommandTable.h"
#include "GroupTreeView.h"
#include "InfoListView.h"
#include "KorvaneManagerApp.h"
#include "NotifyIcon.h"
#include "PasswordDialog.h"
#include "SampleDevices.h"
#include "UpdateIntervalDialog.h"
#include "UrlCatcher.h"
#include "WindowFixture.h"
#include "WindowUpdateHost.h"
#include "admin/PasswordTexts.h"
#include "admin/SettingsLock.h"
#include "admin/StatusPane.h"
#include "common/ProcessRun.h"
#include "support/StringTable.h"

#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using AdminTesting::SampleDevice;

namespace {

// Three devices: ks-b (normal), ks-a (unreachable at the last update), ks-c (error condition).
class SampleWindow : public ::testing::Test, public AppTesting::WindowFixture {
protected:
    void SetUp() override {
        manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:01", "ks-b", "198.18.0.12"));
        manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:02", "ks-a", "198.18.0.10"));
        CManagedDevice error = SampleDevice("qrx-xv", "02:4B:53:00:00:03", "ks-c", "198.18.0.11");
        AdminTesting::SetInfoText(error, "statusinfo/status/@condition", "ERROR");
        AdminTesting::SetInfoText(error, "statusinfo/status/error[@type='diskerror']/param", "NG");
        manager.AddOrUpdate(error);
        manager.MarkUnreachable("02:4B:53:00:00:02");
        manager.FindDevice("02:4B:53:00:00:02")->SetStatusBits(STATUS_BIT_UNREACHABLE);
    }

    QStringList HostColumn() {
        QStringList hosts;
        for (int i = 0; i < Window().List()->topLevelItemCount(); ++i) {
            hosts << Window().List()->topLevelItem(i)->text(0);
        }
        return hosts;
    }
};

} // namespace

TEST_F(SampleWindow, EachCommandChecksItsOwnTargets) {
    Open();
    Window().RunCommand(ID_POWER_OFF);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::NothingSelected)})
        << "nothing selected";
    answerer.Clear();

    Select({"02:4B:53:00:00:01", "02:4B:53:00:00:03"});
    Window().RunCommand(ID_DETAIL);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::MoreThanOneSelected)})
        << "the detail report takes one device";
    answerer.Clear();

    manager.SetGroup("空", {});
    Window().RebuildTree();
    Window().Tree()->setCurrentItem(Window().Tree()->topLevelItem(0)->child(0));
    ASSERT_EQ(Window().List()->topLevelItemCount(), 0);
    Window().RunCommand(ID_GROUP_POWER_ON);
    EXPECT_TRUE(answerer.Texts().isEmpty()) << "a batch on an empty group does nothing, silently";

    Window().RunCommand(ID_REMOVE);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::NothingSelected)});
}

TEST_F(SampleWindow, RemoveTakesEverySelectedRowWithoutAQuestion) {
    Open();
    Select({"02:4B:53:00:00:01", "02:4B:53:00:00:02", "02:4B:53:00:00:03"});
    Window().RunCommand(ID_REMOVE);
    EXPECT_TRUE(answerer.Texts().isEmpty());
    EXPECT_EQ(Window().List()->topLevelItemCount(), 0);
    EXPECT_TRUE(manager.Devices().empty());
}

TEST_F(SampleWindow, TheStatusPaneShowsTheFirstSelectedDevice) {
    Open();
    Select({"02:4B:53:00:00:03"});
    QStringList expected;
    for (const std::string& line : CStatusPane::Lines(*manager.FindDevice("02:4B:53:00:00:03"))) {
        expected << QString::fromStdString(line);
    }
    QStringList shown;
    for (int i = 0; i < Window().StatusPane()->count(); ++i) {
        shown << Window().StatusPane()->item(i)->text();
    }
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(shown.value(0).startsWith(AppTesting::InLanguage("ks-cの状態", "Status of ks-c")));
    // The topmost selected row, not the one selected first.
    Window().List()->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(Window().StatusPane()->item(0)->text().startsWith(
        AppTesting::InLanguage("ks-bの状態", "Status of ks-b")));
    Window().List()->clearSelection();
    EXPECT_EQ(Window().StatusPane()->count(), 0);
}

TEST_F(SampleWindow, MarkupInADeviceNameOrAGroupNameIsShownAsText) {
    const std::string mac = "02:4B:53:00:00:04";
    manager.AddOrUpdate(SampleDevice("qrx-x", mac, "<b>x</b>", "198.18.0.13"));
    manager.SetGroup("<i>g</i>", {mac});
    Open();
    EXPECT_EQ(Window().Tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("<i>g</i>"));
    Select({mac});
    const QTreeWidgetItem* pRow = Window().List()->selectedItems().value(0);
    ASSERT_NE(pRow, nullptr);
    EXPECT_EQ(pRow->text(0), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(AppTesting::ShownText(pRow->toolTip(0)), QStringLiteral("<b>x</b>"));
    EXPECT_TRUE(Window().StatusPane()->item(0)->text().startsWith(
        AppTesting::InLanguage("<b>x</b>の状態", "Status of <b>x</b> ")));

    PasswordDialog dialog(manager, mac, PASSWORD_PROMPT_ENTER, &Window());
    dialog.PasswordEdit()->setText(QStringLiteral("pw"));
    dialog.accept();
    EXPECT_EQ(answerer.Texts(), QStringList{AppTesting::InLanguage(
                                    "KORVANE の名前 ： <b>x</b>\n認証用パスワードを設定しました。",
                                    "KORVANE device: <b>x</b>\nThe administrator password is set.")});
}

TEST_F(SampleWindow, HeaderClicksSortDescendingThenAscendingWithTheArrow) {
    Open();
    QHeaderView* pHeader = Window().List()->header();
    EXPECT_EQ(pHeader->sortIndicatorSection(), 0);
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::DescendingOrder) << "the first header starts with the arrow";
    EXPECT_EQ(HostColumn(), (QStringList{"ks-b", "ks-a", "ks-c"})) << "in key order, unsorted";

    // The first header shows the down arrow, so its first click turns it up: ascending.
    Window().List()->SortByColumn(0);
    EXPECT_EQ(HostColumn(), (QStringList{"ks-a", "ks-b", "ks-c"}));
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::AscendingOrder);
    Window().List()->SortByColumn(0);
    EXPECT_EQ(HostColumn(), (QStringList{"ks-c", "ks-b", "ks-a"}));
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::DescendingOrder);
    Window().List()->SortByColumn(0);
    EXPECT_EQ(HostColumn(), (QStringList{"ks-a", "ks-b", "ks-c"}));
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::AscendingOrder);

    // Any other column: descending, ascending, descending.
    for (const Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder, Qt::DescendingOrder}) {
        Window().List()->SortByColumn(0 + 2);
        EXPECT_EQ(pHeader->sortIndicatorSection(), 2);
        EXPECT_EQ(pHeader->sortIndicatorOrder(), order);
    }
}

TEST_F(SampleWindow, RefreshKeepsARowThatLeftTheGroupAndShowRemovesIt) {
    manager.SetGroup("棚", {"02:4B:53:00:00:01", "02:4B:53:00:00:02"});
    Open();
    Window().Tree()->setCurrentItem(Window().Tree()->topLevelItem(0)->child(0));
    ASSERT_EQ(HostColumn(), (QStringList{"ks-b", "ks-a"}));
    manager.SetGroup("棚", {"02:4B:53:00:00:01"});
    Window().RefreshList();
    EXPECT_EQ(HostColumn(), (QStringList{"ks-b", "ks-a"}));
    Window().ShowSelectedGroup();
    EXPECT_EQ(HostColumn(), QStringList{"ks-b"});
}

TEST_F(SampleWindow, UnreachableRowsAreGreyAndAlertingRowsRed) {
    Open();
    InfoListView* pList = Window().List();
    ASSERT_EQ(pList->topLevelItemCount(), 3);
    const QTreeWidgetItem* pNormal = pList->topLevelItem(0);
    const QTreeWidgetItem* pUnreachable = pList->topLevelItem(1);
    const QTreeWidgetItem* pError = pList->topLevelItem(2);
    EXPECT_EQ(pUnreachable->background(0).color(), QColor(204, 204, 204));
    EXPECT_EQ(pNormal->background(0).style(), Qt::NoBrush);
    EXPECT_EQ(pError->foreground(3).color(), QColor(255, 0, 0));
    EXPECT_EQ(pNormal->foreground(0).style(), Qt::NoBrush);
}

TEST_F(SampleWindow, WithoutStoredGeometryTheWindowDerivesItAndAMinimisedExitForgetsIt) {
    MainWindow& window = Open();
    const WindowNumbers numbers = manager.m_window;
    EXPECT_EQ(numbers[2], window.height());
    EXPECT_EQ(numbers[3], window.width());
    EXPECT_EQ(numbers[4], window.height() / 5 * 4 - 100);
    EXPECT_EQ(numbers[5], window.width() / 5);
    EXPECT_GE(window.minimumWidth(), 500);
    EXPECT_GE(window.minimumHeight(), 400);

    window.showMinimized();
    window.Exit(false);
    EXPECT_EQ(manager.m_window, (WindowNumbers{-1, -1, -1, -1, -1, -1}));
    CKorvaneAdminInfoMgr reloaded;
    ASSERT_EQ(File().Load(reloaded).outcome, SettingsLoadOutcome::Loaded) << "exit saves the settings";
    EXPECT_EQ(reloaded.Devices().size(), 3u);
}

TEST_F(SampleWindow, ABusyWindowRetriesTheIntervalUpdateAndSkipsTheStatusUpdate) {
    manager.m_nUpdateInterval = 10;
    Open();
    WindowUpdateHost* pHost = Window().UpdateHost();
    EXPECT_EQ(pHost->TimerPeriod(CUpdateScheduler::INTERVAL_TIMER), 10 * 1000);
    EXPECT_EQ(pHost->TimerPeriod(CUpdateScheduler::STATUS_TIMER), 60000);
    Window().Scheduler().SetActivity(1);
    emit pHost->TimerFired(CUpdateScheduler::INTERVAL_TIMER);
    EXPECT_EQ(pHost->TimerPeriod(CUpdateScheduler::INTERVAL_TIMER), 10000);
    const QString before = Window().Buttons()->UpdateState();
    emit pHost->TimerFired(CUpdateScheduler::STATUS_TIMER);
    EXPECT_EQ(Window().Buttons()->UpdateState(), before) << "no status update while busy";
}

TEST_F(SampleWindow, StoredWarningsGiveOneBalloonAtStartAndNoneForTheSameAlerts) {
    Open();
    EXPECT_EQ(Window().statusBar()->currentMessage(),
              NotifyIcon::BalloonTitle() + ": " + NotifyIcon::BalloonText(2).replace('\n', ' '))
        << "without a tray the balloon goes to the status bar; a device at error level";
    QSignalSpy balloons(Window().UpdateHost(), &WindowUpdateHost::BalloonRequested);
    Window().Scheduler().CheckNotification();
    EXPECT_EQ(balloons.count(), 0);
}

TEST_F(SampleWindow, WithoutATrayClosingMinimisesInsteadOfHiding) {
    MainWindow& window = Open(false);
    window.show();
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
}

TEST_F(SampleWindow, MenuItemsCarryTheirDescriptions) {
    Open();
    for (int nCommand :
         {ID_POWER_ON, ID_GROUP_POWER_ON, ID_MELODY_START, ID_MELODY_STOP, ID_REFRESH, ID_APP_EXIT}) {
        const QAction* pAction = Window().findChild<QAction*>(QStringLiteral("command%1").arg(nCommand));
        ASSERT_NE(pAction, nullptr) << nCommand;
        EXPECT_FALSE(pAction->statusTip().isEmpty()) << nCommand;
        EXPECT_FALSE(pAction->statusTip().contains('\n')) << nCommand;
    }
    // Hovering shows the description; leaving brings the idle text back.
    const QString ready = KorvaneApp::Text(Zelt::Text::StatusBarReady);
    for (int i = 0; i < 2; ++i) {
        Window().findChild<QAction*>(QStringLiteral("command%1").arg(ID_REFRESH))->showStatusText(&Window());
        EXPECT_EQ(Window().statusBar()->currentMessage(), CommandTable::Description(ID_REFRESH));
        QStatusTipEvent leave{QString()};
        QCoreApplication::sendEvent(&Window(), &leave);
        EXPECT_EQ(Window().statusBar()->currentMessage(), ready);
    }
    EXPECT_EQ(CommandTable::Description(ID_POWER_ON),
              AppTesting::InLanguage("KORVANE の電源を ON にします。", "Powers the KORVANE device on."));
    EXPECT_EQ(CommandTable::Tooltip(ID_GROUP_POWER_ON),
              AppTesting::InLanguage("一括電源 ON", "Power on all"));
    EXPECT_EQ(CommandTable::MenuText(ID_POWER_OFF), AppTesting::InLanguage("電源OFF(&S)", "&Shut Down"));
    EXPECT_EQ(CommandTable::PlainText(ID_POWER_OFF), AppTesting::InLanguage("電源OFF", "Shut Down"));
    EXPECT_EQ(CommandTable::PlainText(ID_DETAIL), AppTesting::InLanguage("詳細情報", "Details"));
    EXPECT_EQ(CommandTable::CommandOfContextCode(100), ID_DETAIL);
    EXPECT_EQ(CommandTable::CommandOfContextCode(111), ID_MELODY_STOP);
    EXPECT_EQ(CommandTable::CommandOfContextCode(204), ID_GROUP_ECO);
    EXPECT_EQ(CommandTable::CommandOfContextCode(112), 0);
}

TEST(SingleInstance, ASecondStartSaysSoAndEnds) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "korvane-admin-instance-test";
    std::filesystem::create_directories(folder);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder.string()));
    const CSettingsLock first(KorvaneManagerApp::InstanceMarkerPath().toStdString());
    ASSERT_TRUE(first.IsHeld());
    AppTesting::ModalAnswerer answerer;
    EXPECT_EQ(KorvaneManagerApp::Run({"korvane-admin"}), 0);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::AlreadyRunning)});
    std::filesystem::remove_all(folder);
}

// The real program, with no display to open: help and version must not need one.
TEST(CommandLine, HelpAndVersionPrintAndExitWithoutADisplay) {
    const auto run = [](const char* option, std::string_view language = "ja") {
        return KorvaneTesting::RunProcess(
            "/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                             "KORVANE_LANG=" + std::string(language), KORVANE_ADMIN_PATH, option});
    };
    for (const Zelt::Language language : {Zelt::Language::Japanese, Zelt::Language::English}) {
        const KorvaneTesting::ProcessResult help = run("--help", Zelt::CLanguage::Code(language));
        EXPECT_EQ(help.exitCode, 0) << help.err;
        EXPECT_EQ(help.out, Zelt::CStringTable::Text(Zelt::Text::AdminCommandLineHelp, language));
    }
    const KorvaneTesting::ProcessResult version = run("--version");
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "korvane-admin " KORVANE_VERSION "\n");
}

TEST(UpdateIntervalDialog, OffersFiveChoicesAndKeepsAnUnknownValueUnselected) {
    EXPECT_EQ(UpdateIntervalDialog(-1).Interval(), 0) << "nothing stored yet: the first entry";
    EXPECT_EQ(UpdateIntervalDialog(30).Interval(), 30);
    UpdateIntervalDialog unknown(15);
    EXPECT_EQ(unknown.Choices()->count(), 5);
    EXPECT_EQ(unknown.Choices()->currentIndex(), -1);
    EXPECT_EQ(unknown.Interval(), -1) << "an empty selection is stored as -1";
    EXPECT_EQ(unknown.Choices()->itemText(4), AppTesting::InLanguage("60 分", "60 minutes"));
}

TEST_F(SampleWindow, TheColumnDialogRebuildsTheListsColumnsAndStoresTheKeys) {
    Open();
    const int nDefaultColumns = Window().List()->columnCount();
    answerer.SetDialogHandler([](QWidget* pModal) {
        auto* pDialog = qobject_cast<ColumnDialog*>(pModal);
        ASSERT_NE(pDialog, nullptr);
        for (QCheckBox* pBox : pDialog->Boxes()) {
            pBox->setChecked(false);
        }
        pDialog->accept();
    });
    Window().RunCommand(ID_COLUMNS);
    EXPECT_EQ(Window().List()->columnCount(), 2) << "the name and the status are always shown";
    EXPECT_EQ(manager.m_columnKeys, (std::vector<std::string>{"host", "status"}));
    EXPECT_EQ(Window().List()->topLevelItem(0)->text(1), AppTesting::InLanguage("正常", "Normal"));

    answerer.SetDialogHandler([](QWidget* pModal) {
        auto* pDialog = qobject_cast<ColumnDialog*>(pModal);
        pDialog->ResetToDefaults();
        pDialog->accept();
    });
    Window().RunCommand(ID_COLUMNS);
    EXPECT_EQ(Window().List()->columnCount(), nDefaultColumns);
}

TEST_F(SampleWindow, TheManualCommandOpensThePdfOfTheLanguageBesideTheProgram) {
    AppTesting::UrlCatcher viewer(QStringLiteral("file"));
    Open();
    Window().RunCommand(ID_MANUAL);
    ASSERT_EQ(viewer.Urls().size(), 1);
    EXPECT_EQ(viewer.Urls()[0],
              QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/" +
                                  AppTesting::InLanguage("KorvaneAdmin.pdf", "KorvaneAdmin.en.pdf"))
                  .toString());
}

TEST_F(SampleWindow, TheLanguageChoiceIsStoredAndTakesEffectAtTheNextStart) {
    const auto choose = [this](const QString& text) {
        const QMenu* pMenu = Window().findChild<QMenu*>(QStringLiteral("languageMenu"));
        EXPECT_NE(pMenu, nullptr);
        for (QAction* pAction : pMenu != nullptr ? pMenu->actions() : QList<QAction*>()) {
            if (pAction->text() == text) {
                pAction->trigger();
                return pAction->isChecked();
            }
        }
        return false;
    };
    Open();
    const QString menuBefore = Window().menuBar()->actions()[0]->text();
    EXPECT_TRUE(choose(QStringLiteral("English")));
    EXPECT_EQ(answerer.Texts(), QStringList{Text(Zelt::Text::LanguageAppliesAtNextStart)});
    EXPECT_EQ(Window().menuBar()->actions()[0]->text(), menuBefore) << "the running window keeps its texts";
    CKorvaneAdminInfoMgr stored;
    ASSERT_EQ(File().Load(stored).outcome, SettingsLoadOutcome::Loaded);
    EXPECT_EQ(stored.m_language, Zelt::Language::English);

    Open();
    EXPECT_TRUE(choose(QString::fromUtf8("日本語")));
    EXPECT_TRUE(choose(Text(Zelt::Text::LanguageFollowSystem)));
    ASSERT_EQ(File().Load(stored).outcome, SettingsLoadOutcome::Loaded);
    EXPECT_EQ(stored.m_language, std::nullopt);
    EXPECT_EQ(answerer.Texts().size(), 3);
}

// The runtime folder is a file: the instance check cannot work, which is reported, and the
// program starts all the same (only a running copy ends it).
TEST(Startup, AnUnusableInstanceMarkerAndADamagedFileAreReportedATrayStartStaysReachableAndExitSaves) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "korvane-admin-startup-test";
    std::filesystem::remove_all(folder);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((folder / "run").string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((folder / "config").string()));
    std::filesystem::create_directories(CSettingsFile::DefaultPath().parent_path());
    std::ofstream(CSettingsFile::DefaultPath()) << "not a settings file";
    std::ofstream(folder / "run") << "not a folder";

    AppTesting::ModalAnswerer answerer(QMessageBox::Yes);
    bool bMinimised = false;
    QString statusText;
    // Once the window is up and the event loop runs: look at it, then end the program.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            if (auto* pWindow = qobject_cast<MainWindow*>(pWidget);
                pWindow != nullptr && pWindow->isMinimized()) {
                bMinimised = true;
                statusText = pWindow->statusBar()->currentMessage();
                watcher.stop();
                pWindow->RunCommand(ID_APP_EXIT);
            }
        }
    });
    watcher.start(100);
    QTimer::singleShot(10000, [] { QCoreApplication::exit(0); });
    EXPECT_EQ(KorvaneManagerApp::Run({"korvane-admin", "-tasktray"}), 0);
    ASSERT_EQ(answerer.Texts().size(), 3) << answerer.Texts().join(QLatin1Char('|')).toStdString();
    const QString instanceText = answerer.Texts()[0];
    EXPECT_TRUE(
        instanceText.startsWith(KorvaneApp::Text(Zelt::Text::InstanceCheckFailed).section('\n', 0, 0)))
        << instanceText.toStdString();
    EXPECT_TRUE(instanceText.contains(QString::fromStdString((folder / "run").string()))) << "names the path";
    EXPECT_EQ(answerer.Texts().mid(1), (QStringList{KorvaneApp::Text(Zelt::Text::SettingsFileDamaged),
                                                    KorvaneApp::Text(Zelt::Text::ConfirmExit)}));
    ASSERT_EQ(answerer.ButtonTexts().size(), 3);
    EXPECT_EQ(answerer.ButtonTexts()[2], AppTesting::InLanguage("はい(&Y)|いいえ(&N)", "&Yes|&No"))
        << "the exit question's buttons speak its language";
    EXPECT_TRUE(bMinimised) << "offscreen has no tray: the window starts minimised, not hidden";
    EXPECT_EQ(statusText, KorvaneApp::Text(Zelt::Text::NoNotificationArea));
    CKorvaneAdminInfoMgr saved;
    EXPECT_EQ(CSettingsFile().Load(saved).outcome, SettingsLoadOutcome::Loaded) << "the exit command saved";
    EXPECT_EQ(saved.m_window, (WindowNumbers{-1, -1, -1, -1, -1, -1})) << "it was minimised";
    qunsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(folder);
}

TEST_F(SampleWindow, CommandsOpenTheirDialogsAndTheDetailReportHoldsTheActivity) {
    Open();
    QStringList opened;
    int nActivityWhileOpen = -1;
    QPointer<QWidget> pAnswered;
    answerer.SetDialogHandler([&](QWidget* pModal) {
        // The detail report closes only once its cancelled fetch has ended: answer it once.
        if (pModal == pAnswered) {
            return;
        }
        pAnswered = pModal;
        opened << QString::fromLatin1(pModal->metaObject()->className());
        nActivityWhileOpen = Window().Scheduler().Activity();
        qobject_cast<QDialog*>(pModal)->reject();
    });
    manager.SetPassword("02:4B:53:00:00:01", "pw", true);
    Select({"02:4B:53:00:00:01"});
    Window().RunCommand(ID_DETAIL);
    EXPECT_EQ(opened, QStringList{"KorvaneApp::DetailInfoDialog"});
    EXPECT_EQ(nActivityWhileOpen, 3);
    EXPECT_EQ(Window().Scheduler().Activity(), 0);

    opened.clear();
    Window().RunCommand(ID_MAIL_SETTINGS);
    Window().RunCommand(ID_GROUP_CREATE);
    Window().RunCommand(ID_ADD);
    EXPECT_EQ(opened, (QStringList{"KorvaneApp::MailSettingDialog", "KorvaneApp::GroupCreateDialog",
                                   "KorvaneApp::AddTargetDialog"}));

    opened.clear();
    Window().Scheduler().SetActivity(2);
    Window().RunCommand(ID_FIND);
    EXPECT_TRUE(opened.isEmpty()) << "no search while an update runs";
    Window().Scheduler().SetActivity(0);
}

// A device with a password seen at another address: its row and status pane say so, the user is
// asked once with the device, its MAC and both addresses; "no" keeps it waiting, the command asks
// again, and "yes" moves it.
TEST_F(SampleWindow, ADeviceSeenElsewhereIsAskedAboutWithBothAddressesUntilApproved) {
    const std::string mac = "02:4B:53:00:00:01";
    manager.SetPassword(mac, "pw", true);
    manager.AddOrUpdate(SampleDevice("qrx-x", mac, "ks-b", "198.18.0.66"));
    Open();
    Select({mac});
    const QTreeWidgetItem* pRow = Window().List()->selectedItems().value(0);
    ASSERT_NE(pRow, nullptr);
    bool bStateShown = false;
    for (int nColumn = 0; nColumn < pRow->columnCount(); ++nColumn) {
        bStateShown |= pRow->text(nColumn) == KorvaneApp::Text(Zelt::Text::AddressUnapproved);
    }
    EXPECT_TRUE(bStateShown) << "the status cell says the address waits for approval";
    const QString waitingLine = Qs(CStatusPane::Lines(*manager.FindDevice(mac)).at(2));
    EXPECT_TRUE(waitingLine.contains("198.18.0.66") && waitingLine.contains("198.18.0.12"))
        << waitingLine.toStdString();
    EXPECT_EQ(Window().StatusPane()->item(2)->text(), waitingLine);

    answerer.SetAnswer(QMessageBox::No);
    Window().AskNewApprovals();
    ASSERT_EQ(answerer.Texts().size(), 1);
    for (const char* pszPart : {"ks-b", "02:4B:53:00:00:01", "198.18.0.12", "198.18.0.66"}) {
        EXPECT_TRUE(answerer.Texts().front().contains(pszPart)) << pszPart;
    }
    Window().AskNewApprovals();
    EXPECT_EQ(answerer.Texts().size(), 1) << "an answered address is not asked about again";
    EXPECT_EQ(manager.FindDevice(mac)->GetIPv4Address(), "198.18.0.12");

    answerer.SetAnswer(QMessageBox::Yes);
    Window().RunCommand(ID_APPROVE_ADDRESS);
    EXPECT_EQ(answerer.Texts().size(), 2);
    EXPECT_EQ(manager.FindDevice(mac)->GetIPv4Address(), "198.18.0.66");
    EXPECT_FALSE(manager.FindDevice(mac)->HasUnapprovedAddresses());
    Window().RunCommand(ID_APPROVE_ADDRESS);
    EXPECT_EQ(answerer.Texts().back(), KorvaneApp::Text(Zelt::Text::NoAddressToApprove))
        << "nothing waits any more";
}
