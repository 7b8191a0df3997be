#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"

#include <string>

namespace Korvane {

struct OperationOutcomeCode {
    int nOutcome;                // OperationOutcome
    int nCode = 0;               // OperationResultCode when it failed
    std::string strFailure = {}; // where and why it failed (CFailureText), when an exception told
};

// Runs one user operation on one device (its record's copy) and tells how it ended. A device
// without a stored password is not contacted at all.
class COperationWorker {
public:
    static constexpr int WAIT_MILLISECONDS = 30000;

    // strPath: the firmware image (kind 6); strDocument: the settings document (kind 5).
    static OperationOutcomeCode Run(int nKind, CManagedDevice& device,
                                    const Zelt::CancelEventPtr& cancelEvent, const std::string& strPath,
                                    const std::string& strDocument);

private:
    static void Perform(int nKind, CManagedDevice& device, const Zelt::CancelEventPtr& cancelEvent,
                        const std::string& strPath, const std::string& strDocument);
    static OperationOutcomeCode OutcomeOf(const std::exception_ptr& failure);
};

} // namespace Korvane
