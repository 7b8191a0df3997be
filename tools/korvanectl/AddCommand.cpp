#include "AdminCommands.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "StoreAccess.h"
#include "operations/AddTarget.h"
#include "operations/InfoFetch.h"
#include "operations/InfoResult.h"
#include "support/StringTable.h"

#include <ostream>

namespace Korvanectl {
namespace {

int RunAdd(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    if (args.Positionals().size() != 1) {
        throw UsageError("add needs exactly one ADDRESS");
    }
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    const Korvane::TypedAddresses addresses = Korvane::CAddTarget::ResolveInput(args.Positionals().front());
    Korvane::CManagedDevice candidate = Korvane::CAddTarget::Candidate(addresses);
    CancelOnInterrupt cancel;
    int nMessage = Korvane::INFO_NOT_OBTAINED;
    try {
        if (Korvane::GetInfoFromTrgKorvane(candidate, Korvane::ID_GETINFO_CATEGORY_ADMIN_SIMPLE,
                                           cancel.Event(), 30000)) {
            nMessage = Korvane::INFO_FETCHED;
        }
    } catch (...) {
        nMessage = Korvane::InfoMessageFor(std::current_exception());
    }
    if (nMessage != Korvane::INFO_FETCHED) {
        const int nText = Korvane::CAddTarget::MessageFor(nMessage);
        err << "korvanectl add: " << (nText != 0 ? Zelt::CStringTable::Text(nText) : "cancelled") << '\n';
        return 1;
    }
    Korvane::CAddTarget::TakeFetched(candidate, addresses);
    if (!store.Manager().AddOrUpdate(candidate)) {
        err << "korvanectl add: the device's answer carries no MAC address; it cannot be managed\n";
        return 1;
    }
    store.Save();
    out << "added " << candidate.Name() << " (" << candidate.ReportedMac() << ")"
        << (candidate.GetPortForwarding() ? ", reached through port forwarding" : "") << '\n';
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeAddCommand() {
    return std::make_unique<FunctionCommand>(
        "add", "bring the device at an address or host name under management",
        "usage: korvanectl add ADDRESS [--settings FILE]\n"
        "Fetches the basic information of the device at ADDRESS (IPv4, IPv6 or host name) and\n"
        "manages it. A device that reports other addresses than ADDRESS resolves to is taken to be\n"
        "reached through port forwarding and keeps the address given here.\n",
        RunAdd);
}

} // namespace Korvanectl
