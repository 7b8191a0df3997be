#include "WakeCommand.h"

#include "Arguments.h"
#include "TargetResolver.h"
#include "protocol/KorvaneInfo.h"

#include <ostream>

namespace Korvanectl {

std::string WakeCommand::Usage() const {
    return "usage: korvanectl wake MAC\n"
           "Sends the Wake-on-LAN packet for MAC (for example 00:11:22:33:44:55) to UDP port 51055\n"
           "by IPv4 limited broadcast.\n";
}

int WakeCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {}, {});
    if (args.Positionals().size() != 1 || !TargetResolver::LooksLikeMac(args.Positionals().front())) {
        throw UsageError("wake needs one MAC address such as 00:11:22:33:44:55");
    }
    try {
        Korvane::CKorvaneInfo::SendWakeOnLan(args.Positionals().front());
    } catch (const std::exception& error) {
        err << "korvanectl wake: " << error.what() << '\n';
        return 1;
    }
    out << "Wake-on-LAN sent to " << args.Positionals().front() << '\n';
    return 0;
}

} // namespace Korvanectl
