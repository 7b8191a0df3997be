#include "AdminCommands.h"
#include "AlertState.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "CommandLineHost.h"
#include "InterruptWatch.h"
#include "ManagedDeviceJson.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "operations/SharedSettingsSaver.h"
#include "operations/WebPages.h"
#include "support/StringTable.h"

#include <fcntl.h>
#include <map>
#include <ostream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Korvanectl {
namespace {

int RunUpdate(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"status", "json"});
    const bool bJson = args.Flag("json");
    StoreAccess store(args.Value("settings"), StoreAccess::CHANGE, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    const AlertState alerts(store.File().Path());
    alerts.Restore(manager);
    // Ctrl-C or SIGTERM cancels the update (what came is applied and saved) and the error mail.
    const auto interrupted = std::make_shared<Zelt::CancelEvent>();
    // With --json, standard output carries the JSON alone; the progress lines go to the errors.
    CommandLineHost host(manager, bJson ? err : out, interrupted);
    Korvane::CUpdateScheduler scheduler(manager, host);
    const CancelOnInterrupt interrupt(interrupted);
    // Why each device could not be asked, in the words every command uses.
    std::map<std::string, std::string> failures;
    host.OnResultApplied([&failures](const Korvane::InfoResult& result) {
        failures[Korvane::CKorvaneAdminInfoMgr::NormalizeMac(result.device.ReportedMac())] =
            result.strFailure;
    });
    host.QuitAfterUpdate();
    if (args.Flag("status")) {
        scheduler.OnTimer(Korvane::CUpdateScheduler::STATUS_TIMER);
    } else {
        scheduler.Refresh();
    }
    if (scheduler.Activity() != 0) {
        const InterruptWatch watch(interrupted, [&host, &scheduler] {
            host.PostToOwner([&scheduler] { scheduler.StopAndCancel(); });
        });
        host.Run(scheduler);
    }
    alerts.Keep(manager);
    store.Save();
    host.WaitForErrorMail();
    bool bAllAsked = true;
    nlohmann::json outcomes = nlohmann::json::array();
    for (const auto& [mac, device] : manager.Devices()) {
        std::string failure = Korvane::CStatusEvaluation::UpdateFailureText(device);
        if (const auto found = failures.find(mac);
            !failure.empty() && found != failures.end() && !found->second.empty()) {
            failure = found->second;
        }
        outcomes.push_back(ManagedDeviceJson(mac, device));
        outcomes.back()["failure"] = failure.empty() ? nlohmann::json(nullptr) : nlohmann::json(failure);
        if (device.GetStatusBits() != 0 && !bJson) {
            out << TerminalText::Escaped(device.Name()) << " (" << TerminalText::Escaped(mac) << "):\n"
                << Korvane::CStatusEvaluation::StatusText(device);
        }
        if (!failure.empty()) {
            err << "korvanectl update: " << TerminalText::Escaped(device.Name()) << " ("
                << TerminalText::Escaped(mac) << "): " << failure << '\n';
            bAllAsked = false;
        }
    }
    if (bJson) {
        out << TerminalText::Json(outcomes) << '\n';
    }
    if (interrupted->IsSet()) {
        return CancelOnInterrupt::EXIT_CANCELLED;
    }
    return bAllAsked ? 0 : 1;
}

// The monitor's saves: the settings lock only while writing, a line when a save could not be made.
class MonitorSaves {
public:
    MonitorSaves(StoreAccess& store, std::ostream& out)
        : m_saver(store.File(), store.LoadedStamp()), m_out(out) {}

