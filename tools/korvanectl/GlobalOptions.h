#pragma once

#include <string>
#include <vector>

namespace Korvanectl {

// Options that every command that uses the settings understands, so they may also stand before the
// command name: "korvanectl --settings F list" is "korvanectl list --settings F".
class GlobalOptions {
public:
    // The arguments with the global options found before the command moved to just after its name
    // (ahead of any "--"). Throws UsageError for such an option without its value.
    static std::vector<std::string> MovedAfterCommand(const std::vector<std::string>& args);
};

} // namespace Korvanectl
