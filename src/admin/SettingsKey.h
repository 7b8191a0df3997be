#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace Korvane {

// The key that scrambles the settings file: a text that stays the same for one user on one
// machine, so that another user's (or another machine's) file does not read.
class CSettingsKey {
public:
    static constexpr const char* MACHINE_ID_FILE = "/etc/machine-id";

    // The machine id (the host name when it is missing), ":" and the numeric uid of this process.
    // nullopt when neither the machine id nor the host name is available.
    static std::optional<std::string> ForCurrentUser();

    // The same rule with another machine-id file and uid.
    static std::optional<std::string> Compose(const std::filesystem::path& machineIdFile, uid_t nUid);

private:
    static std::optional<std::string> MachineId(const std::filesystem::path& machineIdFile);
    static std::optional<std::string> HostName();
};

} // namespace Korvane
