#include "ResolveCommand.h"

#include "Arguments.h"
#include "TerminalText.h"
#include "net/AddressText.h"
#include "net/Resolver.h"

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

std::optional<std::string> Resolved(int (*resolve)(std::string_view, char*, size_t),
                                    const std::string& text) {
    char address[65] = {};
    if (resolve(text, address, sizeof address) != 0) {
        return std::nullopt;
    }
    return std::string(address);
}

} // namespace

std::string ResolveCommand::Usage() const {
    return "usage: korvanectl resolve TEXT [--json]\n"
           "Shows whether TEXT is an IPv4 or IPv6 literal or a host name, and the IPv4 and IPv6\n"
           "addresses it resolves to. Exit code 1 when it resolves to neither.\n";
}

int ResolveCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream&) {
    const Arguments args(argv, {}, {"json"});
    if (args.Positionals().size() != 1) {
        throw UsageError("resolve needs exactly one TEXT");
    }
    const std::string& text = args.Positionals().front();
    const std::optional<std::string> ipv4 = Resolved(Zelt::resolve_hostname_inet, text);
    const std::optional<std::string> ipv6 = Resolved(Zelt::resolve_hostname_inet6, text);
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
