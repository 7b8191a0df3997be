#pragma once

#include <iosfwd>
#include <string>

namespace Korvanectl {

// Questions and secret input on the terminal.
class Terminal {
public:
    // One line from standard input; without echo when it is a terminal. Empty optional texts
    // are fine; end of input throws CommandError.
    static std::string ReadSecret(const std::string& prompt, std::ostream& err);
    // A yes/no question; anything but y or yes is no.
    static bool Confirm(const std::string& question, std::ostream& err);
};

} // namespace Korvanectl
