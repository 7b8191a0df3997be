#include "AdminCommands.h"
#include "Arguments.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "Terminal.h"
#include "TerminalText.h"
#include "admin/PasswordTexts.h"

#include <ostream>

namespace Korvanectl {
namespace {

int RunPassword(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"save", "show"});
    if (args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliNeedsDevices, {"password"}));
    }
    const bool bShowOnly = args.Flag("show");
    StoreAccess store(args.Value("settings"), bShowOnly ? StoreAccess::READ : StoreAccess::CHANGE, err);
    // Every name is resolved before the password is asked for: a typo costs no typing.
    const std::vector<std::string> macs = TargetResolver(store.Manager()).ResolveAll(args.Positionals());
    if (!bShowOnly) {
        const std::string prompt =
            macs.size() == 1 ? Message(Zelt::Text::CliPasswordPrompt,
                                       {TerminalText::Escaped(store.Manager().FindDevice(macs[0])->Name())})
                             : Message(Zelt::Text::CliPasswordPromptForCount, {std::to_string(macs.size())});
        const std::string password = Terminal::ReadSecret(prompt, err);
        for (const std::string& mac : macs) {
            store.Manager().SetPassword(mac, password, args.Flag("save"));
        }
        store.Save();
    }
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice& device = *store.Manager().FindDevice(mac);
        out << (macs.size() == 1 ? "" : TerminalText::Escaped(device.Name()) + ": ")
            << Korvane::CPasswordTexts::StateText(device) << '\n';
    }
    return 0;
}

} // namespace

std::unique_ptr<Command> MakePasswordCommand() {
    return std::make_unique<FunctionCommand>("password", Message(Zelt::Text::CliSummaryPassword),
                                             Message(Zelt::Text::CliUsagePassword), RunPassword);
}

} // namespace Korvanectl
