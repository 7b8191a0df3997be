#pragma once

#include "Command.h"

#include <memory>
#include <vector>

namespace Korvanectl {

// Commands on the managed devices, groups and settings kept in the settings file. Each takes
// --settings FILE to work on another file than the user's.
std::unique_ptr<Command> MakeListCommand();
std::unique_ptr<Command> MakeAddCommand();
std::unique_ptr<Command> MakeRemoveCommand();
std::unique_ptr<Command> MakeGroupCommand();
std::unique_ptr<Command> MakePasswordCommand();
std::unique_ptr<Command> MakeApproveCommand();
std::unique_ptr<Command> MakeDetailCommand();
std::unique_ptr<Command> MakeSettingsCommand();
std::unique_ptr<Command> MakeMailCommand();
// poweron, poweroff, reboot, melody, firmware, eco.
std::vector<std::unique_ptr<Command>> MakeOperationCommands();
// update, monitor.
std::vector<std::unique_ptr<Command>> MakeUpdateCommands();
std::unique_ptr<Command> MakeIntervalCommand();
std::unique_ptr<Command> MakeWebpageCommand();

} // namespace Korvanectl
