#include "AdminCommands.h"
#include "Arguments.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "admin/CellText.h"
#include "admin/InfoColumnTable.h"
#include "admin/StatusEvaluation.h"
#include "admin/UpdateTime.h"
#include "support/StringTable.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {
namespace {

int RunList(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings", "group"}, {"json"});
    if (!args.Positionals().empty()) {
        throw UsageError("list takes no arguments");
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
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice& device = *manager.FindDevice(mac);
        nlohmann::json row = {{"key", mac},
                              {"state", Korvane::CStatusEvaluation::OverallState(device)},
                              {"stateText", Korvane::CCellText::StatusText(device)},
                              {"answered", !Korvane::CStatusEvaluation::IsConnectionError(device)},
                              {"result", device.GetResultCode()},
                              {"lastUpdate", nullptr}};
        if (device.GetLastSuccess() != 0) {
            row["lastUpdate"] = Korvane::CUpdateTime::ToText(device.GetLastSuccess());
        }
        for (const Korvane::InfoColumn& column : columns.VisibleColumns()) {
            row[column.key] = Korvane::CCellText::CellText(column.key, device);
        }
        rows.push_back(row);
    }
    if (args.Flag("json")) {
        out << TerminalText::Json(rows) << '\n';
        return 0;
    }
    for (const Korvane::InfoColumn& column : columns.VisibleColumns()) {
        out << Zelt::CStringTable::Text(column.headerTextId) << '\t';
    }
    out << '\n';
    for (const nlohmann::json& row : rows) {
        for (const Korvane::InfoColumn& column : columns.VisibleColumns()) {
            out << TerminalText::Escaped(row[column.key].get<std::string>()) << '\t';
        }
        out << '\n';
    }
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeListCommand() {
    return std::make_unique<FunctionCommand>(
        "list", "show the managed devices as the device list does",
        "usage: korvanectl list [--group NAME] [--json] [--settings FILE]\n"
        "Shows the managed devices (or the members of a group) with the visible columns of the\n"
        "device list; --json gives one object per device with its key (the MAC in upper case), its\n"
        "state (0 normal, 1 caution, 2 error; a device that did not answer its last update counts\n"
        "as an error) and stateText, answered (whether it answered its last update), result (the\n"
        "last update's outcome: 0 success, 1 timeout, 2 communication error, 3 device error, 4 device\n"
        "busy), lastUpdate (when an update last brought its information, ISO 8601 UTC, or null) and a\n"
        "text per column key.\n",
        RunList);
}

} // namespace Korvanectl
