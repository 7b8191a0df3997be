#include "protocol/RequestParamBase.h"

namespace Korvane {

CRequestParamBase::CRequestParamBase(std::string strAuthKey, int nWaitMillisec, double dVersion)
    : m_strAuthKey(std::move(strAuthKey)), m_nWaitMillisec(nWaitMillisec), m_dVersion(dVersion) {}

const std::map<int, std::string>& CRequestParamBase::ProcessCommandTable() {
    static const std::map<int, std::string> table = {
        {PROCESS_COMMAND_SHUTDOWN, "SHUTDOWN"},
        {PROCESS_COMMAND_REBOOT, "REBOOT"},
        {PROCESS_COMMAND_LOG, "LOG"},
    };
    return table;
}

} // namespace Korvane
