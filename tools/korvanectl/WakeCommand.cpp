#include "WakeCommand.h"

#include "Arguments.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "operations/FailureText.h"
#include "protocol/KorvaneInfo.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {

std::string WakeCommand::Summary() const {
    return Message(Zelt::Text::CliSummaryWake);
}

std::string WakeCommand::Usage() const {
    return Message(Zelt::Text::CliUsageWake);
}

int WakeCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"json"});
    if (args.Positionals().size() != 1) {
        throw UsageError(Message(Zelt::Text::CliWakeNeedsTarget));
    }
    const std::string& target = args.Positionals().front();
    const std::string mac = MacToWake(target, args.Value("settings"), err);
    // A MAC is woken without reading the settings, so only a name typed is known.
    nlohmann::json outcome = {
        {"key", mac},
        {"name", TargetResolver::MacOf(target) ? nlohmann::json(nullptr) : nlohmann::json(target)},
        {"outcome", "sent"},
        {"outcomeText", Message(Zelt::Text::CliWakeSent, {mac})}};
    try {
        Korvane::CKorvaneInfo::SendWakeOnLan(mac);
    } catch (...) {
        const std::string failure = Korvane::CFailureText::OfWakeOnLan(std::current_exception());
        err << "korvanectl wake: " << failure << '\n';
        outcome.update({{"outcome", "failed"}, {"outcomeText", failure}});
    }
    if (args.Flag("json")) {
        out << TerminalText::Json(outcome) << '\n';
    } else if (outcome["outcome"] == "sent") {
        out << outcome["outcomeText"].get<std::string>() << '\n';
    }
    return outcome["outcome"] == "sent" ? 0 : 1;
}

std::string WakeCommand::MacToWake(const std::string& target, const std::optional<std::string>& settingsPath,
                                   std::ostream& err) {
    if (const std::optional<std::string> mac = TargetResolver::MacOf(target)) {
        return *mac;
    }
    StoreAccess store(settingsPath, StoreAccess::READ, err);
    return TargetResolver(store.Manager()).Resolve(target);
}

} // namespace Korvanectl
