#pragma once

#include <map>
#include <string>
#include <vector>

namespace Korvane {

// One step that the device runs before or after the request itself (e.g. shut down when done).
struct ProcessEntry {
    int nCommand = 0; // a key of CRequestParamBase::ProcessCommandTable()
    std::string strText;
    int nCondition = 0;
};
using ProcessList = std::vector<ProcessEntry>;

constexpr int PROCESS_COMMAND_SHUTDOWN = 1;
constexpr int PROCESS_COMMAND_REBOOT = 2;
constexpr int PROCESS_COMMAND_LOG = 3;

// What every request carries: the authentication key, the device-side wait time, the protocol
// version and the process lists.
class CRequestParamBase {
public:
    CRequestParamBase(std::string strAuthKey, int nWaitMillisec, double dVersion);
    virtual ~CRequestParamBase() = default;

    const std::string& AuthKey() const { return m_strAuthKey; }
    void SetAuthKey(std::string strAuthKey) { m_strAuthKey = std::move(strAuthKey); }
    int WaitMillisec() const { return m_nWaitMillisec; }
    void SetWaitMillisec(int nWaitMillisec) { m_nWaitMillisec = nWaitMillisec; }
    double Version() const { return m_dVersion; }

    const ProcessList& PostProcesses() const { return m_postProcesses; }
    void SetPostProcesses(ProcessList list) { m_postProcesses = std::move(list); }
    const ProcessList& PreProcesses() const { return m_preProcesses; }
    void SetPreProcesses(ProcessList list) { m_preProcesses = std::move(list); }

    // Process command code -> the word the device understands.
    static const std::map<int, std::string>& ProcessCommandTable();

private:
    std::string m_strAuthKey;
    int m_nWaitMillisec;
    double m_dVersion;
    ProcessList m_postProcesses;
    ProcessList m_preProcesses;
};

} // namespace Korvane
