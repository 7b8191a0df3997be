#include "CommandLineInfo.h"

#include "support/Language.h"
#include "support/StringTable.h"

#include <algorithm>
#include <ostream>

namespace KorvaneApp {
namespace {

bool Contains(const std::vector<std::string>& arguments, std::initializer_list<const char*> names) {
    return std::any_of(arguments.begin(), arguments.end(), [names](const std::string& argument) {
        return std::find(names.begin(), names.end(), argument) != names.end();
    });
}

} // namespace

std::optional<int> CommandLineInfo::Answer(const std::vector<std::string>& arguments, std::ostream& out) {
    if (Contains(arguments, {"--help", "-h"})) {
        // Before the settings are read, the environment alone chooses the language.
        out << Zelt::CStringTable::Text(Zelt::Text::AdminCommandLineHelp, Zelt::CLanguage::FromEnvironment());
        return 0;
    }
    if (Contains(arguments, {"--version"})) {
        out << "korvane-admin " << KORVANE_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}

} // namespace KorvaneApp
