#pragma once

#include <functional>
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

// A command given by its texts and one function.
class FunctionCommand : public Command {
public:
    using Function =
        std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>;

    FunctionCommand(std::string name, std::string summary, std::string usage, Function function)
        : m_name(std::move(name)), m_summary(std::move(summary)), m_usage(std::move(usage)),
          m_function(std::move(function)) {}

    std::string Name() const override { return m_name; }
    std::string Summary() const override { return m_summary; }
    std::string Usage() const override { return m_usage; }
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override {
        return m_function(args, out, err);
    }

private:
    std::string m_name;
    std::string m_summary;
    std::string m_usage;
    Function m_function;
};

} // namespace Korvanectl
