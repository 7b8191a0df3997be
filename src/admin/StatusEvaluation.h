#pragma once

#include "admin/ManagedDevice.h"

#include <string>

namespace Korvane {

class CKorvaneAdminInfoMgr;

enum ConditionState : int { CONDITION_NORMAL = 0, CONDITION_CAUTION = 1, CONDITION_ERROR = 2 };

// What the notification check found over all devices.
struct StatusCheckResult {
    bool bChanged = false; // some device has a new alert bit: show the balloon, send the mail
    int nBalloon = 0;      // 2 when some device is in the error state, else 1; 0 when unchanged
};

// The health of a managed device, derived from its last information.
class CStatusEvaluation {
public:
    // From the attribute "condition" of statusinfo/status: ERROR 2, NOTIFY 1, else 0.
    static int ConditionState(const CKorvaneInfo& info);
    // The status bits that the information shows (case-insensitive comparisons).
    static int StatusBitsOf(const CKorvaneInfo& info);
    // Stores the device's new bits; true when a bit other than "unreachable" appeared.
    static bool EvaluateStatusBits(CManagedDevice& device);
    // The multi-line alert text: the lines of the set bits in the order 1, 2, 8, 4, 16, 32.
    static std::string StatusText(const CManagedDevice& device);
    // The alert lines of the given bits, in that order.
    static std::string AlertText(int nBits);
    // The attribute "update" of the document root, or "-".
    static std::string InformationTimeText(const CKorvaneInfo& info);
    // The text of a communication result code; empty for an unknown code.
    static std::string ResultCodeText(int nResultCode);
    // "Connection error" in the status column: the device is marked unreachable.
    static bool IsConnectionError(const CManagedDevice& device);
    // The last information update did not succeed.
    static bool LastUpdateFailed(const CManagedDevice& device);
    // Why the last update could not ask the device (not reached, a failed exchange, the password
    // rejected); empty when it could.
    static std::string UpdateFailureText(const CManagedDevice& device);
    // The state for scripts: the condition (0 normal, 1 caution, 2 error), with a device that did
    // not answer counted as an error.
    static int OverallState(const CManagedDevice& device);
    // Evaluates every device; the balloon is due when some device changed.
    static StatusCheckResult CheckAllDevices(CKorvaneAdminInfoMgr& manager);
};

} // namespace Korvane
