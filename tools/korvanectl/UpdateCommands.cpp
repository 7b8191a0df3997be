#include "AdminCommands.h"
#include "AlertState.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "CommandLineHost.h"
#include "InterruptWatch.h"
#include "ManagedDeviceJson.h"
#include "Message.h"
#include "MonitorMetrics.h"
#include "StoreAccess.h"
#include "TerminalText.h"
#include "admin/Decimal.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "operations/SharedSettingsSaver.h"
#include "support/StringTable.h"

#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>

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
        outcomes.push_back(ManagedDeviceJson(manager, mac));
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
            m_out << Message(Zelt::Text::CliMonitorNotSaved,
                             {Korvane::CTextFormat::LocalTimeText(), TerminalText::Escaped(saved.strReason)})
                  << '\n'
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

// The periods of the monitor's updates. Tests shorten the status update's with the environment
// variable KORVANE_TEST_STATUS_PERIOD_MS (milliseconds), so that they need not wait a minute.
Korvane::CUpdateScheduler::Periods MonitorPeriods() {
    Korvane::CUpdateScheduler::Periods periods;
    const char* pszPeriod = std::getenv("KORVANE_TEST_STATUS_PERIOD_MS");
    if (const int64_t nMilliseconds = pszPeriod == nullptr ? 0 : Korvane::CDecimal::LeadingInteger(pszPeriod);
        nMilliseconds > 0 && nMilliseconds <= periods.nStatusMilliseconds) {
        periods.nStatusMilliseconds = static_cast<int>(nMilliseconds);
    }
    return periods;
}

// The address of --metrics ADDRESS:PORT; none without the option.
std::optional<Korvane::CListenAddress> MetricsAddress(const Arguments& args) {
    const std::optional<std::string> text = args.Value("metrics");
    if (!text) {
        return std::nullopt;
    }
    std::optional<Korvane::CListenAddress> address = Korvane::CListenAddress::Parse(*text);
    if (!address) {
        throw UsageError(Message(Zelt::Text::CliMetricsAddressInvalid, {TerminalText::Escaped(*text)}));
    }
    return address;
}

int RunMonitor(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings", "metrics"}, {});
    std::optional<MonitorMetrics> metrics;
    if (const std::optional<Korvane::CListenAddress> address = MetricsAddress(args)) {
        metrics.emplace(*address);
    }
    // Other programs may change the settings while the monitor runs; it locks them only to save.
    StoreAccess store(args.Value("settings"), StoreAccess::READ, err);
    Korvane::CKorvaneAdminInfoMgr& manager = store.Manager();
    const CancelOnInterrupt interrupt;
    // Ctrl-C or SIGTERM cancels the error mail under way at once.
    CommandLineHost host(manager, out, interrupt.Event());
    Korvane::CUpdateScheduler scheduler(manager, host, MonitorPeriods());
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
    host.OnUpdateStarted([&metrics](int nCategory) {
        if (metrics) {
            metrics->SweepStarted(nCategory);
        }
    });
    host.OnUpdateCompleted([&] {
        host.ReportChanges(changes.Since(manager));
        alerts.Keep(manager);
        saves.Save(manager);
        if (metrics) {
            metrics->SweepCompleted(manager);
        }
    });
    out << Message(Zelt::Text::CliMonitoring,
                   {std::to_string(manager.Devices().size()), std::to_string(manager.m_nUpdateInterval)})
        << '\n';
    if (metrics) {
        // What the store holds until the first update has run.
        metrics->Publish(manager);
        out << Message(Zelt::Text::CliMetricsServing, {metrics->Url()}) << '\n';
    }
    out << std::flush;
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
    // Ctrl-C is an interruption like in every command; SIGTERM is how a service is stopped.
    return CancelOnInterrupt::Signal() == SIGINT ? CancelOnInterrupt::EXIT_CANCELLED : 0;
}

} // namespace

std::vector<std::unique_ptr<Command>> MakeUpdateCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<FunctionCommand>("update", Message(Zelt::Text::CliSummaryUpdate),
                                                         Message(Zelt::Text::CliUsageUpdate), RunUpdate));
    commands.push_back(std::make_unique<FunctionCommand>("monitor", Message(Zelt::Text::CliSummaryMonitor),
                                                         Message(Zelt::Text::CliUsageMonitor), RunMonitor));
    return commands;
}

} // namespace Korvanectl
