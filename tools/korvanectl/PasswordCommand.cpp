#include "AdminCommands.h"
#include "Arguments.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "Terminal.h"
#include "admin/PasswordTexts.h"

#include <ostream>

namespace Korvanectl {
namespace {

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
        store.Manager().SetPassword(
            mac, Terminal::ReadSecret("administrator password of " + device.Name() + ": ", err),
            args.Flag("save"));
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
