#include "admin/StatusEvaluation.h"

#include "admin/AdminInfoMgr.h"
#include "admin/InfoValues.h"
#include "support/StringTable.h"

namespace Korvane {
namespace {

using Zelt::CStringTable;
namespace Text = Zelt::Text;

struct BitRule {
    int nBit;
    const char* pszPath;
    const char* pszValue;
};

constexpr BitRule kBitRules[] = {
    {STATUS_BIT_UNREACHABLE, "systeminfo/power", "OFF"},
    {STATUS_BIT_QUOTA, "statusinfo/status/error[@type='quota']/param", "NG"},
    {STATUS_BIT_CAPACITY, "statusinfo/status/error[@type='capacity']/param", "NG"},
    {STATUS_BIT_DISK_ERROR, "statusinfo/status/error[@type='diskerror']/param", "NG"},
    {STATUS_BIT_UPS, "statusinfo/status/error[@type='ups']/param", "NG"},
    {STATUS_BIT_NOTICE, "statusinfo/status/notify[@type='notify']/param", "ON"},
};

// The alert lines in the order the text shows them: the RAID line before capacity.
constexpr std::pair<int, int> kTextLines[] = {
    {STATUS_BIT_UNREACHABLE, Text::StatusLineUnreachable},
    {STATUS_BIT_QUOTA, Text::StatusLineQuota},
    {STATUS_BIT_DISK_ERROR, Text::StatusLineRaidDegraded},
    {STATUS_BIT_CAPACITY, Text::StatusLineCapacity},
    {STATUS_BIT_UPS, Text::StatusLineUps},
    {STATUS_BIT_NOTICE, Text::StatusLineNotice},
};

constexpr int kAlertBits =
    STATUS_BIT_QUOTA | STATUS_BIT_CAPACITY | STATUS_BIT_DISK_ERROR | STATUS_BIT_UPS | STATUS_BIT_NOTICE;

} // namespace

int CStatusEvaluation::ConditionState(const CKorvaneInfo& info) {
    const std::string condition = CInfoValues(info).Attribute("statusinfo/status", "condition");
    if (CInfoValues::SameText(condition, "ERROR")) {
        return CONDITION_ERROR;
    }
    return CInfoValues::SameText(condition, "NOTIFY") ? CONDITION_CAUTION : CONDITION_NORMAL;
}

int CStatusEvaluation::StatusBitsOf(const CKorvaneInfo& info) {
    int nBits = 0;
    for (const BitRule& rule : kBitRules) {
        if (CInfoValues::SameText(CInfoValues(info).Text(rule.pszPath), rule.pszValue)) {
            nBits |= rule.nBit;
        }
    }
    return nBits;
}

bool CStatusEvaluation::EvaluateStatusBits(CManagedDevice& device) {
    const int nOld = device.GetStatusBits();
    const int nNew = StatusBitsOf(device);
    device.SetStatusBits(nNew);
    return (nNew & ~nOld & kAlertBits) != 0;
}

std::string CStatusEvaluation::StatusText(const CManagedDevice& device) {
    if (device.GetStatusBits() == 0) {
        return std::string(CStringTable::Text(Text::StatusLineNormal));
    }
    return AlertText(device.GetStatusBits());
}

std::string CStatusEvaluation::AlertText(int nBits) {
    std::string text;
    for (const auto& [nBit, nTextId] : kTextLines) {
        if ((nBits & nBit) != 0) {
            text += CStringTable::Text(nTextId);
        }
    }
    return text;
}

std::string CStatusEvaluation::InformationTimeText(const CKorvaneInfo& info) {
    const std::string update = CInfoValues(info).Attribute(".", "update");
    return update.empty() ? std::string(CStringTable::Text(Text::NoValue)) : update;
}

std::string CStatusEvaluation::ResultCodeText(int nResultCode) {
    switch (nResultCode) {
    case RESULT_SUCCESS:
        return std::string(CStringTable::Text(Text::LastUpdateSucceeded));
    case RESULT_TIMEOUT:
        return std::string(CStringTable::Text(Text::LastUpdateTimedOut));
    case RESULT_COMMUNICATION_ERROR:
        return std::string(CStringTable::Text(Text::LastUpdateCommunicationError));
    case RESULT_DEVICE_ERROR:
        return std::string(CStringTable::Text(Text::LastUpdateDeviceError));
    case RESULT_DEVICE_BUSY:
        return std::string(CStringTable::Text(Text::LastUpdateDeviceBusy));
    default:
        return std::string();
    }
}

bool CStatusEvaluation::IsConnectionError(const CManagedDevice& device) {
    return (device.GetStatusBits() & STATUS_BIT_UNREACHABLE) != 0;
}

bool CStatusEvaluation::LastUpdateFailed(const CManagedDevice& device) {
    return device.GetResultCode() != RESULT_SUCCESS;
}

std::string CStatusEvaluation::UpdateFailureText(const CManagedDevice& device) {
    static constexpr std::pair<int, int> kResultTexts[] = {
        {RESULT_TIMEOUT, Text::FailureTimedOut},
        {RESULT_COMMUNICATION_ERROR, Text::FailureCommunication},
        {RESULT_DEVICE_ERROR, Text::FailureDeviceError},
        {RESULT_DEVICE_BUSY, Text::FailureDeviceBusy}};
    if (IsConnectionError(device)) {
        return std::string(CStringTable::Text(Text::FailureCannotConnect));
    }
    for (const auto& [nResult, nTextId] : kResultTexts) {
        if (device.GetResultCode() == nResult) {
            return std::string(CStringTable::Text(nTextId));
        }
    }
    if (device.HasPassword() && !device.GetPasswordAccepted()) {
        return std::string(CStringTable::Text(Text::FailurePasswordRejected));
    }
    return std::string();
}

int CStatusEvaluation::OverallState(const CManagedDevice& device) {
    return IsConnectionError(device) ? CONDITION_ERROR : ConditionState(device);
}

StatusCheckResult CStatusEvaluation::CheckAllDevices(CKorvaneAdminInfoMgr& manager) {
    StatusCheckResult result;
    bool bAnyError = false;
    for (const std::string& mac : manager.Macs()) {
        CManagedDevice& device = *manager.FindDevice(mac);
        result.bChanged = EvaluateStatusBits(device) || result.bChanged;
        bAnyError = bAnyError || ConditionState(device) == CONDITION_ERROR;
    }
    if (result.bChanged) {
        result.nBalloon = bAnyError ? 2 : 1;
    }
    return result;
}

} // namespace Korvane
