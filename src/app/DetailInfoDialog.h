#pragma once

#include "admin/AdminInfoMgr.h"
#include "admin/DetailReport.h"
#include "net/CancelEvent.h"
#include "operations/InfoJob.h"

#include <memory>
#include <string>

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace KorvaneApp {

class GuiHandOver;

// "詳細情報 - KORVANE Admin": the detail report of one managed device. Opening the dialog (and
// "更新") fetches the device's detailed information; the core renders the report by section and
// the tree picks the section shown. Each result is applied to the managed record as every
// information result is (a rejected password clears its accepted mark, a device that cannot be
// reached is recorded as powered off).
//
// The fetch job belongs to the dialog and outlives a close: closing while it runs cancels it and
// closes once it has ended; destroying the dialog cancels it, drops the results still to come and
// waits for the job, so no worker waits on a dialog that is gone.
class DetailInfoDialog : public QDialog {
    Q_OBJECT
public:
    // Works on a copy of the managed device of this MAC and starts fetching at once.
    DetailInfoDialog(Korvane::CKorvaneAdminInfoMgr& manager, const std::string& mac,
                     QWidget* pParent = nullptr);
    ~DetailInfoDialog() override;

    bool IsFetching() const { return m_bFetching; }
    // The dialog's copy of the device, with the information of the last successful fetch.
    const Korvane::CManagedDevice& Device() const { return m_device; }
    const Korvane::CDetailReport& Report() const { return m_report; }
    // Selects the section's tree item, which shows its text; false when the tree has no such item.
    bool ShowSection(int nSection);
    // The section of the selected tree item; -1 for none.
    int SelectedSection() const;

    QTreeWidget* SectionTree() const { return m_pTree; }
    QPlainTextEdit* ReportView() const { return m_pView; }
    QPushButton* FetchButton() const { return m_pFetch; }
    QPushButton* CloseButton() const { return m_pClose; }

    // The report text as the view shows it (line ends "\n" instead of "\r\n").
    static QString Shown(const std::string& text);

signals:
    // A result was applied to the managed record: the views show it again.
    void DeviceRecordChanged();
    // The fetch has ended (all its results have been handled).
    void FetchEnded();

public slots:
    // "更新"; while a fetch runs the button reads "中止" and cancels it.
    void Fetch();
    // Escape and the close box: while a fetch runs they cancel it and close when it has ended.
    void reject() override;

private:
    class Sink;

    void OnResult(const Korvane::InfoResult& result);
    void OnJobEnded();
    void SetFetching(bool bFetching);
    void BuildTree();
    void ShowSelectedSection();

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    Korvane::CManagedDevice m_device;
    Korvane::CDetailReport m_report;
    Zelt::CancelEventPtr m_cancelEvent;
    std::unique_ptr<GuiHandOver> m_pOwner;
    std::unique_ptr<Sink> m_sink;
    // Declared after the sink: it is destroyed (and waited for) first.
    std::unique_ptr<Korvane::CInfoJob> m_job;
    bool m_bFetching = false;
    bool m_bCloseWhenEnded = false;
    QTreeWidget* m_pTree;
    QPlainTextEdit* m_pView;
    QPushButton* m_pFetch;
    QPushButton* m_pClose;
};

} // namespace KorvaneApp
