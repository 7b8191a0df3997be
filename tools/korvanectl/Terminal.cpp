#include "Terminal.h"

#include "Message.h"
#include "StoreAccess.h"

#include <csignal>
#include <iostream>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace Korvanectl {
namespace {

termios g_savedTerminal{};

// Ctrl-C at a password prompt ends the program as it would anyway (exit status 130 for the
// shell), but never leaves the user's terminal without echo.
void RestoreTerminalAndEnd(int nSignal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

// Echo off while it lives; the signals that end the program restore the terminal first.
class QuietTerminal {
public:
    QuietTerminal() {
        tcgetattr(STDIN_FILENO, &g_savedTerminal);
        termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_previousInterrupt = std::signal(SIGINT, RestoreTerminalAndEnd);
        m_previousTerminate = std::signal(SIGTERM, RestoreTerminalAndEnd);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    ~QuietTerminal() {
        tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
        std::signal(SIGINT, m_previousInterrupt);
        std::signal(SIGTERM, m_previousTerminate);
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

private:
    void (*m_previousInterrupt)(int);
    void (*m_previousTerminate)(int);
};

} // namespace

std::string Terminal::ReadSecret(const std::string& prompt, std::ostream& err) {
    const bool bTerminal = isatty(STDIN_FILENO) == 1;
    std::optional<QuietTerminal> quiet;
    if (bTerminal) {
        err << prompt << std::flush;
        quiet.emplace();
    }
    std::string text;
    const bool bRead = static_cast<bool>(std::getline(std::cin, text));
    if (bTerminal) {
        quiet.reset();
        err << '\n';
    }
    if (!bRead) {
        throw CommandError(Message(Zelt::Text::CliNoPasswordGiven));
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
