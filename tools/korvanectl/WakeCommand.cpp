#include "WakeCommand.h"

#include "Arguments.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "protocol/KorvaneInfo.h"

#include <ostream>

namespace Korvanectl {

std::string WakeCommand::Usage() const {
    return "usage: korvanectl wake MAC|NAME [--settings FILE]\n"
           "Sends the Wake-on-LAN packet for MAC (00:11:22:33:44:55, 00-11-22-33-44-55 or 001122334455)\n"
           "or for the managed device NAME to UDP port 51055 by IPv4 limited broadcast. Any MAC address\n"
           "may be woken; a name must be that of exactly one managed device.\n";
}

int WakeCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    if (args.Positionals().size() != 1) {
        throw UsageError("wake needs one MAC address such as 00:11:22:33:44:55, or a device name");
    }
    const std::string mac = MacToWake(args.Positionals().front(), args.Value("settings"), err);
    try {
        Korvane::CKorvaneInfo::SendWakeOnLan(mac);
    } catch (const std::exception& error) {
        err << "korvanectl wake: " << error.what() << '\n';
        return 1;
    }
    out << "Wake-on-LAN sent to " << mac << '\n';
    return 0;
}

std::string WakeCommand::MacToWake(const std::string& target, const std::optional<std::string>& settingsPath,
                                   std::ostream& err) {
    if (const std::optional<std::string> mac = TargetResolver::MacOf(target)) {
        return *mac;
    }
    StoreAccess store(settingsPath, StoreAccess::READ, err);
    return TargetResolver(store.Manager()).Resolve(target);
}

} // namespace Korvanectl
