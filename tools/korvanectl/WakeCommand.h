#pragma once

#include "Command.h"

namespace Korvanectl {

// "korvanectl wake MAC": the Wake-on-LAN packet by IPv4 limited broadcast.
class WakeCommand : public Command {
public:
    std::string Name() const override { return "wake"; }
    std::string Summary() const override { return "power a device on by Wake-on-LAN"; }
    std::string Usage() const override;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};

} // namespace Korvanectl
