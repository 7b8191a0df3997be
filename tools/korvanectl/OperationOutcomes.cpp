#include "OperationOutcomes.h"

#include "ManagedDeviceJson.h"
#include "support/StringTable.h"

#include <nlohmann/json.hpp>

namespace Korvanectl {
namespace {

struct CodeName {
    int nCode;
    const char* pszName;
};

constexpr CodeName kFailures[] = {
    {Korvane::CODE_NO_PASSWORD, "no-password"},
    {Korvane::CODE_AUTHORIZATION_REJECTED, "password-rejected"},
    {Korvane::CODE_DEVICE_ERROR, "device-error"},
    {Korvane::CODE_DEVICE_BUSY, "device-busy"},
    {Korvane::CODE_TIMEOUT, "timeout"},
    {Korvane::CODE_EXCHANGE_ERROR, "exchange-error"},
    {Korvane::CODE_CANNOT_CONNECT, "cannot-connect"},
    {Korvane::CODE_ADDRESS_NOT_APPROVED, "address-not-approved"},
};

constexpr const char* kOperations[] = {"poweron",     "poweroff", "reboot",  "melody-start",
                                       "melody-stop", "eco",      "firmware"};

} // namespace

void OperationOutcomes::Keep(const Korvane::OperationRowResult& result) {
    if (result.nRow < m_results.size()) {
        m_results[result.nRow] = result;
    }
}

const char* OperationOutcomes::OutcomeCode(const Korvane::OperationRowResult& result) {
    if (result.nOutcome == Korvane::OPERATION_DONE) {
        return "done";
    }
    if (result.nOutcome == Korvane::OPERATION_CANCELLED) {
        return "cancelled";
    }
    for (const CodeName& failure : kFailures) {
        if (failure.nCode == result.nCode) {
            return failure.pszName;
        }
    }
    return "failed";
}

const char* OperationOutcomes::OperationCode(int nKind) {
    return kOperations[nKind];
}

nlohmann::json OperationOutcomes::Json(const Korvane::CKorvaneAdminInfoMgr& manager) const {
    nlohmann::json devices = nlohmann::json::array();
    for (size_t nRow = 0; nRow < m_results.size(); ++nRow) {
        const Korvane::OperationRow& row = m_run.Rows()[nRow];
        devices.push_back(ManagedDeviceJson(manager, row.mac));
        devices.back().update(
            {{"outcome", OutcomeCode(m_results[nRow])},
             {"outcomeText", row.text},
             {"failure", row.failure.empty() ? nlohmann::json(nullptr) : nlohmann::json(row.failure)}});
    }
    return {{"operation", OperationCode(m_run.Kind())},
            {"summary", m_run.SummaryText()},
            {"notice", m_run.ShowsFirmwareNotice()
                           ? nlohmann::json(Zelt::CStringTable::Text(Zelt::Text::FirmwareUpdateStarted))
                           : nlohmann::json(nullptr)},
            {"devices", devices}};
}

} // namespace Korvanectl
