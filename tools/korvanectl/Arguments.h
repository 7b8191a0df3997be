#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace Korvanectl {

// A mistake in the command line; main() prints it with the usage and exits with code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments of one subcommand: positionals, "--name value" / "--name=value" options
// (repeatable) and "--flag" switches. Anything not declared is a usage error.
class Arguments {
public:
    Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flags);

    const std::vector<std::string>& Positionals() const { return m_positionals; }
    bool Flag(const std::string& name) const { return m_flags.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    // The option as a decimal integer, or the fallback when absent.
    int IntValue(const std::string& name, int fallback) const;

private:
    std::vector<std::string> m_positionals;
    std::set<std::string> m_flags;
    std::map<std::string, std::vector<std::string>> m_values;
};

} // namespace Korvanectl
