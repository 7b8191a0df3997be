#pragma once

#include "Command.h"

#include <optional>
#include <string>

namespace Korvanectl {

// "korvanectl wake MAC|NAME": the Wake-on-LAN packet by IPv4 limited broadcast.
class WakeCommand : public Command {
public:
    std::string Name() const override { return "wake"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;

private:
    // The MAC as typed, or the one of the managed device of that name (which may be switched off,
    // so the settings know it, not the network).
    static std::string MacToWake(const std::string& target, const std::optional<std::string>& settingsPath,
                                 std::ostream& err);
};

} // namespace Korvanectl
