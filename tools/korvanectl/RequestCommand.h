#pragma once

#include "Command.h"

namespace Korvanectl {

// "korvanectl request KIND": prints the document of a request as it goes on the wire.
class RequestCommand : public Command {
public:
    std::string Name() const override { return "request"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};

} // namespace Korvanectl
