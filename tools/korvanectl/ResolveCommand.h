#pragma once

#include "Command.h"

namespace Korvanectl {

// "korvanectl resolve TEXT": how the program reads an address text or host name.
class ResolveCommand : public Command {
public:
    std::string Name() const override { return "resolve"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};

} // namespace Korvanectl
