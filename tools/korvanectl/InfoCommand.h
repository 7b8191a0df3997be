#pragma once

#include "Command.h"

namespace Korvanectl {

// "korvanectl info ADDRESS": fetches a device's information over the device protocol.
class InfoCommand : public Command {
public:
    std::string Name() const override { return "info"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};

} // namespace Korvanectl
