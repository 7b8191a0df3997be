#include "admin/StartupRules.h"

#include <cctype>
#include <cstdlib>

namespace Korvane {

bool CStartupRules::IsTrayStartFlag(std::string_view token) {
    return token.size() > 1 && (token.front() == '/' || token.front() == '-') &&
           token.substr(1) == "tasktray";
}

bool CStartupRules::TrayStartRequested(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (IsTrayStartFlag(argument)) {
            return true;
        }
    }
    return false;
}

bool CStartupRules::BrowserVersionSuffices(const std::optional<std::string>& versionText) {
    if (!versionText) {
        return true;
    }
    // The leading decimal number, as strtoul reads it: blanks and a sign allowed, no digits is 0.
    const std::string major = versionText->substr(0, versionText->find('.'));
    return std::strtoul(major.c_str(), nullptr, 10) >= 6;
}

} // namespace Korvane
