#include "operations/OperationRun.h"

#include "admin/TextFormat.h"
#include "operations/OperationWorker.h"
#include "support/StringTable.h"

#include <vector>

namespace Korvane {
namespace {

using Zelt::CStringTable;

struct CodeRow {
    int nCode;
    int nTextId;
    int nMark;
};

constexpr CodeRow kCodeRows[] = {
    {CODE_NO_PASSWORD, 11210, MARK_AUTHENTICATION},
    {CODE_AUTHORIZATION_REJECTED, 11211, MARK_AUTHENTICATION},
    {CODE_DEVICE_ERROR, 11229, MARK_FAILURE},
    {CODE_OTHER_FAILURE, 11215, MARK_FAILURE},
    {CODE_DEVICE_BUSY, 11219, MARK_FAILURE},
    {CODE_TIMEOUT, 11216, MARK_FAILURE},
    {CODE_EXCHANGE_ERROR, 11217, MARK_FAILURE},
    {CODE_CANNOT_CONNECT, 11218, MARK_FAILURE},
    {CODE_ADDRESS_NOT_APPROVED, 90302, MARK_FAILURE},
};

} // namespace

std::string OperationName(int nKind) {
    const bool bKnown = nKind >= OPERATION_POWER_ON && nKind <= OPERATION_FIRMWARE_UPDATE;
    return std::string(CStringTable::Text(bKnown ? 11220 + nKind : 11228));
}

COperationRun::COperationRun(CKorvaneAdminInfoMgr& manager, int nKind,
                             const std::vector<std::string>& targetMacs, std::string strPath,
                             std::string strDocument)
    : m_manager(manager), m_nKind(nKind), m_strPath(std::move(strPath)),
      m_strDocument(std::move(strDocument)) {
    for (const std::string& mac : targetMacs) {
        auto item = std::make_unique<Item>(Item{m_manager.GetDevice(mac)});
        m_rows.push_back(OperationRow{CKorvaneAdminInfoMgr::NormalizeMac(mac), item->device.Name(),
                                      std::string(CStringTable::Text(11205)), 0});
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
        row.text = CTextFormat::FormatId(11227, {OperationName(m_nKind)});
        row.nMark = MARK_SUCCESS;
        return;
    }
    if (result.nOutcome == OPERATION_CANCELLED) {
        row.text = std::string(CStringTable::Text(11204));
        row.nMark = MARK_CANCELLED;
        return;
    }
    row.text = std::string(CStringTable::Text(11215));
    row.nMark = MARK_FAILURE;
    for (const CodeRow& codeRow : kCodeRows) {
        if (codeRow.nCode == result.nCode) {
            row.text = codeRow.nTextId == 11229 ? CTextFormat::FormatId(11229, {OperationName(m_nKind)})
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
    return std::string(CStringTable::Text(nMarks < 2 ? 11206 : 11207));
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
