#include "AdminCommands.h"
#include "Arguments.h"
#include "JsonValues.h"
#include "ManagedDeviceJson.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TableLayout.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "admin/CellText.h"
#include "admin/InfoColumnTable.h"
#include "admin/InfoValues.h"
#include "support/StringTable.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {
namespace {

int RunList(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings", "group"}, {"json", "no-headers"});
    if (!args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliTakesNoArguments, {"list"}));
    }
    StoreAccess store(args.Value("settings"), StoreAccess::READ, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    Korvane::InfoColumnTable columns;
    columns.ApplyVisibleKeys(manager.m_columnKeys);
    std::vector<std::string> macs = manager.Macs();
    if (const auto group = args.Value("group")) {
        macs = TargetResolver(manager).GroupMembers(*group);
    }
    nlohmann::json rows = nlohmann::json::array();
    std::vector<std::vector<std::string>> lines;
    if (!args.Flag("no-headers")) {
        lines.emplace_back();
        for (const Korvane::InfoColumn& column : columns.VisibleColumns()) {
            lines.back().emplace_back(Zelt::CStringTable::Text(column.headerTextId));
        }
    }
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice& device = *manager.FindDevice(mac);
        nlohmann::json row = ManagedDeviceJson(manager, mac);
        lines.emplace_back();
        for (const Korvane::InfoColumn& column : columns.VisibleColumns()) {
            const std::string cell = Korvane::CCellText::CellText(column.key, device);
            // "-" is how the list shows a missing value; the JSON says null.
            row[column.key] =
                cell == Korvane::CInfoValues::NoValue() ? nullptr : JsonValues::TextOrNull(cell);
            lines.back().push_back(TerminalText::Escaped(cell));
        }
        rows.push_back(row);
    }
    if (args.Flag("json")) {
        out << TerminalText::Json(rows) << '\n';
        return 0;
    }
    TableLayout::Print(lines, TableLayout::FormForStandardOutput(), out);
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeListCommand() {
    return std::make_unique<FunctionCommand>("list", Message(Zelt::Text::CliSummaryList),
                                             Message(Zelt::Text::CliUsageList), RunList);
}

} // namespace Korvanectl
