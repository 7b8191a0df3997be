#include "AdminCommands.h"
#include "ApprovalNotice.h"
#include "Arguments.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "Terminal.h"
#include "TerminalText.h"

#include <ostream>

namespace Korvanectl {
namespace {

int RunApprove(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"yes"});
    if (args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliNeedsDevices, {"approve"}));
    }
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    const std::vector<std::string> macs = TargetResolver(manager).ResolveAll(args.Positionals());
    size_t nApproved = 0;
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice& device = *manager.FindDevice(mac);
        if (!device.HasUnapprovedAddresses()) {
            err << "korvanectl approve: "
                << Message(Zelt::Text::CliNothingToApprove, {TerminalText::Escaped(device.Name()), mac})
                << '\n';
            continue;
        }
        const std::string description = WaitingForApproval(device, mac);
        if (!args.Flag("yes") &&
            !Terminal::Confirm(Message(Zelt::Text::CliApproveQuestion, {description}), err)) {
            continue;
        }
        out << Message(Zelt::Text::CliApproved, {description}) << '\n';
        manager.ApproveNewAddresses(mac);
        ++nApproved;
    }
    if (nApproved != 0) {
        store.Save();
    }
    return nApproved == macs.size() ? 0 : 1;
}

} // namespace

std::unique_ptr<Command> MakeApproveCommand() {
    return std::make_unique<FunctionCommand>("approve", Message(Zelt::Text::CliSummaryApprove),
                                             Message(Zelt::Text::CliUsageApprove), RunApprove);
}

} // namespace Korvanectl
