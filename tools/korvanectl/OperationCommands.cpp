#include "AdminCommands.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "Message.h"
#include "OperationOutcomes.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "Terminal.h"
#include "TerminalText.h"
#include "admin/PasswordTexts.h"
#include "operations/EcoSettings.h"
#include "operations/FirmwarePath.h"
#include "operations/OperationRun.h"
#include "operations/PasswordPrompts.h"
#include "support/CallQueue.h"
#include "support/StringTable.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <unistd.h>

namespace Korvanectl {
namespace {

using Zelt::CStringTable;

const std::set<std::string> kValueOptions = {"settings", "group", "minutes", "volume"};
const std::set<std::string> kFlags = {"yes", "save-passwords", "json"};

// The confirmation asked before power on, power off and reboot.
const std::map<int, int> kQuestions = {{Korvane::OPERATION_POWER_ON, Zelt::Text::ConfirmPowerOn},
                                       {Korvane::OPERATION_POWER_OFF, Zelt::Text::ConfirmPowerOff},
                                       {Korvane::OPERATION_REBOOT, Zelt::Text::ConfirmRestart}};

std::vector<std::string> Targets(const Arguments& args, const std::vector<std::string>& names,
                                 const Korvane::CKorvaneAdminInfoMgr& manager) {
    const TargetResolver resolver(manager);
    std::vector<std::string> macs =
        args.Value("group") ? resolver.GroupMembers(*args.Value("group")) : std::vector<std::string>();
    for (const std::string& mac : resolver.ResolveAll(names)) {
        macs.push_back(mac);
    }
    if (macs.empty()) {
        throw CommandError(std::string(CStringTable::Text(Zelt::Text::NothingSelected)));
    }
    return macs;
}

// Missing or rejected passwords are asked for first, as the desktop program asks for them.
void PromptForPasswords(int nKind, const std::vector<std::string>& macs, bool bSave,
                        Korvane::CKorvaneAdminInfoMgr& manager, std::ostream& err) {
    for (const Korvane::PasswordPrompt& prompt : Korvane::CPasswordPrompts::For(nKind, manager, macs)) {
        const Korvane::CManagedDevice& device = *manager.FindDevice(prompt.mac);
        err << Korvane::CPasswordTexts::Prompt(prompt.nReason) << '\n';
        const std::string password = Terminal::ReadSecret(
            Message(Zelt::Text::CliPasswordPrompt, {TerminalText::Escaped(device.Name())}), err);
        manager.SetPassword(prompt.mac, password, bSave);
    }
}

struct RunOutcome {
    size_t nOtherFailures = 0;             // devices that failed for another reason
    std::vector<std::string> rejectedMacs; // devices that rejected their stored password
};

// Runs the operation with one worker per device, printing each row when it is done.
RunOutcome RunOnce(int nKind, const std::vector<std::string>& macs, const Arguments& args,
                   Korvane::CKorvaneAdminInfoMgr& manager, const Zelt::CancelEventPtr& cancel,
                   std::ostream& out, std::ostream& err, const std::string& path,
                   const std::string& document) {
    Korvane::COperationRun run(manager, nKind, macs, path, document);
    run.UseCancelEvent(cancel);
    OperationOutcomes outcomes(run);
    // With --json, standard output carries the JSON alone; the rows go to the errors as progress.
    std::ostream& progress = args.Flag("json") ? err : out;
    Zelt::CCallQueue owner;
    run.Start([&](const Korvane::OperationRowResult& result) {
        owner.Post([&, result] {
            run.ApplyResult(result);
            outcomes.Keep(result);
            const Korvane::OperationRow& row = run.Rows()[result.nRow];
            progress << TerminalText::Escaped(row.name) << " (" << TerminalText::Escaped(row.mac)
                     << "): " << TerminalText::Escaped(row.text)
                     << (row.failure.empty() ? std::string() : " (" + row.failure + ")") << '\n'
                     << std::flush;
            if (run.IsFinished()) {
                owner.Quit();
            }
        });
    });
    owner.Run();
    if (args.Flag("json")) {
        out << TerminalText::Json(outcomes.Json(manager)) << '\n';
    } else {
        out << run.SummaryText() << '\n';
        if (run.ShowsFirmwareNotice()) {
            out << CStringTable::Text(Zelt::Text::FirmwareUpdateStarted) << '\n';
        }
    }
    const auto nFailed = static_cast<size_t>(
        std::count_if(run.Rows().begin(), run.Rows().end(),
                      [](const Korvane::OperationRow& row) { return row.nMark != Korvane::MARK_SUCCESS; }));
    std::vector<std::string> rejected = run.ReauthenticationMacs();
    return {nFailed - std::min(nFailed, rejected.size()), std::move(rejected)};
}

// As the desktop program does after a run, a terminal user may give the rejected passwords again
// and have those devices tried once more; elsewhere the command says how to set them.
bool AskAgainForRejected(const std::vector<std::string>& macs, const Arguments& args,
                         Korvane::CKorvaneAdminInfoMgr& manager, std::ostream& err) {
    if (args.Flag("json") || !isatty(STDIN_FILENO) ||
        !Terminal::Confirm(std::string(CStringTable::Text(Zelt::Text::AskSetPasswordAgain)), err)) {
        for (const std::string& mac : macs) {
            err << "korvanectl: "
                << Message(Zelt::Text::CliSetPasswordWith,
                           {TerminalText::Escaped(manager.FindDevice(mac)->Name()),
                            TerminalText::Escaped(mac), TerminalText::Escaped(mac)})
                << '\n';
        }
        return false;
    }
    for (const std::string& mac : macs) {
        err << Korvane::CPasswordTexts::Prompt(Korvane::PASSWORD_PROMPT_REJECTED) << '\n';
        const std::string password = Terminal::ReadSecret(
            Message(Zelt::Text::CliPasswordPrompt, {TerminalText::Escaped(manager.FindDevice(mac)->Name())}),
            err);
        manager.SetPassword(mac, password, args.Flag("save-passwords"));
    }
    return true;
}

int RunOperation(int nKind, const std::vector<std::string>& names, const Arguments& args, std::ostream& out,
                 std::ostream& err, const std::string& path = std::string(),
                 const std::string& document = std::string()) {
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    const std::vector<std::string> macs = Targets(args, names, manager);
    PromptForPasswords(nKind, macs, args.Flag("save-passwords"), manager, err);
    if (const auto question = kQuestions.find(nKind); question != kQuestions.end() && !args.Flag("yes")) {
        if (!Terminal::Confirm(std::string(CStringTable::Text(question->second)), err)) {
            return 1;
        }
    }
    CancelOnInterrupt cancel;
    RunOutcome outcome = RunOnce(nKind, macs, args, manager, cancel.Event(), out, err, path, document);
    size_t nOtherFailures = outcome.nOtherFailures;
    // Kept before the questions, which Ctrl-C may end.
    store.Save();
    while (!outcome.rejectedMacs.empty() && !cancel.Event()->IsSet() &&
           AskAgainForRejected(outcome.rejectedMacs, args, manager, err)) {
        outcome =
            RunOnce(nKind, outcome.rejectedMacs, args, manager, cancel.Event(), out, err, path, document);
        nOtherFailures += outcome.nOtherFailures;
    }
    store.Save();
    if (cancel.Event()->IsSet()) {
        return CancelOnInterrupt::EXIT_CANCELLED;
    }
    return nOtherFailures == 0 && outcome.rejectedMacs.empty() ? 0 : 1;
}

Korvane::CEcoSettings EcoSettingsFor(const Arguments& args, const std::vector<std::string>& macs,
                                     const Korvane::CKorvaneAdminInfoMgr& manager, std::ostream& err) {
    std::vector<const Korvane::CKorvaneInfo*> targets;
    for (const std::string& mac : macs) {
        targets.push_back(manager.FindDevice(mac));
    }
    Korvane::CEcoSettings eco(targets);
    if (eco.InitialMessageId() != 0) {
        err << CStringTable::Text(eco.InitialMessageId()) << '\n';
    }
    const std::optional<size_t> position = Korvane::CEcoSettings::PositionOf(args.IntValue("minutes", -1));
    if (!position) {
        throw UsageError(Message(Zelt::Text::CliMinutesChoice));
    }
    eco.SelectPosition(*position);
    const std::map<std::string, size_t> volumes = {{"internal", 0}, {"esata", 1}, {"usb1", 2},
                                                   {"usb2", 3},     {"usb3", 4},  {"usb4", 5}};
    for (const std::string& setting : args.Values("volume")) {
        const size_t equals = setting.find('=');
        const auto volume = volumes.find(setting.substr(0, equals));
        const std::string value = equals == std::string::npos ? std::string() : setting.substr(equals + 1);
        if (volume == volumes.end() || (value != "on" && value != "off")) {
            throw UsageError(Message(Zelt::Text::CliVolumeChoice, {setting}));
        }
        eco.SetVolumeOn(volume->second, value == "on");
    }
    return eco;
}

int RunEco(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, kValueOptions, kFlags);
    std::string document;
    {
        StoreAccess store(args.Value("settings"), StoreAccess::READ, err);
        const std::vector<std::string> macs = Targets(args, args.Positionals(), store.Manager());
        document = EcoSettingsFor(args, macs, store.Manager(), err).BuildDocument();
    }
    return RunOperation(Korvane::OPERATION_ECO_MODE, args.Positionals(), args, out, err, std::string(),
                        document);
}

int RunFirmware(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, kValueOptions, kFlags);
    if (args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliFirmwareNeedsFile));
    }
    const std::string& path = args.Positionals().front();
    if (const int nMessage = Korvane::CFirmwarePath::Check(path);
        nMessage != Korvane::CFirmwarePath::FIRMWARE_PATH_OK) {
        throw CommandError(Korvane::CFirmwarePath::MessageText(nMessage, path));
    }
    const std::vector<std::string> names(args.Positionals().begin() + 1, args.Positionals().end());
    return RunOperation(Korvane::OPERATION_FIRMWARE_UPDATE, names, args, out, err, path);
}

