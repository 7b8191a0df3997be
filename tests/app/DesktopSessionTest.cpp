// The desktop program on a real X display (Xvfb): the main window on a dozen simulated devices,
// kept as a screenshot for people to look at, and the tray icon under a real tray host.
#include "AboutDialog.h"
#include "AddTargetDialog.h"
#include "ColumnDialog.h"
#include "CommandTable.h"
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
#include "ProgressDialog.h"
#include "UpdateIntervalDialog.h"
#include "WindowFixture.h"
#include "admin/SettingsFile.h"
#include "common/Simulator.h"
#include "operations/OperationKind.h"

#include <algorithm>
#include <filesystem>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
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

    // The texts a widget and its children show, each with the font it is drawn with.
    static std::vector<std::pair<QString, QFont>> ShownTexts(const QWidget& top) {
        std::vector<std::pair<QString, QFont>> texts;
        QList<const QWidget*> widgets = top.findChildren<const QWidget*>();
        widgets.prepend(&top);
        for (const QWidget* pWidget : widgets) {
            // Menus are hidden until opened; their entries are shown all the same.
            if (pWidget != &top && !pWidget->isVisibleTo(&top) &&
                qobject_cast<const QMenu*>(pWidget) == nullptr) {
                continue;
            }
            for (const QString& text : TextsOf(*pWidget)) {
                texts.emplace_back(text, pWidget->font());
            }
        }
        return texts;
    }

    static QStringList TextsOf(const QWidget& widget) {
        QStringList texts{widget.windowTitle(), widget.toolTip()};
        if (const auto* pLabel = qobject_cast<const QLabel*>(&widget)) {
            texts << pLabel->text();
        } else if (const auto* pButton = qobject_cast<const QAbstractButton*>(&widget)) {
            texts << pButton->text();
        } else if (const auto* pGroup = qobject_cast<const QGroupBox*>(&widget)) {
            texts << pGroup->title();
        } else if (const auto* pTabs = qobject_cast<const QTabBar*>(&widget)) {
            for (int i = 0; i < pTabs->count(); ++i) {
                texts << pTabs->tabText(i);
            }
        } else if (const auto* pCombo = qobject_cast<const QComboBox*>(&widget)) {
            for (int i = 0; i < pCombo->count(); ++i) {
                texts << pCombo->itemText(i);
            }
        } else if (const auto* pEdit = qobject_cast<const QPlainTextEdit*>(&widget)) {
            texts << pEdit->toPlainText();
        } else if (const auto* pList = qobject_cast<const QListWidget*>(&widget)) {
            for (int r = 0; r < pList->count(); ++r) {
                texts << pList->item(r)->text();
            }
        } else if (const auto* pTree = qobject_cast<const QTreeWidget*>(&widget)) {
            texts << TreeTexts(*pTree);
        }
        for (const QAction* pAction : widget.actions()) {
            texts << pAction->text();
        }
        return texts;
    }

    static QStringList TreeTexts(const QTreeWidget& tree) {
        QStringList texts;
        for (int c = 0; c < tree.columnCount(); ++c) {
            texts << tree.headerItem()->text(c);
            for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it != nullptr; ++it) {
                texts << (*it)->text(c);
            }
        }
        return texts;
    }

    // Every character of the texts the widget shows that the font it is drawn with lacks.
    static QString MissingCharacters(const QWidget& top) {
        QString missing;
        for (const auto& [text, font] : ShownTexts(top)) {
            const QFontMetrics metrics(font);
            for (const char32_t c : text.toUcs4()) {
                const QString character = QString::fromUcs4(&c, 1);
                if (c > 0x7F && !metrics.inFontUcs4(c) && !missing.contains(character)) {
                    missing += character;
                }
            }
        }
        return missing;
    }

    static bool HasJapanese(const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) {
            const char16_t u = c.unicode();
            return (u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
                   (u >= 0xFF00 && u <= 0xFFEF);
        });
    }

    // The program's own words and Qt's: a dialog in English shows no Japanese on its buttons.
    static QStringList JapaneseButtonTexts(const QWidget& top) {
        QStringList texts;
        for (const QAbstractButton* pButton : top.findChildren<const QAbstractButton*>()) {
            if (HasJapanese(pButton->text())) {
                texts << pButton->text();
            }
        }
        return texts;
    }

    static void DragFirstPaneTo(QSplitter& splitter, int nSize) {
        const QList<int> sizes = splitter.sizes();
        splitter.setSizes({nSize, sizes.value(0) + sizes.value(1) - nSize});
    }

    // The folder of this run's screenshots, one per language (ctest names it).
    static QString ScreenshotFolder() {
        const QString folder = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR", QDir::tempPath());
        QDir().mkpath(folder);
        return folder;
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
    ASSERT_TRUE(shot.save(ScreenshotFolder() + QStringLiteral("/main-window.png")));
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 4) {
        for (int x = 0; x < shot.width(); x += 4) {
            colours.insert(shot.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 40) << "an empty window has a handful of colours";
    EXPECT_EQ(window.List()->topLevelItemCount(), 12);
    EXPECT_GT(window.StatusPane()->count(), 2);
    for (const QAction* pMenu : window.menuBar()->actions()) {
        EXPECT_EQ(HasJapanese(pMenu->text()), Zelt::CLanguage::Current() == Zelt::Language::Japanese)
            << pMenu->text().toStdString();
    }
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
    const QString folder = ScreenshotFolder();
    const auto keep = [&](QDialog& dialog, const char* pszName) {
        dialog.show();
        AppTesting::WaitUntil([] { return false; }, 200);
        const QImage shot = dialog.grab().toImage();
        EXPECT_TRUE(shot.save(folder + QStringLiteral("/dialog-%1.png").arg(QString::fromLatin1(pszName))))
            << pszName;
        EXPECT_GT(shot.width() * shot.height(), 100 * 50) << pszName;
        EXPECT_EQ(MissingCharacters(dialog), QString()) << pszName;
        if (Zelt::CLanguage::Current() == Zelt::Language::English) {
            EXPECT_EQ(JapaneseButtonTexts(dialog), QStringList()) << pszName;
        }
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
    GroupCreateDialog groupCreate(manager);
    keep(groupCreate, "group-create");
    GroupDeleteDialog groupDelete(manager);
    keep(groupDelete, "group-delete");
    ProgressDialog progress(manager);
    progress.Start(OPERATION_REBOOT, macs);
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return progress.Operation()->IsFinished(); }));
    keep(progress, "progress");
    CMailSettings mail;
    MailSettingDialog mailDialog(mail);
    keep(mailDialog, "mail");
    FirmwareDialog firmware(manager, macs);
    keep(firmware, "firmware");
    EcoModeDialog eco(manager, macs);
    keep(eco, "eco");
}

