#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace KorvaneApp {

// What the desktop program answers on the command line without opening a window, so that it works
// without a display (over ssh, in a script, from a package check).
class CommandLineInfo {
public:
    // The exit code when the arguments ask for the help or the version (printed to out), nothing
    // when the program should start.
    static std::optional<int> Answer(const std::vector<std::string>& arguments, std::ostream& out);
};

} // namespace KorvaneApp
