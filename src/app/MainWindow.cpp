#include "MainWindow.h"

#include "AboutDialog.h"
#include "AddTargetDialog.h"
#include "AppText.h"
#include "ButtonBand.h"
#include "ColumnDialog.h"
#include "CommandTable.h"
#include "DetailInfoDialog.h"
#include "EcoModeDialog.h"
#include "FindKorvaneDialog.h"
#include "FirmwareDialog.h"
#include "GroupDialog.h"
#include "GroupTreeView.h"
#include "InfoListView.h"
#include "LogoBand.h"
#include "MailSettingDialog.h"
#include "NotifyIcon.h"
#include "PasswordDialog.h"
#include "PlainMessageBox.h"
#include "ProgressDialog.h"
#include "UpdateIntervalDialog.h"
#include "WindowUpdateHost.h"
#include "admin/ManualFile.h"
#include "admin/PasswordTexts.h"
#include "admin/SearchJob.h"
#include "admin/StatusPane.h"
#include "admin/WindowGeometry.h"
#include "operations/OperationKind.h"
#include "operations/PasswordPrompts.h"
#include "operations/WebPages.h"
#include "support/RegularFile.h"

#include <numeric>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace KorvaneApp {
namespace {

constexpr int kStatusPaneColumnWidth = 1000;

} // namespace

MainWindow::MainWindow(Korvane::CKorvaneAdminInfoMgr& manager, Korvane::CSettingsFile& file,
                       MainWindowOptions options, QWidget* pParent)
    : QMainWindow(pParent), m_manager(manager), m_file(file), m_options(options),
      m_pHost(new WindowUpdateHost(this)),
      m_scheduler(std::make_unique<Korvane::CUpdateScheduler>(manager, *m_pHost, options.periods)),
      m_approvals(manager, this) {
    setWindowTitle(QStringLiteral("KORVANE Admin"));
    setWindowIcon(QIcon(QStringLiteral(":/images/korvane.svg")));
    setMinimumSize(Korvane::WindowGeometry::MINIMUM_WIDTH, Korvane::WindowGeometry::MINIMUM_HEIGHT);
    m_columns.ApplyVisibleKeys(m_manager.m_columnKeys);
    BuildPanes();
    BuildMenus();
    ApplyGeometry();
    m_pTray = new NotifyIcon(this, options.bTrayAvailable);
    connect(m_pTray, &NotifyIcon::ShowWindowRequested, this, &MainWindow::ShowWindow);
    connect(m_pTray, &NotifyIcon::ExitRequested, this, [this] { Exit(); });
    connect(m_pTray, &NotifyIcon::FallbackMessage, statusBar(), &QStatusBar::showMessage);
    ConnectUpdates();
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveSettings(); });
    // The idle text comes back whenever no description (a menu's or a button's) is shown.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) {
            statusBar()->showMessage(Text(Zelt::Text::StatusBarReady));
        }
    });
    statusBar()->showMessage(Text(Zelt::Text::StatusBarReady));
    m_scheduler->Start();
    m_scheduler->CheckNotification();
    m_scheduler->SetActivity(0);
}

// Workers of an update still running must not wait for this window while it waits for them.
MainWindow::~MainWindow() {
    m_scheduler->Shutdown();
    m_pHost->Close();
    m_scheduler.reset();
}

void MainWindow::BuildPanes() {
    auto* pCentral = new QWidget(this);
    auto* pLayout = new QVBoxLayout(pCentral);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(new LogoBand(m_options.dScaleX, m_options.dScaleY, pCentral));
    m_pButtons = new ButtonBand(pCentral);
    connect(m_pButtons, &ButtonBand::Command, this, &MainWindow::RunCommand);
    pLayout->addWidget(m_pButtons);

    m_pOuter = new QSplitter(Qt::Vertical, pCentral);
    m_pInner = new QSplitter(Qt::Horizontal, m_pOuter);
    m_pTree = new GroupTreeView(m_pInner);
    m_pList = new InfoListView(m_manager, m_columns, m_options.dScaleX, m_pInner);
    m_pStatusPane = new QListWidget(m_pOuter);
    m_pStatusPane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pStatusPane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pLayout->addWidget(m_pOuter, 1);
    setCentralWidget(pCentral);

    m_pList->CreateColumns();
    connect(m_pTree, &GroupTreeView::GroupSelectionChanged, this, [this] {
        ShowSelectedGroup();
        FillStatusPane();
    });
    connect(m_pTree, &GroupTreeView::ContextCommand, this,
            [this](int nCode) { RunCommand(CommandTable::CommandOfContextCode(nCode)); });
    connect(m_pList, &InfoListView::RowClicked, this, &MainWindow::FillStatusPane);
    connect(m_pList, &InfoListView::DeletePressed, this, [this] { RunCommand(ID_REMOVE); });
    connect(m_pList, &InfoListView::ContextCommand, this,
            [this](int nCode) { RunCommand(CommandTable::CommandOfContextCode(nCode)); });
    m_pTree->Rebuild(m_manager);
}

