#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace Korvanectl {

// One subcommand of korvanectl. Run returns the process exit code; usage mistakes are thrown
// as UsageError.
class Command {
public:
    virtual ~Command() = default;
    virtual std::string Name() const = 0;
    virtual std::string Summary() const = 0;
    virtual std::string Usage() const = 0;
    virtual int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) = 0;
};

} // namespace Korvanectl
