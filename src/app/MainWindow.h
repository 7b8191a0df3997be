#pragma once

#include "AddressApprovalPrompt.h"
#include "admin/AdminInfoMgr.h"
#include "admin/InfoColumnTable.h"
#include "admin/SettingsFile.h"
#include "admin/WindowGeometry.h"
#include "mail/ErrorMailThread.h"
#include "operations/CommandTargets.h"
#include "operations/PasswordPrompts.h"
#include "operations/UpdateScheduler.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

class QListWidget;
class QMenu;
class QSplitter;

namespace KorvaneApp {

class ButtonBand;
class GroupDialog;
class GroupTreeView;
class InfoListView;
class NotifyIcon;
class WindowUpdateHost;

// What the start-up decides for the main window; tests choose their own.
struct MainWindowOptions {
    double dScaleX = 1.0;
    double dScaleY = 1.0;
    bool bTrayAvailable = false;
    Korvane::CUpdateScheduler::Periods periods{};
};

// The program's one top-level window: the group tree, the device list and the status pane, the
// two bands, the menus, the tray icon and the periodic update. It owns the store for the whole
// run and routes every command to the core; it computes nothing itself.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Korvane::CKorvaneAdminInfoMgr& manager, Korvane::CSettingsFile& file,
               MainWindowOptions options, QWidget* pParent = nullptr);
    ~MainWindow() override;

    // Menus, buttons, context menus and the tray route here by command id.
    void RunCommand(int nCommand);
    // The exit command: asks the exit question first unless told not to (tests).
    void Exit(bool bAsk = true);

    // The list shows the selected group again (rows deleted first), or refreshes it in place.
    void ShowSelectedGroup();
    void RefreshList();
    void RebuildTree();
    // Asks about the devices seen at new addresses that the user has not answered about yet
    // (after a search, an add and an update).
    void AskNewApprovals();

    GroupTreeView* Tree() const { return m_pTree; }
    InfoListView* List() const { return m_pList; }
    QListWidget* StatusPane() const { return m_pStatusPane; }
    ButtonBand* Buttons() const { return m_pButtons; }
    NotifyIcon* Tray() const { return m_pTray; }
    WindowUpdateHost* UpdateHost() const { return m_pHost; }
    Korvane::CUpdateScheduler& Scheduler() { return *m_scheduler; }
    QSplitter* OuterSplitter() const { return m_pOuter; }
    QSplitter* InnerSplitter() const { return m_pInner; }

signals:
    // The program has saved its state and wants to end.
    void ExitRequested();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void BuildPanes();
    void BuildMenus();
    void BuildLanguageMenu(QMenu* pSettings);
    void ChooseLanguage(std::optional<Zelt::Language> language);
    void ApplyGeometry();
    void StoreGeometry();
    void RestorePaneSizes();
    void ConnectUpdates();
    bool SaveSettings();
    void FillStatusPane();
    void ShowWindow();
    void SendErrorMail();

    // The command's targets, or nothing (after the message, if any) when they do not suit it.
    std::optional<std::vector<std::string>> Targets(Korvane::TargetRule rule);
    bool Confirm(int nQuestion);
    void PromptPasswords(const std::vector<Korvane::PasswordPrompt>& prompts);
    void RunOperation(int nKind, Korvane::TargetRule rule, int nQuestion);
    void OpenWebPage(int nPage);
    void RemoveSelected();
    void SetPasswords();
    void ApproveAddresses();
    void ChooseInterval();
    void ChooseColumns();
    void OpenManual();
    void FindDevices();
    void OpenDetail();
    template <class Dialog>
    void RunSettingDialog(int nKind, Korvane::TargetRule rule);
    void AddDevice();
    void EditGroups(GroupDialog&& dialog);

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    Korvane::CSettingsFile& m_file;
    MainWindowOptions m_options;
    Korvane::InfoColumnTable m_columns;
    WindowUpdateHost* m_pHost;
    std::unique_ptr<Korvane::CUpdateScheduler> m_scheduler;
    AddressApprovalPrompt m_approvals;
    // Cancelled and joined when the window goes.
    Korvane::CErrorMailThread m_errorMail;
    QSplitter* m_pOuter = nullptr;
    QSplitter* m_pInner = nullptr;
    GroupTreeView* m_pTree = nullptr;
    InfoListView* m_pList = nullptr;
    QListWidget* m_pStatusPane = nullptr;
    ButtonBand* m_pButtons = nullptr;
    NotifyIcon* m_pTray = nullptr;
    bool m_bExiting = false;
    // The pane sizes to show once the splitters have their real extent (at the first show).
    std::optional<Korvane::WindowGeometry> m_panesToRestore;
};

} // namespace KorvaneApp