// The program started three times: each start shows the pane sizes the last exit stored, also
// those the user set by hand.
TEST_F(DesktopSession, EveryStartShowsThePaneSizesTheLastExitStored) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "korvane-admin-panes-test";
    std::filesystem::remove_all(folder);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((folder / "run").string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((folder / "config").string()));
    using Panes = std::pair<int, int>; // the list row's height, the tree's width
    const auto start = [](std::optional<Panes> setByHand) {
        Panes shown{-1, -1};
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                if (auto* pWindow = qobject_cast<MainWindow*>(pWidget);
                    pWindow != nullptr && pWindow->isVisible()) {
                    watcher.stop();
                    shown = {pWindow->OuterSplitter()->sizes().value(0),
                             pWindow->InnerSplitter()->sizes().value(0)};
                    if (setByHand) {
                        DragFirstPaneTo(*pWindow->OuterSplitter(), setByHand->first);
                        DragFirstPaneTo(*pWindow->InnerSplitter(), setByHand->second);
                    }
                    pWindow->RunCommand(ID_APP_EXIT);
                }
            }
        });
        watcher.start(300);
        EXPECT_EQ(KorvaneManagerApp::Run({"korvane-admin"}), 0);
        return shown;
    };
    const auto stored = [] {
        CKorvaneAdminInfoMgr saved;
        EXPECT_EQ(CSettingsFile().Load(saved).outcome, SettingsLoadOutcome::Loaded);
        return Panes{saved.m_window[4], saved.m_window[5]};
    };
    EXPECT_EQ(start(std::nullopt), (Panes{460, 200})) << "the defaults of a 1000 by 700 window";
    EXPECT_EQ(stored(), (Panes{460, 200}));
    const Panes byHand{300, 260};
    EXPECT_EQ(start(byHand), (Panes{460, 200}));
    EXPECT_EQ(stored(), byHand);
    EXPECT_EQ(start(std::nullopt), byHand);
    EXPECT_EQ(stored(), byHand);
    qunsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(folder);
}

// Drawn on screen: the first column starts with the down mark (descending); its click turns it up.
TEST_F(DesktopSession, TheSortMarkPointsDownForDescendingAndUpForAscending) {
    MainWindow& window = Open();
    window.show();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return window.isVisible(); }));
    QHeaderView* pHeader = window.List()->header();
    // The widths of the mark's dark rows, top to bottom.
    const auto markRows = [&] {
        const QImage image = pHeader->grab().toImage();
        // The mark sits at the right end of the first section, clear of its text and border.
        const int nRight = pHeader->sectionViewportPosition(0) + pHeader->sectionSize(0);
        const QRect mark(nRight - 24, 2, 20, image.height() - 4);
        std::vector<int> widths;
        for (int y = mark.top(); y <= mark.bottom(); ++y) {
            int nDark = 0;
            for (int x = mark.left(); x <= mark.right(); ++x) {
                nDark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
            }
            if (nDark > 0) {
                widths.push_back(nDark);
            }
        }
        return widths;
    };
    const std::vector<int> descending = markRows();
    ASSERT_GE(descending.size(), 2u);
    EXPECT_GT(descending.front(), descending.back()) << "the down mark is widest at the top";
    window.List()->SortByColumn(0);
    ASSERT_EQ(pHeader->sortIndicatorOrder(), Qt::AscendingOrder);
    const std::vector<int> ascending = markRows();
    ASSERT_GE(ascending.size(), 2u);
    EXPECT_LT(ascending.front(), ascending.back()) << "the up mark is widest at the bottom";
}
