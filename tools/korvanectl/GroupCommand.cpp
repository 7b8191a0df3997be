#include "AdminCommands.h"
#include "Arguments.h"
#include "ManagedDeviceJson.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "admin/GroupRules.h"
#include "support/StringTable.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {
namespace {

// A refused change shows the message the group dialogs show.
void Check(int nMessageId) {
    if (nMessageId != 0) {
        throw CommandError(std::string(Zelt::CStringTable::Text(nMessageId)));
    }
}

void List(const Korvane::CKorvaneAdminInfoMgr& manager, bool bJson, std::ostream& out) {
    nlohmann::json groups = nlohmann::json::array();
    for (const auto& [name, members] : manager.Groups()) {
        groups.push_back({{"name", name}, {"deviceCount", members.size()}});
        if (!bJson) {
            out << TerminalText::Escaped(name) << '\t'
                << Message(Zelt::Text::CliGroupDeviceCount, {std::to_string(members.size())}) << '\n';
        }
    }
    if (bJson) {
        out << TerminalText::Json(groups) << '\n';
    }
}

void Show(const Korvane::CKorvaneAdminInfoMgr& manager, const std::string& name,
          const std::vector<std::string>& macs, bool bJson, std::ostream& out) {
    nlohmann::json devices = nlohmann::json::array();
    for (const std::string& mac : macs) {
        devices.push_back(ManagedDeviceJson(manager, mac));
        if (!bJson) {
            out << TerminalText::Escaped(mac) << '\t'
                << TerminalText::Escaped(manager.FindDevice(mac)->Name()) << '\n';
        }
    }
    if (bJson) {
        out << TerminalText::Json({{"name", name}, {"devices", devices}}) << '\n';
    }
}

int RunGroup(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings", "rename"}, {"json"});
    const std::vector<std::string>& words = args.Positionals();
    if (words.empty()) {
        throw UsageError(Message(Zelt::Text::CliNeedsAction, {"group", "list|show|create|edit|delete"}));
    }
    const std::string& action = words.front();
    const bool bChanges = action == "create" || action == "edit" || action == "delete";
    StoreAccess store(args.Value("settings"), bChanges ? StoreAccess::CHANGE : StoreAccess::READ, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    if (action == "list") {
        List(manager, args.Flag("json"), out);
        return 0;
    }
    if (words.size() < 2) {
        throw UsageError(Message(Zelt::Text::CliGroupNeedsName, {action}));
    }
    const std::string& name = words[1];
    const std::vector<std::string> targets(words.begin() + 2, words.end());
    const TargetResolver resolver(manager);
    if (action == "show") {
        Show(manager, name, resolver.GroupMembers(name), args.Flag("json"), out);
        return 0;
    }
    if (action == "create") {
        Check(Korvane::CGroupRules::CheckCreate(manager, name));
        manager.SetGroup(name, resolver.ResolveAll(targets));
    } else if (action == "edit") {
        resolver.GroupMembers(name);
        const std::string newName = args.Value("rename").value_or(name);
        Check(Korvane::CGroupRules::CheckEdit(manager, name, newName));
        manager.RenameGroup(name, newName, resolver.ResolveAll(targets));
    } else if (action == "delete") {
        if (!manager.DeleteGroup(name)) {
            throw CommandError(Message(Zelt::Text::CliNoSuchGroup, {name}));
        }
    } else {
        throw UsageError(Message(Zelt::Text::CliUnknownAction, {"group", action}));
    }
    store.Save();
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeGroupCommand() {
    return std::make_unique<FunctionCommand>("group", Message(Zelt::Text::CliSummaryGroup),
                                             Message(Zelt::Text::CliUsageGroup), RunGroup);
}

} // namespace Korvanectl
