#include "operations/OperationRun.h"

#include "admin/TextFormat.h"
#include "operations/OperationWorker.h"
#include "support/StringTable.h"

#include <vector>

namespace Korvane {
namespace {

using Zelt::CStringTable;
namespace Text = Zelt::Text;

struct CodeRow {
    int nCode;
    int nTextId;
    int nMark;
};

constexpr CodeRow kCodeRows[] = {
    {CODE_NO_PASSWORD, Text::ProgressNoPassword, MARK_AUTHENTICATION},
    {CODE_AUTHORIZATION_REJECTED, Text::ProgressWrongPassword, MARK_AUTHENTICATION},
    {CODE_DEVICE_ERROR, Text::ProgressFailed, MARK_FAILURE},
    {CODE_OTHER_FAILURE, Text::ProgressError, MARK_FAILURE},
    {CODE_DEVICE_BUSY, Text::ProgressDeviceBusy, MARK_FAILURE},
    {CODE_TIMEOUT, Text::ProgressTimedOut, MARK_FAILURE},
    {CODE_EXCHANGE_ERROR, Text::ProgressCommunicationError, MARK_FAILURE},
    {CODE_CANNOT_CONNECT, Text::ProgressCannotConnect, MARK_FAILURE},
    {CODE_ADDRESS_NOT_APPROVED, Text::PasswordWithheld, MARK_FAILURE},
};

} // namespace

// The operations' names follow each other in the order of the operation kinds.
static_assert(Text::OperationNamePowerOn + OPERATION_FIRMWARE_UPDATE == Text::OperationNameFirmwareUpdate);

std::string OperationName(int nKind) {
    const bool bKnown = nKind >= OPERATION_POWER_ON && nKind <= OPERATION_FIRMWARE_UPDATE;
    return std::string(
        CStringTable::Text(bKnown ? Text::OperationNamePowerOn + nKind : Text::OperationNameOther));
}

COperationRun::COperationRun(CKorvaneAdminInfoMgr& manager, int nKind,
                             const std::vector<std::string>& targetMacs, std::string strPath,
                             std::string strDocument)
    : m_manager(manager), m_nKind(nKind), m_strPath(std::move(strPath)),
      m_strDocument(std::move(strDocument)) {
    for (const std::string& mac : targetMacs) {
        auto item = std::make_unique<Item>(Item{m_manager.GetDevice(mac)});
        m_rows.push_back(OperationRow{CKorvaneAdminInfoMgr::NormalizeMac(mac), item->device.Name(),
                                      std::string(CStringTable::Text(Text::ProgressStarted)), 0});
        m_items.push_back(std::move(item));
    }
}

COperationRun::~COperationRun() {
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

void COperationRun::Start(ResultPost post) {
    for (size_t nRow = 0; nRow < m_items.size(); ++nRow) {
        m_workers.emplace_back([this, nRow, post] {
            const OperationOutcomeCode outcome = COperationWorker::Run(
                m_nKind, m_items[nRow]->device, m_cancelEvent, m_strPath, m_strDocument);
            post(OperationRowResult{nRow, outcome.nOutcome, outcome.nCode, outcome.strFailure});
        });
    }
}

void COperationRun::RowText(OperationRow& row, const OperationRowResult& result) const {
    if (result.nOutcome == OPERATION_DONE) {
        row.text = CTextFormat::FormatId(Text::ProgressDone, {OperationName(m_nKind)});
        row.nMark = MARK_SUCCESS;
        return;
    }
    if (result.nOutcome == OPERATION_CANCELLED) {
        row.text = std::string(CStringTable::Text(Text::ProgressCancelled));
        row.nMark = MARK_CANCELLED;
        return;
    }
    row.text = std::string(CStringTable::Text(Text::ProgressError));
    row.nMark = MARK_FAILURE;
    for (const CodeRow& codeRow : kCodeRows) {
        if (codeRow.nCode == result.nCode) {
            row.text = codeRow.nTextId == Text::ProgressFailed
                           ? CTextFormat::FormatId(Text::ProgressFailed, {OperationName(m_nKind)})
                           : std::string(CStringTable::Text(codeRow.nTextId));
            row.nMark = codeRow.nMark;
        }
    }
}

void COperationRun::ApplyResult(const OperationRowResult& result) {
    if (result.nRow >= m_rows.size() || m_rows[result.nRow].nMark != 0) {
        return;
    }
    OperationRow& row = m_rows[result.nRow];
    RowText(row, result);
    row.failure = result.strFailure;
    ++m_nAnswered;
    if (result.nOutcome != OPERATION_FAILED) {
        return;
    }
    if (result.nCode == CODE_AUTHORIZATION_REJECTED) {
        m_manager.SetPasswordAccepted(row.mac, false);
    } else if (result.nCode == CODE_CANNOT_CONNECT) {
        m_manager.MarkUnreachable(row.mac);
    }
}

std::string COperationRun::SummaryText() const {
    int nMarks = 0;
    for (const OperationRow& row : m_rows) {
        nMarks |= row.nMark;
    }
    return std::string(
        CStringTable::Text(nMarks < 2 ? Text::ProgressAllSucceeded : Text::ProgressSomeFailed));
}

bool COperationRun::ShowsFirmwareNotice() const {
    if (m_nKind != OPERATION_FIRMWARE_UPDATE) {
        return false;
    }
    for (const OperationRow& row : m_rows) {
        if (row.nMark == MARK_SUCCESS) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> COperationRun::ReauthenticationMacs() const {
    std::vector<std::string> macs;
    for (const OperationRow& row : m_rows) {
        if (row.nMark == MARK_AUTHENTICATION) {
            macs.push_back(row.mac);
        }
    }
    return macs;
}

} // namespace Korvane
