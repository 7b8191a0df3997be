#include "ResolveCommand.h"

#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "Message.h"
#include "TerminalText.h"
#include "net/AddressText.h"
#include "net/NameResolver.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <sys/socket.h>

namespace Korvanectl {
namespace {

const char* FamilyName(int nFamily) {
    switch (nFamily) {
    case AF_INET:
        return "ipv4";
    case AF_INET6:
        return "ipv6";
    default:
        return "unspecified";
    }
}

} // namespace

std::string ResolveCommand::Summary() const {
    return Message(Zelt::Text::CliSummaryResolve);
}

std::string ResolveCommand::Usage() const {
    return Message(Zelt::Text::CliUsageResolve);
}

int ResolveCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {}, {"json"});
    if (args.Positionals().size() != 1) {
        throw UsageError(Message(Zelt::Text::CliNeedsExactlyOne, {"resolve", "TEXT"}));
    }
    const std::string& text = args.Positionals().front();
    const CancelOnInterrupt cancel;
    const Zelt::ResolvedAddresses resolved = Zelt::CNameResolver::Resolve(text, cancel.Event());
    if (cancel.Event()->IsSet()) {
        err << "korvanectl resolve: " << Zelt::CStringTable::Text(Zelt::Text::Cancelled) << '\n';
        return CancelOnInterrupt::EXIT_CANCELLED;
    }
    const std::optional<std::string> ipv4 = resolved.First(AF_INET);
    const std::optional<std::string> ipv6 = resolved.First(AF_INET6);
    const char* pszFamily = FamilyName(Zelt::GetAddressFamily(text));
    if (args.Flag("json")) {
        nlohmann::json result = {{"text", text}, {"family", pszFamily}, {"ipv4", nullptr}, {"ipv6", nullptr}};
        if (ipv4) {
            result["ipv4"] = *ipv4;
        }
        if (ipv6) {
            result["ipv6"] = *ipv6;
        }
        out << TerminalText::Json(result) << '\n';
    } else {
        out << "family: " << pszFamily << "\nipv4: " << ipv4.value_or("-") << "\nipv6: " << ipv6.value_or("-")
            << '\n';
    }
    return ipv4 || ipv6 ? 0 : 1;
}

} // namespace Korvanectl
