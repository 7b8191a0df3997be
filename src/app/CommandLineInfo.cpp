#include "CommandLineInfo.h"

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
        out << "usage: korvane-admin [-tasktray] [--help] [--version]\n"
               "KORVANE Admin: the administration of KORVANE storage devices on the local network.\n"
               "  -tasktray   start in the notification area without showing the window\n"
               "  --help      print this help and exit\n"
               "  --version   print the version and exit\n"
               "The same administration on the command line: korvanectl --help.\n";
        return 0;
    }
    if (Contains(arguments, {"--version"})) {
        out << "korvane-admin " << KORVANE_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}

} // namespace KorvaneApp
