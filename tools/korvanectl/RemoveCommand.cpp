#include "AdminCommands.h"
#include "Arguments.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"

#include <ostream>

namespace Korvanectl {
namespace {

int RunRemove(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    if (args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliNeedsDevices, {"remove"}));
    }
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    const std::vector<std::string> macs = TargetResolver(store.Manager()).ResolveAll(args.Positionals());
    for (const std::string& mac : macs) {
        store.Manager().DeleteDevice(mac);
        out << Message(Zelt::Text::CliRemoved, {TerminalText::Escaped(mac)}) << '\n';
    }
    store.Save();
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeRemoveCommand() {
    return std::make_unique<FunctionCommand>("remove", Message(Zelt::Text::CliSummaryRemove),
                                             Message(Zelt::Text::CliUsageRemove), RunRemove);
}

} // namespace Korvanectl
