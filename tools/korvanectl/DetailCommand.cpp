#include "AdminCommands.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "DetailJson.h"
#include "ManagedDeviceJson.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "admin/DetailReport.h"
#include "operations/DetailFetch.h"
#include "operations/InfoFetch.h"
#include "operations/InfoResult.h"
#include "operations/InfoResultApplier.h"
#include "protocol/KorvaneErrors.h"
#include "support/StringTable.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {
namespace {

int RunDetail(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings", "section"}, {"json"});
    if (args.Positionals().size() != 1) {
        throw UsageError(Message(Zelt::Text::CliNeedsOneDevice, {"detail"}));
    }
    const int nSection = args.IntValue("section", Korvane::SECTION_DEVICE);
    if (nSection < Korvane::SECTION_DEVICE || nSection > Korvane::SECTION_LOG) {
        throw UsageError(Message(Zelt::Text::CliSectionRange));
    }
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    const std::string mac = TargetResolver(store.Manager()).Resolve(args.Positionals().front());
    Korvane::CManagedDevice copy = *store.Manager().FindDevice(mac);
    CancelOnInterrupt cancel;
    const Korvane::FetchOutcome fetched =
        Korvane::FetchInfo(copy, Korvane::CDetailFetch::CATEGORY, cancel.Event(), 60000);
    Korvane::CInfoResultApplier::Apply(
        store.Manager(),
        Korvane::InfoResult{fetched.nMessage, Korvane::CDetailFetch::CATEGORY, copy, fetched.strErrorCode});
    store.Save();
    nlohmann::json shown = ManagedDeviceJson(store.Manager(), mac);
    shown.update({{"section", nSection}, {"report", nullptr}});
    if (fetched.nMessage != Korvane::INFO_FETCHED) {
        err << "korvanectl detail: "
            << Zelt::CStringTable::Text(Korvane::CDetailFetch::MessageFor(fetched.nMessage, copy)) << '\n'
            << fetched.strFailure << '\n';
        if (args.Flag("json")) {
            out << TerminalText::Json(shown) << '\n';
        }
        return cancel.Event()->IsSet() ? CancelOnInterrupt::EXIT_CANCELLED : 1;
    }
    const Korvane::CDetailReport report(copy, TerminalText::Escaped);
    if (!report.HasSection(nSection)) {
        throw CommandError(Message(Zelt::Text::CliNoSuchSection, {std::to_string(nSection)}));
    }
    if (args.Flag("json")) {
        shown["report"] = DetailJson::Section(copy, nSection);
        out << TerminalText::Json(shown) << '\n';
    } else {
        out << report.SectionText(nSection);
    }
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeDetailCommand() {
    return std::make_unique<FunctionCommand>("detail", Message(Zelt::Text::CliSummaryDetail),
                                             Message(Zelt::Text::CliUsageDetail), RunDetail);
}

} // namespace Korvanectl
