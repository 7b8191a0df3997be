#include "Arguments.h"

#include "Message.h"

#include <charconv>

namespace Korvanectl {

Arguments::Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flags) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            optionsEnded = optionsEnded || arg == "--";
            if (arg != "--") {
                m_positionals.push_back(arg);
            }
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        if (flags.count(name) != 0 && equals == std::string::npos) {
            m_flags.insert(name);
        } else if (valueOptions.count(name) != 0) {
            if (equals != std::string::npos) {
                m_values[name].push_back(arg.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                m_values[name].push_back(args[++i]);
            } else {
                throw UsageError(Message(Zelt::Text::CliOptionNeedsValue, {name}));
            }
        } else {
            throw UsageError(Message(Zelt::Text::CliUnknownOption, {arg}));
        }
    }
}

std::optional<std::string> Arguments::Value(const std::string& name) const {
    const auto found = m_values.find(name);
    if (found == m_values.end()) {
        return std::nullopt;
    }
    return found->second.back();
}

std::vector<std::string> Arguments::Values(const std::string& name) const {
    const auto found = m_values.find(name);
    return found == m_values.end() ? std::vector<std::string>() : found->second;
}

int Arguments::IntValue(const std::string& name, int fallback) const {
    const std::optional<std::string> text = Value(name);
    if (!text) {
        return fallback;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size()) {
        throw UsageError(Message(Zelt::Text::CliOptionNeedsNumber, {name, *text}));
    }
    return value;
}

} // namespace Korvanectl