    void Record(const Korvane::InfoResult& result) { m_saver.Record(result); }
    void Save(Korvane::CKorvaneAdminInfoMgr& manager) {
        using Outcome = Korvane::CSharedSettingsSaver::Outcome;
        const Korvane::CSharedSettingsSaver::SaveResult saved = m_saver.Save(manager, kLockWait);
        const bool bSaved = saved.outcome == Outcome::SAVED || saved.outcome == Outcome::MERGED;
        if (!bSaved && saved.strReason != m_lastFailure) {
            m_out << Korvane::CTextFormat::LocalTimeText()
                  << " settings not saved: " << TerminalText::Escaped(saved.strReason)
                  << "; the results are kept for the next save\n"
                  << std::flush;
        }
        m_lastFailure = bSaved ? std::string() : saved.strReason;
    }

private:
    // Other korvanectl commands hold the lock for a moment; the desktop program for as long as it runs.
    static constexpr std::chrono::milliseconds kLockWait{2000};

    Korvane::CSharedSettingsSaver m_saver;
    std::ostream& m_out;
    std::string m_lastFailure;
};

int RunMonitor(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    // Other programs may change the settings while the monitor runs; it locks them only to save.
    StoreAccess store(args.Value("settings"), StoreAccess::READ, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    const CancelOnInterrupt interrupt;
    // Ctrl-C or SIGTERM cancels the error mail under way at once.
    CommandLineHost host(manager, out, interrupt.Event());
    Korvane::CUpdateScheduler scheduler(manager, host);
    // Ctrl-C or SIGTERM ends the loop; the update under way (if any) is cancelled and what it
    // brought is applied before the settings are saved.
    const InterruptWatch watch(interrupt.Event(), [&host] { host.Quit(); });
    // The alerts mailed before a restart are not mailed again; after every update the state and
    // the settings are kept, so that a service that is killed loses no more than one update.
    const AlertState alerts(store.File().Path());
    alerts.Restore(manager);
    Korvane::CStateChanges changes;
    changes.Remember(manager);
    MonitorSaves saves(store, out);
    host.OnResultApplied([&saves](const Korvane::InfoResult& result) { saves.Record(result); });
    host.OnUpdateCompleted([&] {
        host.ReportChanges(changes.Since(manager));
        alerts.Keep(manager);
        saves.Save(manager);
    });
    out << "monitoring " << manager.Devices().size() << " device(s); interval " << manager.m_nUpdateInterval
        << " minute(s), status every minute; Ctrl-C ends\n"
        << std::flush;
    scheduler.CheckNotification();
    scheduler.Start();
    host.Run(scheduler);
    scheduler.StopAndCancel();
    while (scheduler.Activity() != 0) {
        host.QuitAfterUpdate();
        host.Run(scheduler);
    }
    alerts.Keep(manager);
    saves.Save(manager);
    return 0;
}

int RunInterval(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    if (args.Positionals().size() > 1) {
        throw UsageError("interval takes at most one number of minutes");
    }
    const bool bChange = args.Positionals().size() == 1;
    StoreAccess store(args.Value("settings"), bChange ? StoreAccess::CHANGE : StoreAccess::READ, err);
    if (bChange) {
        const std::string& text = args.Positionals().front();
        if (text != "0" && text != "10" && text != "20" && text != "30" && text != "60") {
            throw UsageError("the interval is 0 (no automatic update), 10, 20, 30 or 60 minutes");
        }
        store.Manager().m_nUpdateInterval = std::stoi(text);
        store.Save();
    }
    const int nMinutes = store.Manager().m_nUpdateInterval;
    out << (nMinutes > 0 ? std::to_string(nMinutes) + " minutes" : "no automatic update") << '\n';
    return 0;
}

// Runs xdg-open on the URL without a shell: the URL holds stored addresses, which must never be
// read as shell syntax.
bool OpenInBrowser(const std::string& url) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-open";
    std::string argument = url;
    char* const argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int nStatus = 0;
    return nError == 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

int RunWebpage(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"open"});
    const std::vector<std::string>& words = args.Positionals();
    const std::map<std::string, int> pages = {{"time", Korvane::WEB_PAGE_TIME},
                                              {"ip", Korvane::WEB_PAGE_IP_ADDRESS},
                                              {"quota", Korvane::WEB_PAGE_QUOTA},
                                              {"mail", Korvane::WEB_PAGE_MAIL}};
    if (words.size() < 2 || pages.count(words.front()) == 0) {
        throw UsageError("webpage needs a page (time, ip, quota or mail) and at least one device");
    }
    StoreAccess store(args.Value("settings"), StoreAccess::READ, err);
    std::vector<Korvane::CManagedDevice> devices;
    for (const std::string& mac : TargetResolver(store.Manager())
                                      .ResolveAll(std::vector<std::string>(words.begin() + 1, words.end()))) {
        devices.push_back(*store.Manager().FindDevice(mac));
    }
    CancelOnInterrupt cancel;
    const Korvane::WebPagePlan plan =
        Korvane::CWebPages::Plan(pages.at(words.front()), devices, cancel.Event());
    for (const Korvane::WebPageStep& step : plan.steps) {
        const std::string shown = TerminalText::Escaped(step.text);
        if (step.kind == Korvane::WebPageStep::SHOW_MESSAGE) {
            err << shown << '\n';
            continue;
        }
        out << shown << '\n';
        if (args.Flag("open") && !OpenInBrowser(step.text)) {
            err << "korvanectl webpage: xdg-open could not open " << shown << '\n';
        }
    }
    if (plan.bCancelled) {
        err << "korvanectl webpage: cancelled\n";
        return 130;
    }
    if (plan.bStopped) {
        err << "korvanectl webpage: " << TerminalText::Escaped(plan.stoppedBy)
            << " answers on no address; stopped\n";
        return 1;
    }
    return 0;
}

} // namespace