int RunMelody(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, kValueOptions, kFlags);
    const std::vector<std::string>& words = args.Positionals();
    if (words.empty() || (words.front() != "start" && words.front() != "stop")) {
        throw UsageError(Message(Zelt::Text::CliMelodyNeedsStartOrStop));
    }
    const int nKind =
        words.front() == "start" ? Korvane::OPERATION_MELODY_START : Korvane::OPERATION_MELODY_STOP;
    return RunOperation(nKind, std::vector<std::string>(words.begin() + 1, words.end()), args, out, err);
}

// The operations share the explanation of --json.
std::string WithJsonUsage(int nUsageId, std::initializer_list<std::string_view> args = {}) {
    return Message(nUsageId, args) + Message(Zelt::Text::CliUsageOperationJson);
}

std::unique_ptr<Command> MakeSimple(const std::string& name, int nSummaryId, int nKind) {
    return std::make_unique<FunctionCommand>(
        name, Message(nSummaryId), WithJsonUsage(Zelt::Text::CliUsageSimpleOperation, {name}),
        [nKind](const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
            const Arguments args(argv, kValueOptions, kFlags);
            return RunOperation(nKind, args.Positionals(), args, out, err);
        });
}

} // namespace

std::vector<std::unique_ptr<Command>> MakeOperationCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(MakeSimple("poweron", Zelt::Text::CliSummaryPowerOn, Korvane::OPERATION_POWER_ON));
    commands.push_back(MakeSimple("poweroff", Zelt::Text::CliSummaryPowerOff, Korvane::OPERATION_POWER_OFF));
    commands.push_back(MakeSimple("reboot", Zelt::Text::CliSummaryReboot, Korvane::OPERATION_REBOOT));
    commands.push_back(std::make_unique<FunctionCommand>("melody", Message(Zelt::Text::CliSummaryMelody),
                                                         WithJsonUsage(Zelt::Text::CliUsageMelody),
                                                         RunMelody));
    commands.push_back(std::make_unique<FunctionCommand>("firmware", Message(Zelt::Text::CliSummaryFirmware),
                                                         WithJsonUsage(Zelt::Text::CliUsageFirmware),
                                                         RunFirmware));
    commands.push_back(std::make_unique<FunctionCommand>("eco", Message(Zelt::Text::CliSummaryEco),
                                                         WithJsonUsage(Zelt::Text::CliUsageEco), RunEco));
    return commands;
}

} // namespace Korvanectl