void MainWindow::BuildMenus() {
    const auto addCommand = [this](QMenu* pMenu, int nCommand) {
        QAction* pAction = pMenu->addAction(CommandTable::MenuText(nCommand));
        pAction->setStatusTip(CommandTable::Description(nCommand));
        pAction->setToolTip(CommandTable::Tooltip(nCommand));
        pAction->setObjectName(QStringLiteral("command%1").arg(nCommand));
        connect(pAction, &QAction::triggered, this, [this, nCommand] { RunCommand(nCommand); });
    };
    const auto addMenu = [&](int nTitleId, std::initializer_list<int> commands) {
        QMenu* pMenu = menuBar()->addMenu(Text(nTitleId));
        for (int nCommand : commands) {
            if (nCommand == 0) {
                pMenu->addSeparator();
            } else {
                addCommand(pMenu, nCommand);
            }
        }
        return pMenu;
    };
    using namespace Zelt::Text;
    addMenu(MenuFile, {ID_FIND, ID_ADD, ID_REMOVE, 0, ID_PASSWORD, ID_APPROVE_ADDRESS, 0, ID_APP_EXIT});
    addMenu(MenuGroup, {ID_GROUP_CREATE, ID_GROUP_EDIT, ID_GROUP_DELETE});
    QMenu* pOperations =
        addMenu(MenuOperations,
                {ID_DETAIL, 0, ID_POWER_ON, ID_POWER_OFF, ID_REBOOT, 0, ID_PAGE_TIME, ID_PAGE_IP,
                 ID_PAGE_QUOTA, ID_PAGE_MAIL, 0, ID_FIRMWARE, ID_ECO, 0, ID_MELODY_START, ID_MELODY_STOP, 0});
    QMenu* pBatch = pOperations->addMenu(Text(MenuGroupOperations));
    for (int nCommand :
         {ID_GROUP_POWER_ON, ID_GROUP_POWER_OFF, ID_GROUP_REBOOT, ID_GROUP_FIRMWARE, ID_GROUP_ECO}) {
        addCommand(pBatch, nCommand);
    }
    addMenu(MenuView, {ID_REFRESH, ID_COLUMNS});
    BuildLanguageMenu(addMenu(MenuSettings, {ID_INTERVAL, ID_MAIL_SETTINGS, 0}));
    addMenu(MenuHelp, {ID_MANUAL, 0, ID_APP_ABOUT});
}

// The choices show each language's name in itself; the one stored in the settings is checked.
void MainWindow::BuildLanguageMenu(QMenu* pSettings) {
    QMenu* pMenu = pSettings->addMenu(Text(Zelt::Text::MenuLanguage));
    pMenu->setObjectName(QStringLiteral("languageMenu"));
    auto* pChoices = new QActionGroup(pMenu);
    const auto addChoice = [&](const QString& text, std::optional<Zelt::Language> language) {
        QAction* pAction = pChoices->addAction(text);
        pAction->setCheckable(true);
        pAction->setChecked(m_manager.m_language == language);
        connect(pAction, &QAction::triggered, this, [this, language] { ChooseLanguage(language); });
        pMenu->addAction(pAction);
    };
    addChoice(Text(Zelt::Text::LanguageFollowSystem), std::nullopt);
    for (const Zelt::Language language : {Zelt::Language::Japanese, Zelt::Language::English}) {
        const std::string_view name = Zelt::CLanguage::NativeName(language);
        addChoice(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), language);
    }
}