std::vector<std::unique_ptr<Command>> MakeUpdateCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<FunctionCommand>(
        "update", "ask every managed device for its information once",
        "usage: korvanectl update [--status] [--json] [--settings FILE]\n"
        "Asks all managed devices at once (full information, or with --status the status only),\n"
        "stores the answers, prints a line for new alerts, sends the error mail when notification is\n"
        "on, and prints the alerts of every device. The previous alerts are kept in the user's state\n"
        "folder, so that a run from cron mails only new ones. Ctrl-C cancels the devices still\n"
        "running and the error mail at once; what came is saved (exit code 130). A device that could\n"
        "not be asked (not reached, a failed exchange, its password rejected) gets a line on standard\n"
        "error with the reason. Exit codes: 0 every device answered, 1 some device could not be\n"
        "asked, 130 cancelled. --json prints one object per device instead of the alerts (the\n"
        "fields of list --json and failure, the reason it could not be asked or null); the other\n"
        "lines then go to standard error.\n",
        RunUpdate));
    commands.push_back(std::make_unique<FunctionCommand>(
        "monitor", "watch the managed devices like the desktop program does",
        "usage: korvanectl monitor [--settings FILE]\n"
        "Runs the periodic update without a window: a full update at the stored interval, a status\n"
        "update every minute, a line for each balloon, error mails (sent beside the updates, so that\n"
        "a slow mail server holds up nothing). Ctrl-C ends it and stops an error mail under way; the\n"
        "settings are saved then.\n",
        RunMonitor));
    commands.push_back(std::make_unique<FunctionCommand>(
        "interval", "show or set the update interval",
        "usage: korvanectl interval [0|10|20|30|60] [--settings FILE]\n", RunInterval));
    commands.push_back(std::make_unique<FunctionCommand>(
        "webpage", "print (or open) devices' web setting pages",
        "usage: korvanectl webpage time|ip|quota|mail NAME|MAC... [--open] [--settings FILE]\n"
        "Prints the URL of the page for each device that answers, in order; --open opens each in\n"
        "the browser with xdg-open. Exit codes: 0 done, 1 a device answered on no address (the\n"
        "devices after it are not asked), 130 cancelled.\n",
        RunWebpage));
    return commands;
}

} // namespace Korvanectl
