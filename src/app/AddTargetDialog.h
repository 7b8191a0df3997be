#pragma once

#include "GuiHandOver.h"
#include "admin/AdminInfoMgr.h"
#include "net/CancelEvent.h"
#include "operations/AddTarget.h"
#include "operations/InfoJob.h"

#include <cstdint>
#include <memory>
#include <mutex>

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace KorvaneApp {

// "KORVANE を追加 - KORVANE Admin": the user names one device by address or host name; "検索"
// fetches its basic information and shows it, "追加" brings it under management. The dialog can
// add several devices in a row. While a fetch runs "検索" reads "中止" and "閉じる" is disabled;
// Escape or the close box cancel the fetch and close the dialog, and its result is dropped.
class AddTargetDialog : public QDialog {
    Q_OBJECT
public:
    explicit AddTargetDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);
    // Cancels a fetch still running and waits for its worker (within one wait pass).
    ~AddTargetDialog() override;

    bool IsFetching() const { return m_bFetching; }
    // The record of the last successful fetch; empty (no MAC) when there is nothing to add.
    const Korvane::CManagedDevice& Candidate() const { return m_candidate; }

    QLineEdit* Input() const { return m_pInput; }
    QPushButton* SearchButton() const { return m_pSearch; }
    QPushButton* AddButton() const { return m_pAdd; }
    QPushButton* ClearButton() const { return m_pClear; }
    QPushButton* CloseButton() const { return m_pClose; }
    QLineEdit* NameField() const { return m_pName; }
    QLineEdit* DescriptionField() const { return m_pDescription; }
    QLineEdit* Ipv4Field() const { return m_pIpv4; }
    QLineEdit* Ipv6Field() const { return m_pIpv6; }
    QLineEdit* MacField() const { return m_pMac; }

signals:
    // A device was added to or updated in the store: the main window refreshes its list.
    void DevicesAdded();
    // A fetch has ended: its result is shown and its message, if any, was answered.
    void FetchEnded();

public slots:
    void reject() override;

private:
    class Sink;
    // Shared with the thread that resolves the typed text, which may outlive the dialog.
    struct ResolveState {
        std::mutex mutex;
        bool bGone = false;
    };

    void SearchOrStop();
    void StartFetch(std::uint64_t nFetch, const Korvane::TypedAddresses& addresses);
    void Abandon();
    void OnResult(const Korvane::InfoResult& result);
    void AddCandidate();
    void ClearAll();
    void ClearFields();
    void ShowCandidate();
    void SetFetching(bool bFetching);

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    Zelt::CancelEventPtr m_cancelEvent;
    // Ends the lookup of the typed text when the dialog stops waiting for it.
    Zelt::CancelEventPtr m_resolveCancel;
    std::shared_ptr<ResolveState> m_resolveState;
    GuiHandOver m_handOver;
    std::unique_ptr<Sink> m_sink;
    std::unique_ptr<Korvane::CInfoJob> m_job;

    bool m_bFetching = false;
    bool m_bResolving = false;
    // The result of a fetch whose dialog was closed meanwhile is not shown.
    bool m_bDropResult = false;
    // Counts the fetches, so that the addresses of one that was stopped are not used.
    std::uint64_t m_nFetch = 0;
    Korvane::TypedAddresses m_addresses;
    Korvane::CManagedDevice m_candidate;

    QLineEdit* m_pInput;
    QPushButton* m_pSearch;
    QLineEdit* m_pName;
    QLineEdit* m_pDescription;
    QLineEdit* m_pIpv4;
    QLineEdit* m_pIpv6;
    QLineEdit* m_pMac;
    QPushButton* m_pAdd;
    QPushButton* m_pClear;
    QPushButton* m_pClose;
};

} // namespace KorvaneApp