// Windows already built keep their texts: the choice is stored now and applied at the next start.
void MainWindow::ChooseLanguage(std::optional<Zelt::Language> language) {
    if (m_manager.m_language == language) {
        return;
    }
    m_manager.m_language = language;
    if (SaveSettings()) {
        QMessageBox::information(this, QStringLiteral("KORVANE Admin"),
                                 Text(Zelt::Text::LanguageAppliesAtNextStart));
    }
}

void MainWindow::ApplyGeometry() {
    Korvane::WindowGeometry geometry = Korvane::WindowGeometry::FromNumbers(m_manager.m_window);
    if (geometry.IsUnknown()) {
        resize(1000, 700);
        geometry = Korvane::WindowGeometry::Defaults(x(), y(), height(), width());
    }
    move(geometry.nLeft, geometry.nTop);
    resize(geometry.nWidth, geometry.nHeight);
    m_pOuter->setSizes({geometry.nListRowHeight, std::max(1, geometry.nHeight - geometry.nListRowHeight)});
    m_pInner->setSizes({geometry.nTreeWidth, std::max(1, geometry.nWidth - geometry.nTreeWidth)});
    m_panesToRestore = geometry;
    m_manager.m_window = geometry.ToNumbers();
}

void MainWindow::showEvent(QShowEvent* pEvent) {
    QMainWindow::showEvent(pEvent);
    RestorePaneSizes();
}

// Before the first show the splitters are smaller than the window by the menu, the bands and the
// status bar; sizes set then would be scaled down, and the next exit would store the smaller ones.
void MainWindow::RestorePaneSizes() {
    if (!m_panesToRestore) {
        return;
    }
    const auto restore = [](QSplitter* pSplitter, int nFirst) {
        const QList<int> now = pSplitter->sizes();
        const std::array<int, 2> sizes =
            Korvane::WindowGeometry::SplitExtent(nFirst, std::accumulate(now.begin(), now.end(), 0));
        pSplitter->setSizes({sizes[0], sizes[1]});
    };
    restore(m_pOuter, m_panesToRestore->nListRowHeight);
    restore(m_pInner, m_panesToRestore->nTreeWidth);
    m_panesToRestore.reset();
}

void MainWindow::StoreGeometry() {
    m_manager.m_window =
        Korvane::WindowGeometry::AtExit(isMinimized(), x(), y(), height(), width(),
                                        m_pOuter->sizes().value(0), m_pInner->sizes().value(0))
            .ToNumbers();
}

void MainWindow::ConnectUpdates() {
    connect(m_pHost, &WindowUpdateHost::TimerFired, this,
            [this](int nTimer) { m_scheduler->OnTimer(nTimer); });
    connect(m_pHost, &WindowUpdateHost::UpdateStateChanged, m_pButtons, &ButtonBand::SetUpdateState);
    connect(m_pHost, &WindowUpdateHost::DeviceRecordsChanged, this, &MainWindow::RefreshList);
    connect(m_pHost, &WindowUpdateHost::BalloonRequested, m_pTray, &NotifyIcon::ShowBalloon);
    connect(m_pHost, &WindowUpdateHost::ErrorMailRequested, this, &MainWindow::SendErrorMail);
    // A device seen elsewhere is asked about while the user is looking; hidden in the tray, the
    // list's state and the command wait for them.
    connect(m_pHost, &WindowUpdateHost::UpdateEnded, this, [this] {
        if (isVisible() && !isMinimized()) {
            AskNewApprovals();
        }
    });
}

void MainWindow::AskNewApprovals() {
    if (m_approvals.AskNew(m_manager.Macs())) {
        RefreshList();
    }
    FillStatusPane();
}

void MainWindow::ApproveAddresses() {
    const std::optional<std::vector<std::string>> macs = Targets(Korvane::TargetRule::Selection);
    if (macs && m_approvals.AskAll(*macs)) {
        RefreshList();
    }
    FillStatusPane();
}

// The mail takes its text from the store here and is sent on the mail thread, so that a slow
// mail server never freezes the window.
void MainWindow::SendErrorMail() {
    m_errorMail.Send(m_manager);
}

