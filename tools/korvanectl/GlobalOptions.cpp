#include "GlobalOptions.h"

#include "Arguments.h"
#include "Message.h"

namespace Korvanectl {
namespace {

constexpr std::string_view kSettings = "--settings";

bool IsSettingsWithValue(const std::string& arg) {
    return arg.size() > kSettings.size() && arg.compare(0, kSettings.size(), kSettings) == 0 &&
           arg[kSettings.size()] == '=';
}

} // namespace

std::vector<std::string> GlobalOptions::MovedAfterCommand(const std::vector<std::string>& args) {
    std::vector<std::string> globals;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (IsSettingsWithValue(args[i])) {
            globals.push_back(args[i]);
        } else if (args[i] == kSettings) {
            if (i + 1 == args.size()) {
                throw UsageError(Message(Zelt::Text::CliOptionNeedsValue, {"settings"}));
            }
            globals.insert(globals.end(), {args[i], args[i + 1]});
            ++i;
        } else {
            break;
        }
    }
    std::vector<std::string> moved(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    // "--help", "--version" and "help" ignore them; a command takes them as its own options.
    if (!moved.empty() && moved.front().rfind("-", 0) != 0 && moved.front() != "help") {
        moved.insert(moved.begin() + 1, globals.begin(), globals.end());
    }
    return moved;
}

} // namespace Korvanectl
