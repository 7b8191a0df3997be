#pragma once

#include "admin/AdminInfoMgr.h"
#include "net/CancelEvent.h"
#include "operations/OperationKind.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Korvane {

// One row of the progress list: a target device and what its operation has come to.
struct OperationRow {
    std::string mac;
    std::string name;
    std::string text;
    int nMark = 0;            // RowMark once answered
    std::string failure = {}; // where and why it failed, when known
};

// What a worker hands to the owner of the run when its device is done.
struct OperationRowResult {
    size_t nRow;
    int nOutcome;
    int nCode;
    std::string strFailure = {};
};

// One user operation over several devices, one worker each, and the progress model that the
// progress dialog (or korvanectl) shows: rows, answered count, summary. Targets are MAC keys,
// so two devices that happen to share a name are two targets. The owner applies the workers'
// results with ApplyResult on the thread that owns the store; the workers only post them.
class COperationRun {
public:
    // Called on a worker; must not wait for the owner.
    using ResultPost = std::function<void(const OperationRowResult& result)>;

    COperationRun(CKorvaneAdminInfoMgr& manager, int nKind, const std::vector<std::string>& targetMacs,
                  std::string strPath = std::string(), std::string strDocument = std::string());
    // Waits for every worker; the workers own copies, so nothing they touch goes away before.
    ~COperationRun();
    COperationRun(const COperationRun&) = delete;
    COperationRun& operator=(const COperationRun&) = delete;

    // The workers wait on this event; by default the run's own, set by Cancel. A caller with a
    // cancel event of its own (korvanectl's Ctrl-C) gives it before Start.
    void UseCancelEvent(Zelt::CancelEventPtr cancelEvent) { m_cancelEvent = std::move(cancelEvent); }
    void Start(ResultPost post);
    void Cancel() { m_cancelEvent->Set(); }

    // On the owner's thread: the row's text and mark, and the effects on the store (a rejected
    // password clears its accepted mark; a device that cannot be reached is marked powered off).
    void ApplyResult(const OperationRowResult& result);

    int Kind() const { return m_nKind; }
    const std::vector<OperationRow>& Rows() const { return m_rows; }
    bool IsFinished() const { return m_nAnswered == m_rows.size(); }
    // "All operations completed" when every row succeeded, else "some did not".
    std::string SummaryText() const;
    // A firmware update that some device accepted ends with the notice that it has started.
    bool ShowsFirmwareNotice() const;
    // The devices whose password failed, in row order, for re-entering it.
    std::vector<std::string> ReauthenticationMacs() const;

private:
    struct Item {
        CManagedDevice device;
    };

    void RowText(OperationRow& row, const OperationRowResult& result) const;

    CKorvaneAdminInfoMgr& m_manager;
    int m_nKind;
    std::string m_strPath;
    std::string m_strDocument;
    Zelt::CancelEventPtr m_cancelEvent = std::make_shared<Zelt::CancelEvent>();
    std::vector<OperationRow> m_rows;
    std::vector<std::unique_ptr<Item>> m_items;
    std::vector<std::thread> m_workers;
    size_t m_nAnswered = 0;
};

} // namespace Korvane