bool MainWindow::SaveSettings() {
    const Korvane::SettingsSaveResult saved = m_file.Save(m_manager);
    if (!saved) {
        // The reason tells a full disk from a file that would be too large to read back.
        QMessageBox::warning(this, QStringLiteral("KORVANE Admin"),
                             Text(saved.nMessageId) + QStringLiteral("\n\n") + Qs(saved.strReason));
    }
    return static_cast<bool>(saved);
}

void MainWindow::ShowSelectedGroup() {
    m_pList->ShowDevices(m_pTree->SelectedGroup());
}

void MainWindow::RefreshList() {
    m_pList->RefreshDevices(m_pTree->SelectedGroup());
    m_pList->viewport()->update();
}

void MainWindow::RebuildTree() {
    m_pTree->Rebuild(m_manager);
}

void MainWindow::FillStatusPane() {
    m_pStatusPane->clear();
    const std::vector<std::string> selected = m_pList->SelectedMacs();
    const Korvane::CManagedDevice* pDevice =
        selected.empty() ? nullptr : m_manager.FindDevice(selected.front());
    if (pDevice == nullptr) {
        return;
    }
    for (const std::string& line : Korvane::CStatusPane::Lines(*pDevice)) {
        m_pStatusPane->addItem(Qs(line));
    }
}

void MainWindow::ShowWindow() {
    showNormal();
    raise();
    activateWindow();
}

