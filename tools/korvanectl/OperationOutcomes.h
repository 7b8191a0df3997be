#pragma once

#include "admin/AdminInfoMgr.h"
#include "operations/OperationRun.h"

#include <nlohmann/json_fwd.hpp>
#include <vector>

namespace Korvanectl {

// The outcome of every device of an operation, kept as the results are applied, for --json: per
// device the fields of list --json, the outcome as a stable code and the text of its row.
class OperationOutcomes {
public:
    explicit OperationOutcomes(const Korvane::COperationRun& run)
        : m_run(run), m_results(run.Rows().size()) {}

    void Keep(const Korvane::OperationRowResult& result);
    // The operation (its command name), the summary, the notice after a firmware update (or null)
    // and the devices in the order they were named.
    nlohmann::json Json(const Korvane::CKorvaneAdminInfoMgr& manager) const;

    // "done", "cancelled", or why the device failed ("password-rejected", "timeout", ...).
    static const char* OutcomeCode(const Korvane::OperationRowResult& result);
    // The command that runs the operation: "reboot", "melody-start", ...
    static const char* OperationCode(int nKind);

private:
    const Korvane::COperationRun& m_run;
    std::vector<Korvane::OperationRowResult> m_results;
};

} // namespace Korvanectl
