#include "Terminal.h"

#include "StoreAccess.h"

#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace Korvanectl {

std::string Terminal::ReadSecret(const std::string& prompt, std::ostream& err) {
    const bool bTerminal = isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (bTerminal) {
        err << prompt << std::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string text;
    const bool bRead = static_cast<bool>(std::getline(std::cin, text));
    if (bTerminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err << '\n';
    }
    if (!bRead) {
        throw CommandError("no password was given");
    }
    return text;
}

bool Terminal::Confirm(const std::string& question, std::ostream& err) {
    err << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

} // namespace Korvanectl
