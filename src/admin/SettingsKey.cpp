#include "admin/SettingsKey.h"

#include "support/RegularFile.h"

#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace Korvane {
namespace {

// A machine id is 32 hex digits; anything much longer is not one.
constexpr size_t kMaxMachineIdBytes = 256;

std::string Trimmed(const std::string& text) {
    constexpr const char* kBlanks = " \t\r\n";
    const size_t nFirst = text.find_first_not_of(kBlanks);
    if (nFirst == std::string::npos) {
        return std::string();
    }
    return text.substr(nFirst, text.find_last_not_of(kBlanks) - nFirst + 1);
}

} // namespace

std::optional<std::string> CSettingsKey::ForCurrentUser() {
    return Compose(MACHINE_ID_FILE, getuid());
}

std::optional<std::string> CSettingsKey::Compose(const std::filesystem::path& machineIdFile, uid_t nUid) {
    std::optional<std::string> machine = MachineId(machineIdFile);
    if (!machine) {
        machine = HostName();
    }
    if (!machine) {
        return std::nullopt;
    }
    return *machine + ":" + std::to_string(nUid);
}

std::optional<std::string> CSettingsKey::MachineId(const std::filesystem::path& machineIdFile) {
    Zelt::CRegularFile input(machineIdFile, O_RDONLY);
    std::string text;
    if (!input.IsOpen() || !input.ReadAtMost(kMaxMachineIdBytes, text)) {
        return std::nullopt;
    }
    text = Trimmed(text);
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

std::optional<std::string> CSettingsKey::HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return std::nullopt;
    }
    return std::string(name);
}

} // namespace Korvane
