#include "WakeCommand.h"

#include "Arguments.h"
#include "protocol/KorvaneInfo.h"

#include <cctype>
#include <ostream>

namespace Korvanectl {
namespace {

// Six pairs of hexadecimal digits separated by colons.
bool IsMacText(const std::string& text) {
    if (text.size() != 17) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool bSeparator = i % 3 == 2;
        if (bSeparator ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string WakeCommand::Usage() const {
    return "usage: korvanectl wake MAC\n"
           "Sends the Wake-on-LAN packet for MAC (for example 00:11:22:33:44:55) to UDP port 51055\n"
           "by IPv4 limited broadcast.\n";
}

int WakeCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {}, {});
    if (args.Positionals().size() != 1 || !IsMacText(args.Positionals().front())) {
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
