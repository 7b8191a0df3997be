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
    return std::make_unique<FunctionCommand>(
        "approve", "approve the new address of devices that turned up elsewhere",
        "usage: korvanectl approve NAME|MAC... [--yes] [--settings FILE]\n"
        "A device with a password that turns up at another address (a search, its host name, its\n"
        "own report) keeps its approved address, and its password is not sent to the new one; list\n"
        "shows it as waiting for approval. approve shows the old and the new address of each device\n"
        "and, once confirmed (or with --yes), moves the device there and approves the new address\n"
        "for its password. The exit code is 1 when some device had nothing to approve or was not\n"
        "confirmed.\n",
        RunApprove);
}

} // namespace Korvanectl
