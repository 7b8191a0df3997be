#pragma once

#include "GuiHandOver.h"
#include "admin/AdminInfoMgr.h"
#include "admin/SearchIntake.h"
#include "admin/SearchJob.h"
#include "net/CancelEvent.h"

#include <chrono>
#include <optional>
#include <thread>

#include <QDialog>

class QLabel;
class QPushButton;

namespace KorvaneApp {

// "検索中... - KORVANE Admin": one discovery pass on the local network; every device that answers
// with its basic information is added to (or updated in) the store as it comes, within the bound
// of CSearchIntake (the devices beyond it are counted and reported at the end). The dialog closes
// itself when the search has ended; "中止", Escape and the close box only cancel it.
class FindKorvaneDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindKorvaneDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);
    // Cancels a search still running and waits for its thread (within one wait pass).
    ~FindKorvaneDialog() override;

    // Runs the search modally; returns when it has ended (after telling of a failed search).
    Korvane::SearchResult Run();
    // Starts the search without entering the dialog's own loop (tests watch it work).
    void Start();

    bool IsSearching() const { return m_bSearching; }
    // How the search ended; none while it runs or before it started.
    std::optional<Korvane::SearchResult> Result() const { return m_result; }
    // How long the last search took.
    std::chrono::milliseconds Duration() const { return m_duration; }
    // Devices taken into the store (a device found by several protocols counts each time).
    int AddedCount() const { return m_nAdded; }
    QLabel* Message() const { return m_pMessage; }
    QPushButton* StopButton() const { return m_pStop; }

signals:
    // A device was added to or updated in the store: the main window refreshes its list.
    void DevicesAdded();
    // The search has ended (any message shown) and the dialog has closed.
    void SearchEnded(int nResult);

public slots:
    void reject() override;

private:
    void Stop();
    void TakeDevice(const Korvane::CManagedDevice& device);
    void Finish(const Korvane::SearchOutcome& outcome);
    void Tell(const QString& text);

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    Zelt::CancelEventPtr m_cancelEvent;
    GuiHandOver m_handOver;
    std::thread m_thread;
    bool m_bSearching = false;
    std::optional<Korvane::SearchResult> m_result;
    std::chrono::milliseconds m_duration{0};
    std::optional<Korvane::CSearchIntake> m_intake;
    int m_nAdded = 0;
    QLabel* m_pMessage;
    QPushButton* m_pStop;
};

} // namespace KorvaneApp
