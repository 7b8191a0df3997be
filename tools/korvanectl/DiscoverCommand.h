#pragma once

#include "Command.h"

namespace Korvanectl {

// "korvanectl discover": finds the devices of the local network with the three discovery
// protocols and fetches each one's basic information.
class DiscoverCommand : public Command {
public:
    std::string Name() const override { return "discover"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};

} // namespace Korvanectl
