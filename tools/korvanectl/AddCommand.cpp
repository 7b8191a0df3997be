#include "AdminCommands.h"
#include "ApprovalNotice.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TerminalText.h"
#include "admin/TextFormat.h"
#include "operations/AddTarget.h"
#include "operations/InfoFetch.h"
#include "operations/InfoResult.h"
#include "support/StringTable.h"

#include <ostream>

namespace Korvanectl {
namespace {

// Fetches the basic information of the device at one address and manages it; false, with the
// reason on err, when it could not be added.
bool AddOne(const std::string& input, Korvane::CKorvaneAdminInfoMgr& manager,
            const Zelt::CancelEventPtr& cancel, std::ostream& out, std::ostream& err) {
    const Korvane::TypedAddresses addresses = Korvane::CAddTarget::ResolveInput(input, cancel);
    if (cancel->IsSet()) {
        err << "korvanectl add: " << TerminalText::Escaped(input) << ": "
            << Zelt::CStringTable::Text(Zelt::Text::Cancelled) << '\n';
        return false;
    }
    if (const int nRefusal = Korvane::CAddTarget::RefusalMessage(addresses)) {
        err << "korvanectl add: " << Korvane::CTextFormat::FormatId(nRefusal, {addresses.refused}) << '\n';
        return false;
    }
    Korvane::CManagedDevice candidate = Korvane::CAddTarget::Candidate(addresses);
    const Korvane::FetchOutcome fetched =
        Korvane::FetchInfo(candidate, Korvane::ID_GETINFO_CATEGORY_ADMIN_SIMPLE, cancel, 30000);
    if (fetched.nMessage != Korvane::INFO_FETCHED) {
        const int nText = Korvane::CAddTarget::MessageFor(fetched.nMessage);
        err << "korvanectl add: " << TerminalText::Escaped(input) << ": "
            << (nText != 0 ? std::string(Zelt::CStringTable::Text(nText)) + '\n' : std::string())
            << fetched.strFailure << '\n';
        return false;
    }
    Korvane::CAddTarget::TakeFetched(candidate, addresses);
    if (!manager.AddOrUpdate(candidate)) {
        err << "korvanectl add: " << TerminalText::Escaped(input) << ": "
            << Message(Zelt::Text::CliNoMacInAnswer) << '\n';
        return false;
    }
    const std::string mac = Korvane::CKorvaneAdminInfoMgr::NormalizeMac(candidate.ReportedMac());
    if (manager.FindDevice(mac)->HasUnapprovedAddresses()) {
        ReportWaitingDevices(manager, {mac}, out);
        return true;
    }
    out << Message(candidate.GetPortForwarding() ? Zelt::Text::CliAddedThroughForwarding
                                                 : Zelt::Text::CliAdded,
                   {TerminalText::Escaped(candidate.Name()), TerminalText::Escaped(candidate.ReportedMac())})
        << '\n';
    return true;
}

int RunAdd(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    if (args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliNeedsAtLeastOne, {"add", "ADDRESS"}));
    }
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    CancelOnInterrupt cancel;
    size_t nAdded = 0;
    for (const std::string& input : args.Positionals()) {
        if (cancel.Event()->IsSet()) {
            break;
        }
        nAdded += AddOne(input, store.Manager(), cancel.Event(), out, err) ? 1 : 0;
    }
    // What was added is kept even when another address failed or Ctrl-C ended the run.
    if (nAdded != 0) {
        store.Save();
    }
    if (cancel.Event()->IsSet()) {
        return CancelOnInterrupt::EXIT_CANCELLED;
    }
    return nAdded == args.Positionals().size() ? 0 : 1;
}

} // namespace

std::unique_ptr<Command> MakeAddCommand() {
    return std::make_unique<FunctionCommand>("add", Message(Zelt::Text::CliSummaryAdd),
                                             Message(Zelt::Text::CliUsageAdd), RunAdd);
}

} // namespace Korvanectl
