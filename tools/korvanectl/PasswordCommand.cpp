#include "AdminCommands.h"
#include "Arguments.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "admin/PasswordTexts.h"

#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace Korvanectl {
namespace {

// One line from standard input; on a terminal without echo, after a prompt.
std::string ReadPassword(const std::string& name, std::ostream& err) {
    const bool bTerminal = isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (bTerminal) {
        err << "administrator password of " << name << ": " << std::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string password;
    const bool bRead = static_cast<bool>(std::getline(std::cin, password));
    if (bTerminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err << '\n';
    }
    if (!bRead) {
        throw CommandError("no password was given");
    }
    return password;
}

int RunPassword(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"save", "show"});
    if (args.Positionals().size() != 1) {
        throw UsageError("password needs exactly one device name or MAC address");
    }
    const bool bShowOnly = args.Flag("show");
    StoreAccess store(args.Value("settings"), bShowOnly ? StoreAccess::READ : StoreAccess::CHANGE, err);
    const std::string mac = TargetResolver(store.Manager()).Resolve(args.Positionals().front());
    Korvane::CManagedDevice& device = *store.Manager().FindDevice(mac);
    if (!bShowOnly) {
        store.Manager().SetPassword(mac, ReadPassword(device.Name(), err), args.Flag("save"));
        store.Save();
    }
    out << Korvane::CPasswordTexts::StateText(device) << '\n';
    return 0;
}

} // namespace

std::unique_ptr<Command> MakePasswordCommand() {
    return std::make_unique<FunctionCommand>(
        "password", "set the administrator password of a device",
        "usage: korvanectl password NAME|MAC [--save] [--settings FILE]\n"
        "       korvanectl password NAME|MAC --show\n"
        "Reads the password from the terminal (without echo) or from standard input and stores it\n"
        "for the device; with --save it is also written to the settings file, otherwise it is kept\n"
        "for this run only (that is, not at all for korvanectl). --show prints the password state.\n",
        RunPassword);
}

} // namespace Korvanectl
