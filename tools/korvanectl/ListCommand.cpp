#include "AdminCommands.h"
#include "Arguments.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "admin/CellText.h"
#include "admin/InfoColumnTable.h"
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
        nlohmann::json row = {{"key", mac}, {"state", Korvane::CCellText::StateIconIndex(device)}};
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
        "device list; --json gives one object per device with its key (the MAC in upper case), its state (0 "
        "normal,\n"
        "1 caution, 2 error) and a text per column key.\n",
        RunList);
}

} // namespace Korvanectl
