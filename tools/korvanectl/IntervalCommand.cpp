#include "AdminCommands.h"
#include "Arguments.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TerminalText.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {
namespace {

int RunInterval(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"json"});
    if (args.Positionals().size() > 1) {
        throw UsageError(Message(Zelt::Text::CliIntervalTakesOne));
    }
    const bool bChange = args.Positionals().size() == 1;
    StoreAccess store(args.Value("settings"), bChange ? StoreAccess::CHANGE : StoreAccess::READ, err);
    if (bChange) {
        const std::string& text = args.Positionals().front();
        if (text != "0" && text != "10" && text != "20" && text != "30" && text != "60") {
            throw UsageError(Message(Zelt::Text::CliIntervalChoice));
        }
        store.Manager().m_nUpdateInterval = std::stoi(text);
        store.Save();
    }
    const int nMinutes = store.Manager().m_nUpdateInterval;
    if (args.Flag("json")) {
        out << TerminalText::Json({{"minutes", nMinutes}}) << '\n';
    } else {
        out << (nMinutes > 0 ? Message(Zelt::Text::CliIntervalMinutes, {std::to_string(nMinutes)})
                             : Message(Zelt::Text::CliNoAutomaticUpdate))
            << '\n';
    }
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeIntervalCommand() {
    return std::make_unique<FunctionCommand>("interval", Message(Zelt::Text::CliSummaryInterval),
                                             Message(Zelt::Text::CliUsageInterval), RunInterval);
}

} // namespace Korvanectl