// Closing hides the window to the tray; without a tray it is minimised instead, since a hidden
// window could not be brought back.
void MainWindow::closeEvent(QCloseEvent* pEvent) {
    if (m_bExiting) {
        pEvent->accept();
        return;
    }
    pEvent->ignore();
    if (m_pTray->IsAvailable()) {
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::Exit(bool bAsk) {
    if (bAsk && QMessageBox::question(this, QStringLiteral("KORVANE Admin"), Text(Zelt::Text::ConfirmExit)) !=
                    QMessageBox::Yes) {
        return;
    }
    m_scheduler->Shutdown();
    m_pHost->Close();
    StoreGeometry();
    SaveSettings();
    m_bExiting = true;
    close();
    emit ExitRequested();
}

std::optional<std::vector<std::string>> MainWindow::Targets(Korvane::TargetRule rule) {
    const std::vector<std::string> macs =
        rule == Korvane::TargetRule::All ? m_pList->RowMacs() : m_pList->SelectedMacs();
    const int nCheck = Korvane::CCommandTargets::Check(rule, macs.size());
    if (nCheck == Korvane::TARGETS_OK) {
        return macs;
    }
    if (nCheck != Korvane::TARGETS_SILENT) {
        QMessageBox::information(this, QStringLiteral("KORVANE Admin"), Text(nCheck));
    }
    return std::nullopt;
}

bool MainWindow::Confirm(int nQuestion) {
    return nQuestion == 0 ||
           QMessageBox::question(this, QStringLiteral("KORVANE Admin"), Text(nQuestion)) == QMessageBox::Yes;
}

// Before an operation: the password dialog for each target without a password or with a rejected
// one. Its outcome does not stop the operation; a target still without one fails in its row.
void MainWindow::PromptPasswords(const std::vector<Korvane::PasswordPrompt>& prompts) {
    for (const Korvane::PasswordPrompt& prompt : prompts) {
        PasswordDialog(m_manager, prompt.mac, prompt.nReason, this).exec();
    }
}

void MainWindow::RunOperation(int nKind, Korvane::TargetRule rule, int nQuestion) {
    const std::optional<std::vector<std::string>> macs = Targets(rule);
    if (!macs) {
        return;
    }
    PromptPasswords(Korvane::CPasswordPrompts::For(nKind, m_manager, *macs));
    if (!Confirm(nQuestion)) {
        return;
    }
    ProgressDialog(m_manager, this).Run(nKind, *macs);
    RefreshList();
    FillStatusPane();
}

void MainWindow::OpenWebPage(int nPage) {
    const std::optional<std::vector<std::string>> macs = Targets(Korvane::TargetRule::Selection);
    if (!macs) {
        return;
    }
    std::vector<Korvane::CManagedDevice> devices;
    for (const std::string& mac : *macs) {
        devices.push_back(m_manager.GetDevice(mac));
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Korvane::WebPagePlan plan = Korvane::CWebPages::Plan(nPage, std::move(devices), nullptr);
    QApplication::restoreOverrideCursor();
    for (const Korvane::WebPageStep& step : plan.steps) {
        if (step.kind == Korvane::WebPageStep::SHOW_MESSAGE) {
            PlainMessageBox::Exec(this, QMessageBox::Information, QStringLiteral("KORVANE Admin"),
                                  Qs(step.text));
        } else {
            QDesktopServices::openUrl(QUrl(Qs(step.text)));
        }
    }
}

void MainWindow::RemoveSelected() {
    const std::optional<std::vector<std::string>> macs = Targets(Korvane::TargetRule::Selection);
    if (!macs) {
        return;
    }
    for (const std::string& mac : *macs) {
        m_pList->RemoveRow(mac);
        m_manager.DeleteDevice(mac);
    }
    FillStatusPane();
}

void MainWindow::SetPasswords() {
    const std::vector<std::string> macs = m_pList->SelectedMacs();
    if (macs.empty()) {
        PasswordDialog(m_manager, std::string(), Korvane::PASSWORD_PROMPT_CHOOSE_DEVICE, this).exec();
    }
    for (const std::string& mac : macs) {
        PasswordDialog(m_manager, mac, Korvane::PASSWORD_PROMPT_ENTER, this).exec();
    }
    FillStatusPane();
}

void MainWindow::ChooseInterval() {
    UpdateIntervalDialog dialog(m_manager.m_nUpdateInterval, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_scheduler->SetInterval(dialog.Interval());
    }
}

void MainWindow::ChooseColumns() {
    ColumnDialog dialog(m_columns, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_pList->RecreateColumns();
    RefreshList();
}

void MainWindow::FindDevices() {
    if (m_scheduler->Activity() != 0) {
        return;
    }
    m_scheduler->SetActivity(1);
    FindKorvaneDialog dialog(m_manager, this);
    connect(&dialog, &FindKorvaneDialog::DevicesAdded, this, &MainWindow::RefreshList);
    dialog.Run();
    m_scheduler->SetActivity(0);
    if (dialog.Result()) {
        statusBar()->showMessage(Qs(Korvane::CSearchJob::DurationText(dialog.Duration())));
    }
    AskNewApprovals();
}

void MainWindow::AddDevice() {
    AddTargetDialog dialog(m_manager, this);
    connect(&dialog, &AddTargetDialog::DevicesAdded, this, &MainWindow::RefreshList);
    dialog.exec();
    AskNewApprovals();
}

// After a group dialog changed the groups: the tree anew, its root selected, all devices shown.
void MainWindow::EditGroups(GroupDialog&& dialog) {
    if (dialog.exec() == QDialog::Accepted) {
        RebuildTree();
    }
}

void MainWindow::OpenDetail() {
    const std::optional<std::vector<std::string>> macs = Targets(Korvane::TargetRule::One);
    if (!macs) {
        return;
    }
    PromptPasswords(Korvane::CPasswordPrompts::For(m_manager, *macs));
    if (m_scheduler->Activity() != 0) {
        return;
    }
    m_scheduler->SetActivity(3);
    DetailInfoDialog dialog(m_manager, macs->front(), this);
    connect(&dialog, &DetailInfoDialog::DeviceRecordChanged, this, [this] {
        RefreshList();
        FillStatusPane();
    });
    dialog.exec();
    m_scheduler->SetActivity(0);
    RefreshList();
}

// The firmware and eco dialogs run their operation with the progress dialog themselves.
template <class Dialog>
void MainWindow::RunSettingDialog(int nKind, Korvane::TargetRule rule) {
    const std::optional<std::vector<std::string>> macs = Targets(rule);
    if (!macs) {
        return;
    }
    PromptPasswords(Korvane::CPasswordPrompts::For(nKind, m_manager, *macs));
    Dialog(m_manager, *macs, this).exec();
    RefreshList();
    FillStatusPane();
}

void MainWindow::OpenManual() {
    const QString path = Qs(Korvane::CManualFile::Locate(Std(QCoreApplication::applicationDirPath()),
                                                         Zelt::CLanguage::Current()));
    // A FIFO or device in the manual's place would hold the viewer, not show a manual.
    if (Zelt::CRegularFile::HoldsOtherThanRegularFile(Std(path), true)) {
        QMessageBox::warning(this, QStringLiteral("KORVANE Admin"),
                             Qs(Zelt::CRegularFile::NotRegularText(Std(path))));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::RunCommand(int nCommand) {
    using Korvane::TargetRule;
    switch (nCommand) {
    case ID_APP_EXIT:
    case ID_TRAY_EXIT:
        return Exit();
    case ID_APP_ABOUT:
        AboutDialog(this).exec();
        return;
    case ID_REMOVE:
        return RemoveSelected();
    case ID_PASSWORD:
        return SetPasswords();
    case ID_APPROVE_ADDRESS:
        return ApproveAddresses();
    case ID_POWER_ON:
        return RunOperation(Korvane::OPERATION_POWER_ON, TargetRule::Selection, Zelt::Text::ConfirmPowerOn);
    case ID_POWER_OFF:
        return RunOperation(Korvane::OPERATION_POWER_OFF, TargetRule::Selection, Zelt::Text::ConfirmPowerOff);
    case ID_REBOOT:
        return RunOperation(Korvane::OPERATION_REBOOT, TargetRule::Selection, Zelt::Text::ConfirmRestart);
    case ID_MELODY_START:
        return RunOperation(Korvane::OPERATION_MELODY_START, TargetRule::Selection, 0);
    case ID_MELODY_STOP:
        return RunOperation(Korvane::OPERATION_MELODY_STOP, TargetRule::Selection, 0);
    case ID_GROUP_POWER_ON:
        return RunOperation(Korvane::OPERATION_POWER_ON, TargetRule::All, Zelt::Text::ConfirmPowerOn);
    case ID_GROUP_POWER_OFF:
        return RunOperation(Korvane::OPERATION_POWER_OFF, TargetRule::All, Zelt::Text::ConfirmPowerOff);
    case ID_GROUP_REBOOT:
        return RunOperation(Korvane::OPERATION_REBOOT, TargetRule::All, Zelt::Text::ConfirmRestart);
    case ID_PAGE_TIME:
        return OpenWebPage(Korvane::WEB_PAGE_TIME);
    case ID_PAGE_IP:
        return OpenWebPage(Korvane::WEB_PAGE_IP_ADDRESS);
    case ID_PAGE_QUOTA:
        return OpenWebPage(Korvane::WEB_PAGE_QUOTA);
    case ID_PAGE_MAIL:
        return OpenWebPage(Korvane::WEB_PAGE_MAIL);
    case ID_REFRESH:
        return m_scheduler->Refresh();
    case ID_INTERVAL:
        return ChooseInterval();
    case ID_COLUMNS:
        return ChooseColumns();
    case ID_MANUAL:
        return OpenManual();
    case ID_TRAY_SHOW:
        return ShowWindow();
    case ID_FIND:
        return FindDevices();
    case ID_ADD:
        return AddDevice();
    case ID_GROUP_CREATE:
        return EditGroups(GroupCreateDialog(m_manager, this));
    case ID_GROUP_EDIT:
        return EditGroups(GroupEditDialog(m_manager, this));
    case ID_GROUP_DELETE:
        return EditGroups(GroupDeleteDialog(m_manager, this));
    case ID_DETAIL:
        return OpenDetail();
    case ID_FIRMWARE:
        return RunSettingDialog<FirmwareDialog>(Korvane::OPERATION_FIRMWARE_UPDATE, TargetRule::Selection);
    case ID_GROUP_FIRMWARE:
        return RunSettingDialog<FirmwareDialog>(Korvane::OPERATION_FIRMWARE_UPDATE, TargetRule::All);
    case ID_ECO:
        return RunSettingDialog<EcoModeDialog>(Korvane::OPERATION_ECO_MODE, TargetRule::Selection);
    case ID_GROUP_ECO:
        return RunSettingDialog<EcoModeDialog>(Korvane::OPERATION_ECO_MODE, TargetRule::All);
    case ID_MAIL_SETTINGS:
        MailSettingDialog(m_manager.m_mail, this).exec();
        return;
    default:
        return;
    }
}

} // namespace KorvaneApp
