#include "AdminCommands.h"
#include "Arguments.h"
#include "Command.h"
#include "DiscoverCommand.h"
#include "EditDistance.h"
#include "GlobalOptions.h"
#include "InfoCommand.h"
#include "Message.h"
#include "RequestCommand.h"
#include "ResolveCommand.h"
#include "StoreAccess.h"
#include "TerminalText.h"
#include "WakeCommand.h"
#include "support/DescriptorLimit.h"
#include "support/Language.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace Korvanectl;

constexpr int kExitUsage = 2;

std::vector<std::unique_ptr<Command>> MakeCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<RequestCommand>());
    commands.push_back(std::make_unique<ResolveCommand>());
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(std::make_unique<WakeCommand>());
    commands.push_back(std::make_unique<DiscoverCommand>());
    for (auto make :
         {MakeListCommand, MakeAddCommand, MakeRemoveCommand, MakeGroupCommand, MakePasswordCommand,
          MakeApproveCommand, MakeDetailCommand, MakeSettingsCommand, MakeMailCommand}) {
        commands.push_back(make());
    }
    for (auto make : {MakeOperationCommands, MakeUpdateCommands}) {
        for (auto& command : make()) {
            commands.push_back(std::move(command));
        }
    }
    commands.push_back(MakeIntervalCommand());
    commands.push_back(MakeWebpageCommand());
    return commands;
}

void PrintHelp(const std::vector<std::unique_ptr<Command>>& commands, std::ostream& out) {
    out << Message(Zelt::Text::CliHelpOverviewHead);
    for (const auto& command : commands) {
        out << "  " << command->Name() << std::string(12 - std::min<size_t>(11, command->Name().size()), ' ')
            << command->Summary() << '\n';
    }
    out << Message(Zelt::Text::CliHelpOverviewTail);
}

Command* FindCommand(const std::vector<std::unique_ptr<Command>>& commands, const std::string& name) {
    for (const auto& command : commands) {
        if (command->Name() == name) {
            return command.get();
        }
    }
    return nullptr;
}

// The command whose name is fewest edits away from a mistyped one, if any is close enough to be
// what was meant.
std::optional<std::string> NearestName(const std::vector<std::unique_ptr<Command>>& commands,
                                       const std::string& typed) {
    constexpr size_t kMostEdits = 2;
    std::optional<std::string> nearest;
    size_t nFewest = kMostEdits + 1;
    for (const auto& command : commands) {
        const size_t nEdits = EditDistance::Between(typed, command->Name());
        if (nEdits < nFewest) {
            nFewest = nEdits;
            nearest = command->Name();
        }
    }
    return nearest;
}

int UnknownCommand(const std::vector<std::unique_ptr<Command>>& commands, const std::string& typed) {
    std::cerr << "korvanectl: " << Message(Zelt::Text::CliUnknownCommand, {TerminalText::Escaped(typed)})
              << '\n';
    if (const std::optional<std::string> nearest = NearestName(commands, typed)) {
        std::cerr << Message(Zelt::Text::CliDidYouMean, {*nearest}) << '\n';
    }
    std::cerr << Message(Zelt::Text::CliHelpListsCommands) << '\n';
    return kExitUsage;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Before anything is printed, so that no line comes in another language.
    Zelt::CLanguage::Set(Zelt::CLanguage::FromEnvironment());
    const std::vector<std::unique_ptr<Command>> commands = MakeCommands();
    std::vector<std::string> args;
    try {
        args = GlobalOptions::MovedAfterCommand(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "korvanectl: " << TerminalText::Escaped(error.what()) << "\n\n";
        PrintHelp(commands, std::cerr);
        return kExitUsage;
    }
    if (args.empty()) {
        PrintHelp(commands, std::cerr);
        return kExitUsage;
    }
    if (args.front() == "--help" || args.front() == "-h" || (args.front() == "help" && args.size() == 1)) {
        PrintHelp(commands, std::cout);
        return 0;
    }
    if (args.front() == "help") {
        Command* described = FindCommand(commands, args[1]);
        if (described == nullptr) {
            return UnknownCommand(commands, args[1]);
        }
        std::cout << described->Usage();
        return 0;
    }
    if (args.front() == "--version") {
        std::cout << "korvanectl " << KORVANE_VERSION << '\n';
        return 0;
    }
    Command* command = FindCommand(commands, args.front());
    if (command == nullptr) {
        return UnknownCommand(commands, args.front());
    }
    const std::vector<std::string> commandArgs(args.begin() + 1, args.end());
    if (AsksForHelp(commandArgs)) {
        std::cout << command->Usage();
        return 0;
    }
    Zelt::RaiseDescriptorLimit();
    try {
        return command->Run(commandArgs, std::cout, std::cerr);
    } catch (const UsageError& error) {
        std::cerr << "korvanectl " << command->Name() << ": " << TerminalText::Escaped(error.what()) << "\n\n"
                  << command->Usage();
        return kExitUsage;
    } catch (const CommandError& error) {
        std::cerr << "korvanectl " << command->Name() << ": " << TerminalText::Escaped(error.what()) << '\n';
        return 1;
    }
}
